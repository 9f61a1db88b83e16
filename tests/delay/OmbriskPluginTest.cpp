#include <dlfcn.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>

#include "OmbriskFixture.h"

namespace {

class OmbriskPluginTest : public OmbriskFixture {};

TEST_F(OmbriskPluginTest, RecordDescribesAMonoInStereoOutDelay)
{
    EXPECT_EQ(effect->magic, fourCharCode("VstP"));
    EXPECT_EQ(effect->uniqueID, fourCharCode("OmbE"));
    EXPECT_EQ(effect->numInputs, 1);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->numPrograms, 16);
    EXPECT_EQ(effect->numParams, 8);
    EXPECT_EQ(effect->flags, effFlagsHasEditor | effFlagsHasVu | effFlagsCanReplacing);
    EXPECT_EQ(effect->ioRatio, 1.0f);
    EXPECT_EQ(effect->version, 1);
    EXPECT_EQ(effect->initialDelay, 0);
}

TEST(OmbriskEntryTest, HostVersionZeroGetsNoPlugin)
{
    std::string error;
    EXPECT_EQ(PluginLoader::open(OMBRISK_PATH, error, 0), nullptr);
    auto older = PluginLoader::open(OMBRISK_PATH, error, 2);
    ASSERT_TRUE(older) << error;
    EXPECT_EQ(older->effect()->magic, fourCharCode("VstP"));
}

