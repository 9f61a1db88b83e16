#pragma once
// What the tests of editors on a private X server share: the server, started once before a
// test program's first test and stopped after its last, and the pictures plughost saves.
#include "PngReading.h"
#include "XvfbServer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

class XvfbEnvironment : public ::testing::Environment {
public:
    void SetUp() override { server_ = new XvfbServer; }
    void TearDown() override {
        delete server_;
        server_ = nullptr;
    }
    // Null, or not running, when Xvfb could not be started.
    static XvfbServer* server() { return server_; }

private:
    static inline XvfbServer* server_ = nullptr;
};

// Every test program that includes this has the server, however many of its files include it.
inline ::testing::Environment* const xvfbEnvironment = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);
