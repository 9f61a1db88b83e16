// Ombrisk.so loaded through the host loader, with helpers to drive its parameters, texts
// and audio.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "PluginLoader.h"

class OmbriskFixture : public ::testing::Test {
protected:
    void SetUp() override;

    void set(VstInt32 index, float value);
    float get(VstInt32 index);
    // The text an opcode writes into a buffer that held "untouched" before.
    std::string text(VstInt32 opcode, VstInt32 index = 0);
    // Runs input through processReplacing (or process over outputs preset to base) in blocks;
    // answers the first output and checks that the second carries the same samples.
    std::vector<float> run(const std::vector<float>& input, int block = 512,
                           bool replacing = true, float base = 0.0f);

    std::unique_ptr<PluginLoader> plugin;
    AEffect* effect = nullptr;
};

std::vector<float> impulse(std::size_t length, std::size_t at, float amplitude = 1.0f);
// White noise between -1 and 1, the same for the same seed.
std::vector<float> noise(std::size_t length, unsigned seed);
// The indices and values of the samples that are not zero.
std::vector<std::pair<std::size_t, float>> nonZero(const std::vector<float>& samples);
