#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <ostream>

#include "FakeHost.h"

namespace {

class EffectBaseTest : public TestEffectFixture {};

TEST_F(EffectBaseTest, FreshRecordHoldsTheBaseValues)
{
    const AEffect& record = *effect->getAEffect();
    EXPECT_EQ(record.magic, 0x56737450);
    EXPECT_EQ(record.numPrograms, 4);
    EXPECT_EQ(record.numParams, 3);
    EXPECT_EQ(record.numInputs, 1);
    EXPECT_EQ(record.numOutputs, 2);
    EXPECT_EQ(record.flags, 0);
    EXPECT_EQ(record.ioRatio, 1.0f);
    EXPECT_EQ(record.version, 1);
    EXPECT_EQ(record.uniqueID, fourCharCode("NoEf"));
    EXPECT_EQ(record.object, effect.get());
    EXPECT_EQ(record.user, nullptr);
    EXPECT_EQ(record.resvd1, 0);
    EXPECT_EQ(record.initialDelay, 0);
    for (char byte : record.future)
        EXPECT_EQ(byte, 0);
    EXPECT_NE(record.dispatcher, nullptr);
    EXPECT_NE(record.process, nullptr);
    EXPECT_NE(record.processReplacing, nullptr);
    EXPECT_NE(record.setParameter, nullptr);
    EXPECT_NE(record.getParameter, nullptr);
    EXPECT_EQ(effect->getSampleRate(), 44100.0f);
    EXPECT_EQ(effect->getBlockSize(), 1024);
}

TEST_F(EffectBaseTest, SettersWriteTheRecord)
{
    effect->setUniqueID(fourCharCode("Abcd"));
    effect->setNumInputs(2);
    effect->setNumOutputs(6);
    effect->setInitialDelay(64);
    effect->setRealQualities(3);
    effect->setOffQualities(5);
    effect->setFlagHasVu(true);
    effect->setFlagCanReplacing(true);
    effect->setFlagHasClip(true);
    effect->setFlagHasClip(false);
    const AEffect& record = *effect->getAEffect();
    EXPECT_EQ(record.uniqueID, 0x41626364);
    EXPECT_EQ(record.numInputs, 2);
    EXPECT_EQ(record.numOutputs, 6);
    EXPECT_EQ(record.initialDelay, 64);
    EXPECT_EQ(record.realQualities, 3);
    EXPECT_EQ(record.offQualities, 5);
    EXPECT_EQ(record.flags, effFlagsHasVu | effFlagsCanReplacing);
}

struct CoreCase {
    VstInt32 opcode;
    VstIntPtr expected;
    friend std::ostream& operator<<(std::ostream& out, const CoreCase& c)
    {
        return out << "opcode " << c.opcode << " -> " << c.expected;
    }
};

class CoreOpcodeTest : public EffectBaseTest, public ::testing::WithParamInterface<CoreCase> {};

TEST_P(CoreOpcodeTest, AnswersWithoutAnEditor)
{
    EXPECT_EQ(dispatch(GetParam().opcode), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Opcodes, CoreOpcodeTest,
                         ::testing::Values(CoreCase{effIdentify, 0x4E764566},
                                           CoreCase{effGetProgram, 0},
                                           CoreCase{effGetVu, 0},
                                           CoreCase{effEditGetRect, 0},
                                           CoreCase{effEditOpen, 0},
                                           CoreCase{effEditClose, 0},
                                           CoreCase{effEditIdle, 0},
                                           CoreCase{effEditDraw, 0},
                                           CoreCase{effEditMouse, 0},
                                           CoreCase{effEditKey, 0},
                                           CoreCase{effEditTop, 0},
                                           CoreCase{effEditSleep, 0},
                                           CoreCase{effGetChunk, 0},
                                           CoreCase{effSetChunk, 0},
                                           CoreCase{59, 0},
                                           CoreCase{-1, 0},
                                           CoreCase{1000, 0}));

TEST_F(EffectBaseTest, GetVuScalesBy32767AndSaturates)
{
    effect->vu = 0.5f;
    EXPECT_EQ(dispatch(effGetVu), 16383);
    effect->vu = -0.25f;
    EXPECT_EQ(dispatch(effGetVu), -8191);
    effect->vu = std::numeric_limits<float>::infinity();
    EXPECT_EQ(dispatch(effGetVu), std::numeric_limits<VstInt32>::max());
    effect->vu = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(dispatch(effGetVu), 0);
}

TEST_F(EffectBaseTest, SetProgramIgnoresNumbersOutsideTheRange)
{
    EXPECT_EQ(dispatch(effSetProgram, 0, 3), 0);
    EXPECT_EQ(dispatch(effGetProgram), 3);
    for (VstIntPtr outside : {VstIntPtr{4}, VstIntPtr{-1}, VstIntPtr{1} << 40}) {
        EXPECT_EQ(dispatch(effSetProgram, 0, outside), 0);
        EXPECT_EQ(dispatch(effGetProgram), 3) << outside;
    }
}

TEST_F(EffectBaseTest, MainsChangedSuspendsOnZeroAndResumesOtherwise)
{
    dispatch(effMainsChanged, 0, 0);
    EXPECT_EQ(counters.suspends, 1);
    EXPECT_EQ(counters.resumes, 0);
    dispatch(effMainsChanged, 0, 1);
    dispatch(effMainsChanged, 0, -7);
    EXPECT_EQ(counters.suspends, 1);
    EXPECT_EQ(counters.resumes, 2);
}

TEST_F(EffectBaseTest, SampleRateAndBlockSizeRefuseUnusableValues)
{
    dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f);
    dispatch(effSetBlockSize, 0, 256);
    EXPECT_EQ(effect->getSampleRate(), 96000.0f);
    EXPECT_EQ(effect->getBlockSize(), 256);
    dispatch(effSetSampleRate, 0, 0, nullptr, 0.0f);
    dispatch(effSetSampleRate, 0, 0, nullptr, std::numeric_limits<float>::quiet_NaN());
    dispatch(effSetBlockSize, 0, -5);
    dispatch(effSetBlockSize, 0, VstIntPtr{1} << 40);
    EXPECT_EQ(effect->getSampleRate(), 96000.0f);
    EXPECT_EQ(effect->getBlockSize(), 256);
}

TEST_F(EffectBaseTest, TextOpcodesWithoutBufferDoNothing)
{
    for (VstInt32 opcode : {effSetProgramName, effGetProgramName, effGetParamLabel,
                            effGetParamDisplay, effGetParamName})
        EXPECT_EQ(dispatch(opcode, 0, 0, nullptr), 0) << opcode;
}

TEST_F(EffectBaseTest, BaseTextsAreEmpty)
{
    char text[32] = "untouched";
    for (VstInt32 opcode : {effGetProgramName, effGetParamLabel, effGetParamDisplay,
                            effGetParamName}) {
        text[0] = 'x';
        dispatch(opcode, 0, 0, text);
        EXPECT_STREQ(text, "") << opcode;
    }
}

TEST_F(EffectBaseTest, SetParameterAndAutomateSetsFirstThenReportsToTheHost)
{
    FakeHost& host = FakeHost::instance();
    host.duringCall = [this](AEffect*, VstInt32) {
        EXPECT_EQ(counters.parameters.size(), 1u) << "the host heard before the effect";
    };
    effect->setParameterAndAutomate(2, 0.75f);
    ASSERT_EQ(counters.parameters.size(), 1u);
    EXPECT_EQ(counters.parameters[0].first, 2);
    EXPECT_EQ(counters.parameters[0].second, 0.75f);
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.calls[0].effect, effect->getAEffect());
    EXPECT_EQ(host.calls[0].opcode, audioMasterAutomate);
    EXPECT_EQ(host.calls[0].index, 2);
    EXPECT_EQ(host.calls[0].value, 0);
    EXPECT_EQ(host.calls[0].opt, 0.75f);
}