TEST(OmbriskEntryTest, BothEntryNamesAreTheSameFunction)
{
    void* library = dlopen(OMBRISK_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    void* modern = dlsym(library, "VSTPluginMain");
    void* legacy = dlsym(library, "main");
    EXPECT_NE(modern, nullptr);
    EXPECT_EQ(modern, legacy);
    // Nothing else of the framework is visible from outside.
    EXPECT_EQ(dlsym(library, "moduleInstance"), nullptr);
    EXPECT_EQ(dlsym(library, "constructionFailed"), nullptr);
    dlclose(library);
}

// A scanning host asks for the category before effOpen, then closes without opening.
TEST(OmbriskEntryTest, ScanWithoutOpenWorks)
{
    std::string error;
    auto scan = PluginLoader::open(OMBRISK_PATH, error);
    ASSERT_TRUE(scan) << error;
    EXPECT_EQ(scan->dispatch(effGetPlugCategory), 0);
    EXPECT_EQ(scan->dispatch(effGetVstVersion), 2);
    char name[64] = "";
    scan->dispatch(effGetParamName, 1, 0, name);
    EXPECT_STREQ(name, "fiidbk");
    scan->close();
    EXPECT_EQ(scan->effect(), nullptr);
}

struct OpcodeCase {
    const char* name;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    VstIntPtr expected;
    friend std::ostream& operator<<(std::ostream& out, const OpcodeCase& c) { return out << c.name; }
};

class OmbriskOpcodeTest : public OmbriskFixture, public ::testing::WithParamInterface<OpcodeCase> {
};

TEST_P(OmbriskOpcodeTest, AnswersAndLeavesTextUntouched)
{
    const OpcodeCase& c = GetParam();
    char buffer[64] = "1in2out";
    EXPECT_EQ(plugin->dispatch(c.opcode, c.index, c.value, buffer), c.expected);
    EXPECT_STREQ(buffer, "1in2out");
}

INSTANTIATE_TEST_SUITE_P(
    Opcodes, OmbriskOpcodeTest,
    ::testing::Values(OpcodeCase{"Identify", effIdentify, 0, 0, fourCharCode("NvEf")},
                      OpcodeCase{"GetChunk", effGetChunk, 0, 0, 0},
                      OpcodeCase{"EditDraw", effEditDraw, 0, 0, 0},
                      OpcodeCase{"EditMouse", effEditMouse, 0, 0, 0},
                      OpcodeCase{"EditKey", effEditKey, 0, 0, 0},
                      OpcodeCase{"EditTop", effEditTop, 0, 0, 0},
                      OpcodeCase{"EditSleep", effEditSleep, 0, 0, 0},
                      OpcodeCase{"CanBeAutomated", effCanBeAutomated, 5, 0, 1},
                      OpcodeCase{"String2Parameter", effString2Parameter, 0, 0, 0},
                      OpcodeCase{"NumProgramCategories", effGetNumProgramCategories, 0, 0, 1},
                      OpcodeCase{"ProgramNameIndexed", effGetProgramNameIndexed, 0, 0, 0},
                      OpcodeCase{"ConnectInput", effConnectInput, 0, 1, 1},
                      OpcodeCase{"ConnectOutput", effConnectOutput, 1, 1, 1},
                      OpcodeCase{"PlugCategory", effGetPlugCategory, 0, 0, 0},
                      OpcodeCase{"Bypass", effSetBypass, 0, 1, 0},
                      OpcodeCase{"EffectName", effGetEffectName, 0, 0, 0},
                      OpcodeCase{"VendorString", effGetVendorString, 0, 0, 0},
                      OpcodeCase{"ProductString", effGetProductString, 0, 0, 0},
                      OpcodeCase{"VendorVersion", effGetVendorVersion, 0, 0, 0},
                      OpcodeCase{"CanDo1in2out", effCanDo, 0, 0, 0},
                      OpcodeCase{"TailSize", effGetTailSize, 0, 0, 0},
                      OpcodeCase{"KeysRequired", effKeysRequired, 0, 0, 1},
                      OpcodeCase{"VstVersion", effGetVstVersion, 0, 0, 2},
                      OpcodeCase{"BeyondTheTable", 59, 0, 0, 0}),
    [](const ::testing::TestParamInfo<OpcodeCase>& param) { return std::string(param.param.name); });

TEST_F(OmbriskPluginTest, BlockSizeAndSampleRateTogether)
{
    EXPECT_EQ(plugin->dispatch(effSetBlockSizeAndSampleRate, 0, 512, nullptr, 48000.0f), 1);
}

TEST_F(OmbriskPluginTest, ProgramNamesNumberTheInitPrograms)
{
    EXPECT_EQ(text(effGetProgramName), "Init 1");
    plugin->dispatch(effSetProgram, 0, 15);
    EXPECT_EQ(plugin->dispatch(effGetProgram), 15);
    EXPECT_EQ(text(effGetProgramName), "Init 16");
    plugin->dispatch(effSetProgram, 0, 16);
    plugin->dispatch(effSetProgram, 0, -1);
    EXPECT_EQ(plugin->dispatch(effGetProgram), 15);
}

TEST_F(OmbriskPluginTest, RenamedProgramKeepsItsName)
{
    plugin->dispatch(effSetProgram, 0, 3);
    char name[] = "Tape echo";
    plugin->dispatch(effSetProgramName, 0, 0, name);
    EXPECT_EQ(text(effGetProgramName), "Tape echo");
    plugin->dispatch(effSetProgram, 0, 4);
    EXPECT_EQ(text(effGetProgramName), "Init 5");
    plugin->dispatch(effSetProgram, 0, 3);
    EXPECT_EQ(text(effGetProgramName), "Tape echo");

    char init[] = "Init";
    plugin->dispatch(effSetProgramName, 0, 0, init);
    EXPECT_EQ(text(effGetProgramName), "Init 4");
}

TEST_F(OmbriskPluginTest, LongProgramNameIsCutTo23Characters)
{
    char name[] = "A very long name for a delay program";
    plugin->dispatch(effSetProgramName, 0, 0, name);
    EXPECT_EQ(text(effGetProgramName), "A very long name for a ");
    char exact[] = "Exactly twenty-three ch";
    plugin->dispatch(effSetProgramName, 0, 0, exact);
    EXPECT_EQ(text(effGetProgramName), "Exactly twenty-three ch");
}

TEST_F(OmbriskPluginTest, ProgramsKeepTheirOwnValues)
{
    set(2, 0.25f);
    plugin->dispatch(effSetProgram, 0, 1);
    EXPECT_EQ(get(2), 1.0f);
    set(2, 0.75f);
    plugin->dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(get(2), 0.25f);
    plugin->dispatch(effSetProgram, 0, 1);
    EXPECT_EQ(get(2), 0.75f);
}

struct ParamCase {
    VstInt32 index;
    const char* name;
    const char* label;
    const char* display;
    float value;
};

class OmbriskParamTest : public OmbriskFixture, public ::testing::WithParamInterface<ParamCase> {};

TEST_P(OmbriskParamTest, DefaultsAndTexts)
{
    const ParamCase& c = GetParam();
    EXPECT_EQ(get(c.index), c.value);
    EXPECT_EQ(text(effGetParamName, c.index), c.name);
    EXPECT_EQ(text(effGetParamLabel, c.index), c.label);
    EXPECT_EQ(text(effGetParamDisplay, c.index), c.display);
}

INSTANTIATE_TEST_SUITE_P(Parameters, OmbriskParamTest,
                         ::testing::Values(ParamCase{0, " delay  ", "bpm ", "    117", 0.5f},
                                           ParamCase{1, "fiidbk", " <-<- ", "0.500000", 0.5f},
                                           ParamCase{2, " volume ", " ->-> ", "0.000000", 1.0f},
                                           ParamCase{3, " div ", "/ x ", "      1", 0.0f},
                                           ParamCase{4, " mult ", "* x", "      1", 0.0f},
                                           ParamCase{5, "outpos<-", ".!.", "      0", 0.0f},
                                           ParamCase{6, "reverse", "reverse", "      0", 0.0f},
                                           ParamCase{7, "norm/alt", "rev type", "      0", 0.0f},
                                           ParamCase{8, "untouched", "untouched", "untouched",
                                                     0.0f},
                                           ParamCase{-1, "untouched", "untouched", "untouched",
                                                     0.0f}));

struct DisplayCase {
    std::vector<std::pair<VstInt32, float>> settings;
    VstInt32 index;
    const char* display;
};

class OmbriskDisplayTest : public OmbriskFixture,
                           public ::testing::WithParamInterface<DisplayCase> {};

TEST_P(OmbriskDisplayTest, ShowsTheEngineValue)
{
    for (auto [index, value] : GetParam().settings)
        set(index, value);
    EXPECT_EQ(text(effGetParamDisplay, GetParam().index), GetParam().display);
}

INSTANTIATE_TEST_SUITE_P(
    Displays, OmbriskDisplayTest,
    ::testing::Values(DisplayCase{{{2, 0.0f}}, 2, "  -oo   "},
                      DisplayCase{{{2, 0.5f}}, 2, "-6.02059"},
                      DisplayCase{{{1, 0.25f}}, 1, "0.250000"},
                      DisplayCase{{{0, 1.0f}}, 0, "    180"},
                      DisplayCase{{{0, 0.0f}}, 0, "     55"},
                      DisplayCase{{{0, 0.52f}}, 0, "    119"},
                      DisplayCase{{{0, std::nextafter(0.52f, 1.0f)}}, 0, "    120"},
                      DisplayCase{{{3, 1.0f}}, 3, "     32"},
                      DisplayCase{{{4, 1.0f}}, 4, "     16"},
                      DisplayCase{{{5, 1.0f}}, 5, "     32"},
                      DisplayCase{{{6, 1.0f}}, 6, "      1"},
                      DisplayCase{{{7, 1.0f}, {6, 1.0f}}, 6, "      2"},
                      DisplayCase{{{6, 1.0f}, {7, 1.0f}}, 6, "      2"},
                      DisplayCase{{{6, 1.0f}, {7, 1.0f}, {7, 0.0f}}, 6, "      1"},
                      DisplayCase{{{7, 1.0f}}, 6, "      0"},
                      DisplayCase{{{7, 1.0f}}, 7, "      1"}));

TEST_F(OmbriskPluginTest, ValuesOutsideTheRangeAreClamped)
{
    set(0, 2.5f);
    EXPECT_EQ(get(0), 1.0f);
    EXPECT_EQ(text(effGetParamDisplay, 0), "    180");
    set(3, -4.0f);
    EXPECT_EQ(get(3), 0.0f);
    EXPECT_EQ(text(effGetParamDisplay, 3), "      1");
    set(6, 7.0f);
    EXPECT_EQ(text(effGetParamDisplay, 6), "      1");
    // The stored program value is the clamped one too.
    plugin->dispatch(effSetProgram, 0, 1);
    plugin->dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(get(0), 1.0f);
}

TEST_F(OmbriskPluginTest, NonFiniteValuesAreIgnored)
{
    set(1, 0.25f);
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                      -std::numeric_limits<float>::infinity()}) {
        set(1, bad);
        set(0, bad);
        EXPECT_EQ(get(1), 0.25f);
        EXPECT_EQ(get(0), 0.5f);
    }
    EXPECT_EQ(text(effGetParamDisplay, 0), "    117");
}

TEST_F(OmbriskPluginTest, IndicesBeyondTheParametersChangeNothing)
{
    set(8, 0.3f);
    set(-1, 0.3f);
    set(1000000, 0.3f);
    EXPECT_EQ(get(8), 0.0f);
    EXPECT_EQ(get(-1), 0.0f);
    for (VstInt32 i = 0; i < 8; ++i)
        EXPECT_NE(get(i), 0.3f);
}

} // namespace
