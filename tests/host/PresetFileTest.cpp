// Preset files in memory: the byte layout other hosts read, every malformed file refused with its
// reason, and presets handed to loaded plug-ins (ours and a careless fake) refused without
// changing them.
#include "PluginPreset.h"
#include "PresetFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

std::uint32_t wordAt(const std::vector<char>& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes.at(at + i));
    return value;
}

void setWord(std::vector<char>& bytes, std::size_t at, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes.at(at + i) = static_cast<char>((value >> (24 - 8 * i)) & 0xff);
}

std::uint32_t bits(float value)
{
    std::uint32_t word;
    std::memcpy(&word, &value, sizeof word);
    return word;
}

constexpr VstInt32 ombrisk = 0x4f6d6245;  // 'OmbE'

PresetFile programValues()
{
    PresetFile preset;
    preset.pluginId = ombrisk;
    preset.pluginVersion = 3;
    preset.numParams = 3;
    preset.programs = {{"Slap", {0.25f, 1.0f, 0.0f}}};
    return preset;
}

PresetFile programChunk()
{
    PresetFile preset = programValues();
    preset.chunkForm = true;
    preset.programs = {{"Chunky", {}}};
    preset.chunk = {'a', 'b', 'c', '\0', 'e'};
    return preset;
}

PresetFile bankValues()
{
    PresetFile preset = programValues();
    preset.kind = PresetFile::Kind::bank;
    preset.formatVersion = 2;
    preset.numPrograms = 2;
    preset.currentProgram = 1;
    preset.programs = {{"One", {0.1f, 0.2f, 0.3f}}, {"Two", {0.4f, 0.5f, 0.6f}}};
    return preset;
}

PresetFile bankChunk()
{
    PresetFile preset = bankValues();
    preset.chunkForm = true;
    preset.programs.clear();
    preset.chunk = std::vector<char>(1000, 'x');
    return preset;
}

struct Form {
    const char* name;
    PresetFile (*make)();
};

const Form forms[] = {
    {"ProgramValues", programValues}, {"ProgramChunk", programChunk},
    {"BankValues", bankValues},       {"BankChunk", bankChunk},
};

void PrintTo(const Form& form, std::ostream* out)
{
    *out << form.name;
}

class EveryForm : public testing::TestWithParam<Form> {};

TEST_P(EveryForm, DecodesWhatItEncodes)
{
    const PresetFile preset = GetParam().make();
    std::string error;
    const auto decoded = decodePreset(encodePreset(preset), error);
    ASSERT_TRUE(decoded) << error;
    EXPECT_EQ(decoded->kind, preset.kind);
    EXPECT_EQ(decoded->chunkForm, preset.chunkForm);
    EXPECT_EQ(decoded->pluginId, preset.pluginId);
    EXPECT_EQ(decoded->pluginVersion, preset.pluginVersion);
    if (!(preset.kind == PresetFile::Kind::bank && preset.chunkForm)) {
        EXPECT_EQ(decoded->numParams, preset.numParams);  // a bank's chunk has no count of its own
    }
    EXPECT_EQ(decoded->numPrograms, preset.numPrograms);
    if (preset.kind == PresetFile::Kind::bank) {
        EXPECT_EQ(decoded->currentProgram, preset.currentProgram);
    }
    ASSERT_EQ(decoded->programs.size(), preset.programs.size());
    for (std::size_t i = 0; i < preset.programs.size(); ++i) {
        EXPECT_EQ(decoded->programs[i].name, preset.programs[i].name);
        EXPECT_EQ(decoded->programs[i].values, preset.programs[i].values);
    }
    EXPECT_EQ(decoded->chunk, preset.chunk);
}

// Every file cut short anywhere is refused as truncated, without reading past its end.
TEST_P(EveryForm, RefusesEveryTruncation)
{
    const std::vector<char> whole = encodePreset(GetParam().make());
    for (std::size_t size = 0; size < whole.size(); ++size) {
        const std::vector<char> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        std::string error;
        EXPECT_FALSE(decodePreset(cut, error)) << size << " bytes";
        EXPECT_NE(error.find("truncated"), std::string::npos) << size << " bytes: " << error;
    }
}