TEST_F(EffectBaseTest, HostVersionAnswersOneForZeroOrNoHost)
{
    FakeHost& host = FakeHost::instance();
    EXPECT_EQ(effect->hostVersion(), 1);
    host.answers[audioMasterVersion] = 2;
    EXPECT_EQ(effect->hostVersion(), 2);
    host.answers[audioMasterVersion] = 2400;
    EXPECT_EQ(effect->hostVersion(), 2400);

    EffectCounters lonelyCounters;
    TestEffect lonely(lonelyCounters, nullptr);
    EXPECT_EQ(lonely.hostVersion(), 1);
    EXPECT_EQ(lonely.hostCurrentId(), 0);
    EXPECT_TRUE(lonely.hostInputPinConnected(0));
    EXPECT_TRUE(lonely.hostOutputPinConnected(0));
    lonely.hostIdle();
    lonely.setParameterAndAutomate(0, 0.5f);
    EXPECT_EQ(host.calls.size(), 3u);
}

TEST_F(EffectBaseTest, PinConnectedIsTrueWhenTheHostAnswersZero)
{
    FakeHost& host = FakeHost::instance();
    EXPECT_TRUE(effect->hostInputPinConnected(3));
    EXPECT_TRUE(effect->hostOutputPinConnected(1));
    host.answers[audioMasterPinConnected] = 1;
    EXPECT_FALSE(effect->hostInputPinConnected(3));
    EXPECT_FALSE(effect->hostOutputPinConnected(1));
    ASSERT_EQ(host.calls.size(), 4u);
    EXPECT_EQ(host.calls[0].opcode, audioMasterPinConnected);
    EXPECT_EQ(host.calls[0].index, 3);
    EXPECT_EQ(host.calls[0].value, 0);
    EXPECT_EQ(host.calls[1].index, 1);
    EXPECT_EQ(host.calls[1].value, 1);
}

