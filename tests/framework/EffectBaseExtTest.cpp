#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <ostream>
#include <string>

#include "FakeHost.h"

namespace {

class EffectBaseExtTest : public TestEffectFixture {};

struct ExtCase {
    const char* name;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    VstIntPtr expected;
    friend std::ostream& operator<<(std::ostream& out, const ExtCase& c)
    {
        return out << c.name << " (opcode " << c.opcode << ")";
    }
};

class ExtOpcodeTest : public EffectBaseExtTest, public ::testing::WithParamInterface<ExtCase> {};

// Every extension opcode with a text buffer: the default answer, and the text left as it was.
TEST_P(ExtOpcodeTest, DefaultAnswerLeavesTheBufferUntouched)
{
    const ExtCase& c = GetParam();
    char text[64] = "1in2out";
    EXPECT_EQ(dispatch(c.opcode, c.index, c.value, text), c.expected);
    EXPECT_STREQ(text, "1in2out");
}

INSTANTIATE_TEST_SUITE_P(
    Opcodes, ExtOpcodeTest,
    ::testing::Values(ExtCase{"ProcessEvents", effProcessEvents, 0, 0, 0},
                      ExtCase{"CanBeAutomated", effCanBeAutomated, 0, 0, 1},
                      ExtCase{"CanBeAutomatedAnyIndex", effCanBeAutomated, 9999, 0, 1},
                      ExtCase{"String2Parameter", effString2Parameter, 0, 0, 0},
                      ExtCase{"NumProgramCategories", effGetNumProgramCategories, 0, 0, 1},
                      ExtCase{"ProgramNameIndexed", effGetProgramNameIndexed, 0, 0, 0},
                      ExtCase{"CopyProgram", effCopyProgram, 1, 0, 0},
                      ExtCase{"ConnectInput", effConnectInput, 0, 1, 1},
                      ExtCase{"ConnectOutput", effConnectOutput, 1, 0, 1},
                      ExtCase{"InputProperties", effGetInputProperties, 0, 0, 0},
                      ExtCase{"OutputProperties", effGetOutputProperties, 0, 0, 0},
                      ExtCase{"PlugCategory", effGetPlugCategory, 0, 0, 0},
                      ExtCase{"CurrentPosition", effGetCurrentPosition, 0, 0, 0},
                      ExtCase{"DestinationBuffer", effGetDestinationBuffer, 0, 0, 0},
                      ExtCase{"OfflineNotify", effOfflineNotify, 1, 2, 0},
                      ExtCase{"OfflinePrepare", effOfflinePrepare, 0, 2, 0},
                      ExtCase{"OfflineRun", effOfflineRun, 0, 2, 0},
                      ExtCase{"ProcessVarIo", effProcessVarIo, 0, 0, 0},
                      ExtCase{"SpeakerArrangement", effSetSpeakerArrangement, 0, 0, 0},
                      ExtCase{"Bypass", effSetBypass, 0, 1, 0},
                      ExtCase{"EffectName", effGetEffectName, 0, 0, 0},
                      ExtCase{"ErrorText", effGetErrorText, 0, 0, 0},
                      ExtCase{"VendorString", effGetVendorString, 0, 0, 0},
                      ExtCase{"ProductString", effGetProductString, 0, 0, 0},
                      ExtCase{"VendorVersion", effGetVendorVersion, 0, 0, 0},
                      ExtCase{"VendorSpecific", effVendorSpecific, 0, 0, 0},
                      ExtCase{"CanDo1in2out", effCanDo, 0, 0, 0},
                      ExtCase{"TailSize", effGetTailSize, 0, 0, 0},
                      ExtCase{"Idle", effIdle, 0, 0, 0},
                      ExtCase{"Icon", effGetIcon, 0, 0, 0},
                      ExtCase{"ViewPosition", effSetViewPosition, 10, 20, 0},
                      ExtCase{"ParameterProperties", effGetParameterProperties, 0, 0, 0},
                      ExtCase{"KeysRequired", effKeysRequired, 0, 0, 1},
                      ExtCase{"VstVersion", effGetVstVersion, 0, 0, 2},
                      ExtCase{"BelowTheExtension", effGetProgram, 0, 0, 0},
                      ExtCase{"AboveTheExtension", 59, 0, 0, 0}),
    [](const ::testing::TestParamInfo<ExtCase>& param) { return std::string(param.param.name); });

TEST_F(EffectBaseExtTest, OpcodesOutsideTheExtensionReachTheBase)
{
    EXPECT_EQ(dispatch(effIdentify), fourCharCode("NvEf"));
    dispatch(effMainsChanged, 0, 0);
    EXPECT_EQ(counters.suspends, 1);
}

TEST_F(EffectBaseExtTest, PointerOpcodesWithoutPointerAnswerZero)
{
    for (VstInt32 opcode : {effString2Parameter, effGetProgramNameIndexed, effGetInputProperties,
                            effGetOutputProperties, effGetEffectName, effGetVendorString,
                            effGetProductString, effCanDo, effGetParameterProperties})
        EXPECT_EQ(dispatch(opcode, 0, 0, nullptr), 0) << opcode;
}

TEST_F(EffectBaseExtTest, SynthFlagSetsTheCategory)
{
    effect->setFlagIsSynth(true);
    EXPECT_EQ(effect->getAEffect()->flags, effFlagsIsSynth);
    EXPECT_EQ(dispatch(effGetPlugCategory), 2);
    effect->setFlagIsSynth(false);
    EXPECT_EQ(dispatch(effGetPlugCategory), 0);
}

TEST_F(EffectBaseExtTest, ExtensionFlagsSetAndClear)
{
    effect->setFlagNoSoundInStop(true);
    effect->setFlagExtIsAsync(true);
    effect->setFlagExtHasBuffer(true);
    EXPECT_EQ(effect->getAEffect()->flags,
              effFlagsNoSoundInStop | effFlagsExtIsAsync | effFlagsExtHasBuffer);
    effect->setFlagExtIsAsync(false);
    EXPECT_EQ(effect->getAEffect()->flags, effFlagsNoSoundInStop | effFlagsExtHasBuffer);
}

// A subclass that reacts to setSampleRate is not told of a rate that arrives by opcode 43.
class RateWatcher : public TestEffect {
public:
    using TestEffect::TestEffect;
    void setSampleRate(float rate) override
    {
        ++rateCalls;
        TestEffect::setSampleRate(rate);
    }
    int rateCalls = 0;
};

TEST_F(EffectBaseExtTest, BlockSizeAndSampleRateAreStoredDirectly)
{
    EffectCounters watcherCounters;
    RateWatcher watcher(watcherCounters);
    AEffect* record = watcher.getAEffect();
    EXPECT_EQ(record->dispatcher(record, effSetBlockSizeAndSampleRate, 0, 512, nullptr, 48000.0f),
              1);
    EXPECT_EQ(watcher.getSampleRate(), 48000.0f);
    EXPECT_EQ(watcher.getBlockSize(), 512);
    EXPECT_EQ(watcher.rateCalls, 0);
}

TEST_F(EffectBaseExtTest, BlockSizeAndSampleRateRefuseUnusableValues)
{
    for (auto [size, rate] : {std::pair<VstIntPtr, float>{0, 48000.0f}, {-1, 48000.0f},
                              {VstIntPtr{1} << 40, 48000.0f}, {512, 0.0f},
                              {512, std::numeric_limits<float>::infinity()}}) {
        EXPECT_EQ(dispatch(effSetBlockSizeAndSampleRate, 0, size, nullptr, rate), 0);
        EXPECT_EQ(effect->getSampleRate(), 44100.0f);
        EXPECT_EQ(effect->getBlockSize(), 1024);
    }
}

TEST_F(EffectBaseExtTest, HostSampleRateAndBlockSizeComeFromWhatTheHostSends)
{
    FakeHost& host = FakeHost::instance();
    host.answers[audioMasterGetSampleRate] = 22050;
    host.answers[audioMasterGetBlockSize] = 77;
    host.duringCall = [](AEffect* record, VstInt32 opcode) {
        if (opcode == audioMasterGetSampleRate)
            record->dispatcher(record, effSetSampleRate, 0, 0, nullptr, 88200.0f);
        if (opcode == audioMasterGetBlockSize)
            record->dispatcher(record, effSetBlockSize, 0, 128, nullptr, 0.0f);
    };
    EXPECT_EQ(effect->hostGetSampleRate(), 88200.0f);
    EXPECT_EQ(effect->hostGetBlockSize(), 128);

    EffectCounters lonelyCounters;
    TestEffect lonely(lonelyCounters, nullptr);
    EXPECT_EQ(lonely.hostGetSampleRate(), 44100.0f);
    EXPECT_EQ(lonely.hostGetBlockSize(), 1024);
}

// Each host service: the opcode and arguments it sends, and how it reads the answer.
TEST_F(EffectBaseExtTest, HostServicesSendTheirArguments)
{
    FakeHost& host = FakeHost::instance();
    char text[64] = {};
    VstWindow window{};
    int marker = 0;
    auto last = [&host]() { return host.calls.back(); };

    effect->hostWantMidi(3);
    EXPECT_EQ(last().opcode, audioMasterWantMidi);
    EXPECT_EQ(last().value, 3);

    host.answers[audioMasterGetTime] = reinterpret_cast<VstIntPtr>(&marker);
    EXPECT_EQ(effect->hostGetTime(0x200), &marker);
    EXPECT_EQ(last().value, 0x200);

    effect->hostSizeWindow(300, 120);
    EXPECT_EQ(last().opcode, audioMasterSizeWindow);
    EXPECT_EQ(last().index, 300);
    EXPECT_EQ(last().value, 120);

    effect->hostOfflineStart(&marker, 4, 2);
    EXPECT_EQ(last().opcode, audioMasterOfflineStart);
    EXPECT_EQ(last().index, 2);
    EXPECT_EQ(last().value, 4);
    EXPECT_EQ(last().ptr, &marker);

    effect->hostOfflineRead(&marker, 5, true);
    EXPECT_EQ(last().opcode, audioMasterOfflineRead);
    EXPECT_EQ(last().index, 1);
    EXPECT_EQ(last().value, 5);

    effect->hostSetOutputSampleRate(32000.0f);
    EXPECT_EQ(last().opcode, audioMasterSetOutputSampleRate);
    EXPECT_EQ(last().opt, 32000.0f);

    effect->hostGetSpeakerArrangement(&marker, text);
    EXPECT_EQ(last().opcode, audioMasterGetSpeakerArrangement);
    EXPECT_EQ(last().value, reinterpret_cast<VstIntPtr>(&marker));
    EXPECT_EQ(last().ptr, text);

    effect->hostVendorSpecific(7, 8, &marker, 0.5f);
    EXPECT_EQ(last().opcode, audioMasterVendorSpecific);
    EXPECT_EQ(last().index, 7);
    EXPECT_EQ(last().value, 8);
    EXPECT_EQ(last().opt, 0.5f);

    host.answers[audioMasterOpenWindow] = 0x1234;
    EXPECT_EQ(effect->hostOpenWindow(&window), reinterpret_cast<void*>(0x1234));
    EXPECT_EQ(last().ptr, &window);
    EXPECT_FALSE(effect->hostCloseWindow(&window));
    EXPECT_EQ(last().opcode, audioMasterCloseWindow);

    effect->hostGetPreviousPlug(5);
    EXPECT_EQ(last().opcode, audioMasterGetPreviousPlug);
    EXPECT_EQ(last().index, 0);
    for (const HostCall& call : host.calls)
        EXPECT_EQ(call.effect, effect->getAEffect());
}

TEST_F(EffectBaseExtTest, BooleanServicesReadAnyNonZeroAnswerAsTrue)
{
    FakeHost& host = FakeHost::instance();
    EXPECT_EQ(effect->hostCanDo("sizeWindow"), 0);
    host.answers[audioMasterCanDo] = -1;
    EXPECT_EQ(effect->hostCanDo("sizeWindow"), 1);
    EXPECT_STREQ(static_cast<const char*>(host.calls.back().ptr), "sizeWindow");
    host.answers[audioMasterCanDo] = 5;
    EXPECT_EQ(effect->hostCanDo("offline"), 1);

    host.answers[audioMasterOfflineGetCurrentPass] = 9;
    EXPECT_EQ(effect->hostOfflineGetCurrentPass(), 1);
    host.answers[audioMasterIOChanged] = 2;
    EXPECT_TRUE(effect->hostIOChanged());
    EXPECT_FALSE(effect->hostNeedIdle());
    host.answers[audioMasterUpdateDisplay] = 1;
    EXPECT_TRUE(effect->hostUpdateDisplay());
}

TEST_F(EffectBaseExtTest, ServicesWithoutHostAnswerNothing)
{
    EffectCounters lonelyCounters;
    TestEffect lonely(lonelyCounters, nullptr);
    char text[8] = "keep";
    EXPECT_EQ(lonely.hostGetTime(0), nullptr);
    EXPECT_EQ(lonely.hostCanDo("offline"), 0);
    EXPECT_FALSE(lonely.hostGetVendorString(text));
    EXPECT_STREQ(text, "keep");
    EXPECT_EQ(lonely.hostOpenWindow(nullptr), nullptr);
    EXPECT_EQ(lonely.hostGetDirectory(), nullptr);
    EXPECT_EQ(lonely.hostGetLanguage(), 0);
    EXPECT_TRUE(FakeHost::instance().calls.empty());
}

} // namespace