INSTANTIATE_TEST_SUITE_P(Preset, EveryForm, testing::ValuesIn(forms),
                         [](const auto& param) { return std::string(param.param.name); });

// The layout other hosts read: big-endian words at fixed places.
TEST(PresetLayout, ProgramOfValues)
{
    const std::vector<char> bytes = encodePreset(programValues());
    ASSERT_EQ(bytes.size(), 56u + 3 * 4);
    EXPECT_EQ(std::string(bytes.data(), 4), "CcnK");
    EXPECT_EQ(wordAt(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(std::string(bytes.data() + 8, 4), "FxCk");
    EXPECT_EQ(wordAt(bytes, 12), 1u);
    EXPECT_EQ(wordAt(bytes, 16), static_cast<std::uint32_t>(ombrisk));
    EXPECT_EQ(wordAt(bytes, 20), 3u);
    EXPECT_EQ(wordAt(bytes, 24), 3u);
    EXPECT_EQ(std::string(bytes.data() + 28, 28), std::string("Slap") + std::string(24, '\0'));
    EXPECT_EQ(wordAt(bytes, 56), bits(0.25f));
    EXPECT_EQ(wordAt(bytes, 60), bits(1.0f));
}

TEST(PresetLayout, BankOfChunk)
{
    const std::vector<char> bytes = encodePreset(bankChunk());
    ASSERT_EQ(bytes.size(), 160u + 1000);
    EXPECT_EQ(wordAt(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(std::string(bytes.data() + 8, 4), "FBCh");
    EXPECT_EQ(wordAt(bytes, 12), 2u);
    EXPECT_EQ(wordAt(bytes, 24), 2u);   // programs
    EXPECT_EQ(wordAt(bytes, 28), 1u);   // current program
    EXPECT_EQ(wordAt(bytes, 156), 1000u);
    EXPECT_EQ(bytes[160], 'x');
}

TEST(PresetLayout, BankOfValuesHoldsWholePrograms)
{
    const std::vector<char> bytes = encodePreset(bankValues());
    ASSERT_EQ(bytes.size(), 156u + 2 * (56 + 12));
    EXPECT_EQ(std::string(bytes.data() + 8, 4), "FxBk");
    EXPECT_EQ(std::string(bytes.data() + 156, 4), "CcnK");
    EXPECT_EQ(wordAt(bytes, 160), 56u + 12 - 8);
    EXPECT_EQ(std::string(bytes.data() + 164, 4), "FxCk");
    EXPECT_EQ(std::string(bytes.data() + 184, 3), "One");
    EXPECT_EQ(wordAt(bytes, 156 + 68 + 56), bits(0.4f));
}

// A name of more than 27 characters keeps its first 27 and its terminator.
TEST(PresetLayout, LongNamesAreCutToTheField)
{
    PresetFile preset = programValues();
    preset.programs[0].name = std::string(40, 'n');
    std::string error;
    const auto decoded = decodePreset(encodePreset(preset), error);
    ASSERT_TRUE(decoded) << error;
    EXPECT_EQ(decoded->programs[0].name, std::string(27, 'n'));
}

struct Damage {
    const char* name;
    PresetFile (*make)();
    void (*spoil)(std::vector<char>&);
    const char* reason;
};

void PrintTo(const Damage& damage, std::ostream* out)
{
    *out << damage.name;
}

const Damage damages[] = {
    {"WrongMagic", programValues, [](std::vector<char>& b) { b[0] = 'X'; }, "begins with 'XcnK', not 'CcnK'"},
    {"UnknownKind", programValues, [](std::vector<char>& b) { b[8] = 'Q'; }, "unknown kind 'QxCk'"},
    {"LaterVersion", bankValues, [](std::vector<char>& b) { setWord(b, 12, 3); }, "format version 3"},
    {"TrailingBytes", programValues, [](std::vector<char>& b) { b.push_back('\0'); }, "follow the end"},
    {"SizeBeyondValues", programValues,
     [](std::vector<char>& b) {
         b.insert(b.end(), 4, '\0');
         setWord(b, 4, static_cast<std::uint32_t>(b.size() - 8));
     },
     "follow its contents"},
    {"NegativeParameters", programValues, [](std::vector<char>& b) { setWord(b, 24, 0xffffffff); }, "-1 parameters"},
    {"HugeProgramCount", bankValues, [](std::vector<char>& b) { setWord(b, 24, 0x7fffffff); }, "truncated"},
    {"HugeChunk", programChunk, [](std::vector<char>& b) { setWord(b, 56, 0xfffffff0); }, "truncated"},
    {"ChunkInsideValueBank", bankValues, [](std::vector<char>& b) { std::memcpy(b.data() + 164, "FPCh", 4); },
     "program 0 of the bank is 'FPCh'"},
    {"ProgramOfAnotherPlugin", bankValues, [](std::vector<char>& b) { b[156 + 68 + 16] = 'X'; },
     "program 1 of the bank is for plug-in 'XmbE'"},
    {"ProgramsOfDifferentSizes", bankValues,
     [](std::vector<char>& b) {
         // The second program loses its last value and says so.
         b.resize(b.size() - 4);
         setWord(b, 4, static_cast<std::uint32_t>(b.size() - 8));
         setWord(b, 156 + 68 + 4, 56 + 8 - 8);
         setWord(b, 156 + 68 + 24, 2);
     },
     "program 1 of the bank has 2 parameters, program 0 has 3"},
};

class DamagedPreset : public testing::TestWithParam<Damage> {};

TEST_P(DamagedPreset, IsRefusedWithItsReason)
{
    std::vector<char> bytes = encodePreset(GetParam().make());
    GetParam().spoil(bytes);
    std::string error;
    EXPECT_FALSE(decodePreset(bytes, error));
    EXPECT_NE(error.find(GetParam().reason), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(Preset, DamagedPreset, testing::ValuesIn(damages),
                         [](const auto& param) { return std::string(param.param.name); });

std::unique_ptr<PluginLoader> load(const char* path)
{
    std::string error;
    auto plugin = PluginLoader::open(path, error);
    EXPECT_NE(plugin, nullptr) << error;
    if (plugin != nullptr)
        plugin->dispatch(effOpen);
    return plugin;
}

std::vector<char> stateOf(PluginLoader& plugin)
{
    void* data = nullptr;
    const VstIntPtr size = plugin.dispatch(effGetChunk, 0, 0, &data);
    const char* bytes = static_cast<const char*>(data);
    return size > 0 && bytes != nullptr ? std::vector<char>(bytes, bytes + size) : std::vector<char>();
}

// A chunk the plug-in refuses is an error, and the plug-in holds what it held before, even
// one that took part of the chunk before refusing it.
TEST(PluginPreset, RefusedChunkLeavesThePluginAsItWas)
{
    const auto vorlane = load(VORLANE_PLUGIN);
    ASSERT_NE(vorlane, nullptr);
    vorlane->effect()->setParameter(vorlane->effect(), 1, 0.8f);
    const std::vector<char> before = stateOf(*vorlane);
    std::string error;
    auto preset = capturePreset(*vorlane, PresetFile::Kind::program, error);
    ASSERT_TRUE(preset) << error;
    preset->chunk[0] = 'W';
    EXPECT_FALSE(applyPreset(*vorlane, *preset, error));
    EXPECT_NE(error.find("refused the preset's chunk (61 bytes)"), std::string::npos) << error;
    EXPECT_EQ(stateOf(*vorlane), before);

    const auto careless = load(FAKE_CARELESS_CHUNK);
    ASSERT_NE(careless, nullptr);
    AEffect* fake = careless->effect();
    fake->setParameter(fake, 0, 0.25f);
    preset = capturePreset(*careless, PresetFile::Kind::program, error);
    ASSERT_TRUE(preset) << error;
    const float louder = 0.9f;
    std::memcpy(preset->chunk.data() + 4, &louder, sizeof louder);
    preset->chunk.push_back('\0');
    EXPECT_FALSE(applyPreset(*careless, *preset, error));
    EXPECT_EQ(fake->getParameter(fake, 0), 0.25f);
}

// A preset that is not the plug-in's is refused before the plug-in is touched.
TEST(PluginPreset, MismatchIsRefusedBeforeAnythingChanges)
{
    const auto plugin = load(OMBRISK_PLUGIN);
    ASSERT_NE(plugin, nullptr);
    AEffect* effect = plugin->effect();
    plugin->dispatch(effSetProgram, 0, 2);
    effect->setParameter(effect, 1, 0.75f);
    std::string error;
    const auto own = capturePreset(*plugin, PresetFile::Kind::bank, error);
    ASSERT_TRUE(own) << error;

    struct Case {
        const char* what;
        void (*spoil)(PresetFile&);
        const char* reason;
    } cases[] = {
        {"another plug-in", [](PresetFile& p) { p.pluginId = 0x566f7245; },
         "a preset for the plug-in 'VorE' (0x566f7245), not for this one, 'OmbE' (0x4f6d6245)"},
        {"fewer programs", [](PresetFile& p) { p.programs.pop_back(); p.numPrograms = 15; },
         "a bank of 15 programs, the plug-in has 16 programs"},
        {"fewer parameters",
         [](PresetFile& p) {
             for (auto& program : p.programs)
                 program.values.pop_back();
             p.numParams = 7;
         },
         "values of 7 parameters, the plug-in has 8 parameters"},
        {"a chunk", [](PresetFile& p) { p.chunkForm = true; p.chunk = {'x'}; },
         "does not save its state as chunks"},
    };
    for (const Case& c : cases) {
        PresetFile preset = *own;
        c.spoil(preset);
        for (auto& program : preset.programs)
            std::fill(program.values.begin(), program.values.end(), 0.125f);
        EXPECT_FALSE(applyPreset(*plugin, preset, error)) << c.what;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
        EXPECT_EQ(plugin->dispatch(effGetProgram), 2) << c.what;
        const auto now = capturePreset(*plugin, PresetFile::Kind::bank, error);
        ASSERT_TRUE(now);
        for (std::size_t i = 0; i < own->programs.size(); ++i)
            EXPECT_EQ(now->programs[i].values, own->programs[i].values) << c.what << ", program " << i;
    }
}

// A bank of values fills every program with its name and selects the bank's current one.
TEST(PluginPreset, BankOfValuesFillsEveryProgram)
{
    const auto plugin = load(OMBRISK_PLUGIN);
    ASSERT_NE(plugin, nullptr);
    std::string error;
    auto bank = capturePreset(*plugin, PresetFile::Kind::bank, error);
    ASSERT_TRUE(bank) << error;
    for (std::size_t i = 0; i < bank->programs.size(); ++i) {
        bank->programs[i].name = "Program " + std::to_string(i);
        bank->programs[i].values[1] = static_cast<float>(i) / 16.0f;
    }
    bank->currentProgram = 5;
    ASSERT_TRUE(applyPreset(*plugin, *bank, error)) << error;
    EXPECT_EQ(plugin->dispatch(effGetProgram), 5);
    AEffect* effect = plugin->effect();
    EXPECT_EQ(effect->getParameter(effect, 1), 5.0f / 16.0f);
    for (VstInt32 i = 0; i < 16; ++i) {
        plugin->dispatch(effSetProgram, 0, i);
        EXPECT_EQ(effectText(*plugin, effGetProgramName), "Program " + std::to_string(i));
        EXPECT_EQ(effect->getParameter(effect, 1), static_cast<float>(i) / 16.0f);
    }
}

} // namespace
