// A host callback that records every call and answers from a table, and a small effect that
// counts what the framework calls on it.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "EditorBase.h"
#include "EffectBaseExt.h"

struct HostCall {
    AEffect* effect;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
};

// One fake host per process; each test fixture resets it.
struct FakeHost {
    std::vector<HostCall> calls;
    std::map<VstInt32, VstIntPtr> answers;
    // Runs inside the callback, before it answers (a host reacting by sending opcodes back).
    std::function<void(AEffect*, VstInt32)> duringCall;

    static FakeHost& instance();
    static VstIntPtr callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                              void* ptr, float opt);
    void reset();
};

struct EffectCounters {
    int suspends = 0;
    int resumes = 0;
    int opens = 0;
    int closes = 0;
    int destroyed = 0;
    std::vector<std::pair<VstInt32, float>> parameters;
};

class TestEffect : public EffectBaseExt {
public:
    explicit TestEffect(EffectCounters& counters, audioMasterCallback callback = FakeHost::callback)
        : EffectBaseExt(callback, 4, 3), count(counters)
    {
    }
    ~TestEffect() override { ++count.destroyed; }

    void process(float**, float**, VstInt32) override {}
    void setParameter(VstInt32 index, float value) override
    {
        count.parameters.emplace_back(index, value);
    }
    float getVu() override { return vu; }
    void suspend() override { ++count.suspends; }
    void resume() override { ++count.resumes; }
    void open() override { ++count.opens; }
    void close() override { ++count.closes; }

    float vu = 0.0f;

private:
    EffectCounters& count;
};

struct EditorCounters {
    int opens = 0;
    int closes = 0;
    int refreshes = 0;
    int destroyed = 0;
    void* parent = nullptr;
};

class TestEditor : public EditorBase {
public:
    TestEditor(EffectBase* owner, EditorCounters& counters) : EditorBase(owner), count(counters)
    {
    }
    ~TestEditor() override { ++count.destroyed; }

    VstInt32 getRect(ERect** rect) override
    {
        *rect = &size;
        return 1;
    }
    VstInt32 open(void* parent) override
    {
        EditorBase::open(parent);
        count.parent = parentWindow;
        ++count.opens;
        return 7;
    }
    void close() override { ++count.closes; }
    void refresh() override { ++count.refreshes; }

    ERect size{0, 0, 120, 300};

private:
    EditorCounters& count;
};

// A fresh test effect under a reset fake host, reached through its record's dispatcher.
class TestEffectFixture : public ::testing::Test {
protected:
    void SetUp() override { FakeHost::instance().reset(); }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f)
    {
        AEffect* record = effect->getAEffect();
        return record->dispatcher(record, opcode, index, value, ptr, opt);
    }

    EffectCounters counters;
    std::unique_ptr<TestEffect> effect = std::make_unique<TestEffect>(counters);
};
