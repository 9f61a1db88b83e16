// Preset files through plughost: saved after one render and loaded for the next, from our
// plug-ins and from other makers' (their chunks), what info shows of them, and every refusal
// naming the file and its reason with nothing written.
#include "HostTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <regex>
#include <sstream>

namespace {

Sound phrase()
{
    Sound sound {44100, 2, {}};
    for (long f = 0; f < 10000; ++f) {
        const double t = static_cast<double>(f) / 44100.0;
        const double envelope = std::exp(-5.0 * t);
        sound.samples.push_back(static_cast<float>(0.7 * envelope * std::sin(2.0 * M_PI * 220.0 * t)));
        sound.samples.push_back(static_cast<float>(0.5 * envelope * std::sin(2.0 * M_PI * 330.0 * t)));
    }
    return sound;
}

// Renders run on long enough for Ombrisk's echoes of a bar to come back.
CommandResult plughost(std::vector<std::string> arguments)
{
    if (arguments[0] == "process") {
        arguments.push_back("--tail");
        arguments.push_back("2.5");
    }
    arguments.insert(arguments.begin(), PLUGHOST);
    return runCommand(arguments);
}

struct RoundTrip {
    const char* name;
    std::string plugin;
    std::string file;                   // the preset's name, .fxp or .fxb
    std::vector<std::string> settings;  // what the first render sets before saving
};

void PrintTo(const RoundTrip& trip, std::ostream* out)
{
    *out << trip.name;
}

std::vector<RoundTrip> roundTrips()
{
    std::vector<RoundTrip> trips {
        {"OmbriskProgram", OMBRISK_PLUGIN, "echo.fxp", {"--program", "2", "--param", "1=0.8", "--param", "3=0.1"}},
        // The bank remembers that program 3 was the current one.
        {"OmbriskBank", OMBRISK_PLUGIN, "bank.fxb", {"--program", "3", "--param", "0=0.2", "--param", "6=1"}},
        {"VorlaneProgram", VORLANE_PLUGIN, "warm.fxp", {"--param", "1=0.9", "--param", "5=1", "--param", "7=0.3"}},
        {"VorlaneBank", VORLANE_PLUGIN, "warm.fxb", {"--param", "3=0.2", "--param", "7=0.6"}},
    };
#ifdef THIRD_PARTY_PLUGINS
    trips.push_back({"LspCompDelayProgram", packageFile("lsp-plugins-vst", "/comp-delay-mono.so"), "delay.fxp",
                     {"--param", "3=0.4", "--param", "8=0.7"}});
    trips.push_back({"DragonflyPlateBank", packageFile("dragonfly-reverb-vst", "/DragonflyPlateReverb-vst.so"),
                     "plate.fxb", {"--param", "0=0.3", "--param", "3=0.9"}});
#endif
    return trips;
}

class PresetRoundTrip : public testing::TestWithParam<RoundTrip> {};

// The preset saved after a render with some settings reproduces that render in a fresh
// instance, and saving it again from there gives the same file.
TEST_P(PresetRoundTrip, ReproducesTheRender)
{
    const RoundTrip& trip = GetParam();
    ASSERT_FALSE(trip.plugin.empty()) << "not installed (tools/setup.sh installs it)";
    ScratchFolder dir;
    ASSERT_TRUE(writeSound(dir / "in.wav", phrase()));
    const std::string in = (dir / "in.wav").string();
    const std::string preset = (dir / trip.file).string();
    std::vector<std::string> first {"process", trip.plugin, in, (dir / "first.wav").string(), "--save-preset", preset};
    first.insert(first.end(), trip.settings.begin(), trip.settings.end());
    auto result = plughost(first);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string saved = readText(preset);
    ASSERT_GE(saved.size(), 60u);
    EXPECT_EQ(saved.substr(0, 4), "CcnK");

    result = plughost({"process", trip.plugin, in, (dir / "again.wav").string(), "--preset", preset, "--save-preset",
                       (dir / ("again-" + trip.file)).string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    result = plughost({"process", trip.plugin, in, (dir / "plain.wav").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Sound firstSound = readSound(dir / "first.wav");
    const Sound again = readSound(dir / "again.wav");
    ASSERT_GT(firstSound.frames(), 0);
    EXPECT_EQ(again.samples, firstSound.samples);
    EXPECT_NE(readSound(dir / "plain.wav").samples, firstSound.samples) << "the settings should change the sound";
    EXPECT_EQ(readText(dir / ("again-" + trip.file)), saved);
}

INSTANTIATE_TEST_SUITE_P(Plugins, PresetRoundTrip, testing::ValuesIn(roundTrips()),
                         [](const auto& param) { return std::string(param.param.name); });

// A program goes into the program --program selects; a bank is loaded before --program picks
// one of its programs.
TEST(PresetOrder, ProgramGoesIntoTheSelectedProgram)
{
    ScratchFolder dir;
    ASSERT_TRUE(writeSound(dir / "in.wav", phrase()));
    const std::string in = (dir / "in.wav").string();
    auto result = plughost({"process", OMBRISK_PLUGIN, in, (dir / "set.wav").string(), "--param", "3=0.3",
                            "--save-preset", (dir / "one.fxp").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    result = plughost({"process", OMBRISK_PLUGIN, in, (dir / "x.wav").string(), "--program", "7", "--preset",
                       (dir / "one.fxp").string(), "--save-preset", (dir / "bank.fxb").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(readSound(dir / "x.wav").samples, readSound(dir / "set.wav").samples);
    result = plughost({"info", "--preset", (dir / "bank.fxb").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(std::regex_search(result.out, std::regex(R"(Current:\s+7\n)"))) << result.out;
    // Program 7 holds the loaded program, under its name; program 6 is untouched.
    const std::regex loaded(R"(\n\s+7\s+"Init 1"\s+0\.500000 0\.500000 1\.000000 0\.300000 )");
    const std::regex untouched(R"(\n\s+6\s+"Init 7"\s+0\.500000 0\.500000 1\.000000 0\.000000 )");
    EXPECT_TRUE(std::regex_search(result.out, loaded)) << result.out;
    EXPECT_TRUE(std::regex_search(result.out, untouched)) << result.out;

    result = plughost({"process", OMBRISK_PLUGIN, in, (dir / "y.wav").string(), "--preset",
                       (dir / "bank.fxb").string(), "--program", "6"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(readSound(dir / "y.wav").samples, readSound(dir / "set.wav").samples);
}

TEST(PresetInfo, ShowsWhatTheFileHoldsAndWhetherItFits)
{
    ScratchFolder dir;
    ASSERT_TRUE(writeSound(dir / "in.wav", phrase()));
    auto result = plughost({"process", VORLANE_PLUGIN, (dir / "in.wav").string(), (dir / "out.wav").string(),
                            "--save-preset", (dir / "v.fxp").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string preset = (dir / "v.fxp").string();
    result = plughost({"info", "--preset", preset});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (const char* pattern : {R"(Holds:\s+one program, as the plug-in's chunk \(format version 1\)\n)",
                                R"(For plug-in:\s+'VorE' \(0x566f7245\)\n)", R"(Parameters:\s+8\n)",
                                R"(Name:\s+"Init"\n)", R"(Chunk:\s+61 bytes\n)"})
        EXPECT_TRUE(std::regex_search(result.out, std::regex(pattern))) << pattern << "\n" << result.out;

    result = plughost({"info", VORLANE_PLUGIN, "--preset", preset});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(std::regex_search(result.out, std::regex(R"(Fits:\s+yes\n$)"))) << result.out;

    result = plughost({"info", OMBRISK_PLUGIN, "--preset", preset});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("'" + preset + "' does not fit"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("not for this one, 'OmbE'"), std::string::npos) << result.err;
}

std::uint32_t wordAt(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes.at(at + i));
    return value;
}

void setWord(std::string& bytes, std::size_t at, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes.at(at + i) = static_cast<char>((value >> (24 - 8 * i)) & 0xff);
}

// Drops the last bytes of a file and says so in its size word.
void shorten(std::string& bytes, std::size_t by)
{
    bytes.resize(bytes.size() - by);
    setWord(bytes, 4, static_cast<std::uint32_t>(bytes.size() - 8));
}

struct Refusal {
    const char* name;
    const char* plugin;   // the one the preset is loaded into
    const char* source;   // the one it is saved from
    const char* file;
    void (*spoil)(std::string&);
    const char* reason;
};

void PrintTo(const Refusal& refusal, std::ostream* out)
{
    *out << refusal.name;
}

const Refusal refusals[] = {
    {"AnotherPlugin", OMBRISK_PLUGIN, VORLANE_PLUGIN, "v.fxp", [](std::string&) {},
     "it is a preset for the plug-in 'VorE' (0x566f7245), not for this one, 'OmbE' (0x4f6d6245)"},
    {"WrongMagic", OMBRISK_PLUGIN, OMBRISK_PLUGIN, "o.fxp", [](std::string& b) { b.replace(0, 4, "RIFF"); },
     "is not a usable preset file: not a preset: the file begins with 'RIFF', not 'CcnK'"},
    {"Truncated", OMBRISK_PLUGIN, OMBRISK_PLUGIN, "o.fxb", [](std::string& b) { b.resize(b.size() / 2); },
     "is not a usable preset file: truncated: the file declares 1556 bytes after its size, only 774 bytes follow"},
    {"FewerParameters", OMBRISK_PLUGIN, OMBRISK_PLUGIN, "o.fxp",
     [](std::string& b) {
         shorten(b, 4);
         setWord(b, 24, wordAt(b, 24) - 1);
     },
     "it holds values of 7 parameters, the plug-in has 8 parameters"},
    {"FewerPrograms", OMBRISK_PLUGIN, OMBRISK_PLUGIN, "o.fxb",
     [](std::string& b) {
         shorten(b, 56 + 8 * 4);
         setWord(b, 24, 15);
     },
     "it holds a bank of 15 programs, the plug-in has 16 programs"},
    {"ChunkRefused", VORLANE_PLUGIN, VORLANE_PLUGIN, "v.fxp", [](std::string& b) { b[60] = 'W'; },
     "the plug-in refused the preset's chunk (61 bytes)"},
};

class PresetRefusal : public testing::TestWithParam<Refusal> {};

TEST_P(PresetRefusal, NamesTheFileAndTheReasonAndWritesNothing)
{
    const Refusal& refusal = GetParam();
    ScratchFolder dir;
    ASSERT_TRUE(writeSound(dir / "in.wav", phrase()));
    const std::string in = (dir / "in.wav").string();
    const std::string preset = (dir / refusal.file).string();
    auto result = plughost({"process", refusal.source, in, (dir / "first.wav").string(), "--save-preset", preset});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::string bytes = readText(preset);
    refusal.spoil(bytes);
    writeText(preset, bytes);
    const auto before = dir.names();

    result = plughost({"process", refusal.plugin, in, (dir / "out.wav").string(), "--preset", preset, "--save-preset",
                       (dir / "after.fxp").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("'" + preset + "'"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(refusal.reason), std::string::npos) << result.err;
    EXPECT_EQ(dir.names(), before);
}

INSTANTIATE_TEST_SUITE_P(Presets, PresetRefusal, testing::ValuesIn(refusals),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(PresetOptions, WrongCommandLinesAreUsageErrors)
{
    ScratchFolder dir;
    ASSERT_TRUE(writeSound(dir / "in.wav", phrase()));
    const std::string in = (dir / "in.wav").string();
    const std::string out = (dir / "out.wav").string();
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{"--save-preset", (dir / "state.txt").string()}, "must end in .fxp (one program) or .fxb (a bank)"},
        {{"--preset", (dir / "a.fxp").string(), "--load-chunk", (dir / "a.chunk").string()},
         "--preset and --load-chunk both set the plug-in's state"},
        {{"--save-preset", in + ".fxp", "--save-chunk", in + ".fxp"}, "is also --save-chunk"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments {"process", OMBRISK_PLUGIN, in, out};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const auto result = plughost(arguments);
        EXPECT_EQ(result.exitCode, 2) << c.message;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
}

// The editor opens with a preset loaded as a render would; a preset that cannot be read is
// refused before any window opens.
TEST(PresetEditor, UnreadablePresetIsRefusedBeforeAnyWindow)
{
    ScratchFolder dir;
    const std::string missing = (dir / "missing.fxp").string();
    const auto result = plughost({"editor", OMBRISK_PLUGIN, "--preset", missing});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("cannot read '" + missing + "'"), std::string::npos) << result.err;
}

#ifdef FACTORY_PRESET_FILES
// The factory presets' files, made at build time, each load back as the preset itself: an
// Ombrisk program as its settings, and as the same program of the bank; a Vorlane program as
// its chunk.
std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> all;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        all.push_back(line);
    return all;
}

TEST(FactoryPresetFiles, OmbriskProgramsAndBankRenderAsTheirSettings)
{
    const auto table = runCommand({FACTORY_PRESETS, "ombrisk"});
    ASSERT_EQ(table.exitCode, 0) << table.err;
    const auto titles = runCommand({FACTORY_PRESETS, "titles", "ombrisk"});
    ScratchFolder dir;
    ASSERT_TRUE(writeSound(dir / "in.wav", phrase()));
    const std::string in = (dir / "in.wav").string();
    const std::string folder = std::string(FACTORY_PRESET_FILES) + "/Ombrisk/";
    const std::string bank = folder + "factory.fxb";
    const auto shown = plughost({"info", "--preset", bank});
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    const auto presets = lines(table.out);
    ASSERT_GE(presets.size(), 3u);
    for (std::size_t i = 0; i < presets.size(); ++i) {
        std::istringstream words(presets[i]);
        std::string name, tail;
        words >> name >> tail;
        std::vector<std::string> settings {"process", OMBRISK_PLUGIN, in, (dir / "settings.wav").string()};
        for (std::string word; words >> word;)
            settings.push_back(word);
        auto result = plughost(settings);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        result = plughost({"process", OMBRISK_PLUGIN, in, (dir / "program.wav").string(), "--preset",
                           folder + name + ".fxp"});
        ASSERT_EQ(result.exitCode, 0) << name << ": " << result.err;
        result = plughost({"process", OMBRISK_PLUGIN, in, (dir / "bank.wav").string(), "--preset", bank, "--program",
                           std::to_string(i)});
        ASSERT_EQ(result.exitCode, 0) << name << ": " << result.err;
        const Sound expected = readSound(dir / "settings.wav");
        EXPECT_EQ(readSound(dir / "program.wav").samples, expected.samples) << name;
        EXPECT_EQ(readSound(dir / "bank.wav").samples, expected.samples) << name;
        // The bank's program i carries the preset's title.
        const std::string title = lines(titles.out).at(i).substr(name.size() + 1);
        EXPECT_TRUE(std::regex_search(shown.out, std::regex("\\n\\s+" + std::to_string(i) + "\\s+\"" + title + "\"")))
            << title << "\n" << shown.out;
    }
    EXPECT_TRUE(std::regex_search(shown.out, std::regex(R"(Programs:\s+16\n)"))) << shown.out;
    EXPECT_TRUE(std::regex_search(shown.out, std::regex(R"(\n\s+15\s+"Init 16")"))) << shown.out;
}

TEST(FactoryPresetFiles, VorlaneProgramsRenderAsTheirChunks)
{
    ScratchFolder dir;
    const auto chunks = runCommand({FACTORY_PRESETS, "vorlane", (dir / "chunks").string()});
    ASSERT_EQ(chunks.exitCode, 0) << chunks.err;
    ASSERT_TRUE(writeSound(dir / "in.wav", phrase()));
    const std::string in = (dir / "in.wav").string();
    const auto paths = lines(chunks.out);
    ASSERT_GE(paths.size(), 3u);
    for (const std::string& chunk : paths) {
        const std::string name = std::filesystem::path(chunk).stem().string();
        auto result = plughost({"process", VORLANE_PLUGIN, in, (dir / "chunk.wav").string(), "--load-chunk", chunk});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        result = plughost({"process", VORLANE_PLUGIN, in, (dir / "program.wav").string(), "--preset",
                           std::string(FACTORY_PRESET_FILES) + "/Vorlane/" + name + ".fxp"});
        ASSERT_EQ(result.exitCode, 0) << name << ": " << result.err;
        EXPECT_EQ(readSound(dir / "program.wav").samples, readSound(dir / "chunk.wav").samples) << name;
    }
}
#endif

} // namespace