TEST_F(EffectBaseTest, CurrentIdAndIdleReachTheHost)
{
    FakeHost& host = FakeHost::instance();
    host.answers[audioMasterCurrentId] = 0x12345;
    EXPECT_EQ(effect->hostCurrentId(), 0x12345);
    effect->hostIdle();
    ASSERT_EQ(host.calls.size(), 2u);
    EXPECT_EQ(host.calls[1].opcode, audioMasterIdle);
}

TEST_F(EffectBaseTest, CloseThroughTheRecordDestroysTheEffect)
{
    AEffect* record = effect->getAEffect();
    static_cast<void>(effect.release()); // the host's effClose owns it now
    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(counters.closes, 1);
    EXPECT_EQ(counters.destroyed, 1);
}

// An effect whose operations throw: the record's entry points must answer 0 and return.
class ThrowingEffect : public EffectBaseExt {
public:
    explicit ThrowingEffect(int& destroyedCount)
        : EffectBaseExt(nullptr, 1, 1), destroyed(destroyedCount)
    {
    }
    ~ThrowingEffect() override { ++destroyed; }
    void process(float**, float**, VstInt32) override { throw 1; }
    void processReplacing(float**, float**, VstInt32) override { throw 1; }
    void setParameter(VstInt32, float) override { throw 1; }
    float getParameter(VstInt32) override { throw 1; }
    VstIntPtr dispatcher(VstInt32, VstInt32, VstIntPtr, void*, float) override { throw 1; }

private:
    int& destroyed;
};

TEST(RecordEntryTest, NoExceptionReachesTheHost)
{
    int destroyed = 0;
    auto* thrower = new ThrowingEffect(destroyed);
    AEffect* record = thrower->getAEffect();
    float sample = 0.0f;
    float* channels[2] = {&sample, &sample};
    EXPECT_NO_THROW(record->process(record, channels, channels, 1));
    EXPECT_NO_THROW(record->processReplacing(record, channels, channels, 1));
    EXPECT_NO_THROW(record->setParameter(record, 0, 0.5f));
    EXPECT_EQ(record->getParameter(record, 0), 0.0f);
    EXPECT_EQ(record->dispatcher(record, effIdentify, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(destroyed, 1);
}

TEST(RecordEntryTest, RecordWithoutObjectAnswersZero)
{
    AEffect orphan{};
    EffectCounters counters;
    TestEffect effect(counters);
    orphan = *effect.getAEffect();
    orphan.object = nullptr;
    EXPECT_EQ(orphan.dispatcher(&orphan, effIdentify, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(orphan.dispatcher(&orphan, effClose, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(orphan.getParameter(&orphan, 0), 0.0f);
    EXPECT_EQ(counters.destroyed, 0);
}

} // namespace
