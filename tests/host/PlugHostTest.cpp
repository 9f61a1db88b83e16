// plughost run as a program on the fake plug-ins: its refusals, what it prints, how it drives
// a plug-in and what it writes.
#include "HostTestSupport.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <regex>
#include <thread>

extern char** environ;

namespace {

namespace fs = std::filesystem;

Sound ramp(int sampleRate, int channels, long frames)
{
    Sound sound {sampleRate, channels, {}};
    for (long f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            sound.samples.push_back(static_cast<float>((f % 100) + 1) / 200.0f * static_cast<float>(c + 1));
    return sound;
}

CommandResult plughost(std::vector<std::string> arguments, const std::map<std::string, std::string>& environment = {})
{
    arguments.insert(arguments.begin(), PLUGHOST);
    return runCommand(arguments, environment);
}

// Every failing command line: non-zero exit, a message naming the problem, and nothing left in
// the folder but the files the test put there.
struct FailureCase {
    const char* name;
    std::vector<std::string> arguments;  // {dir} is the scratch folder
    int exitCode;
    const char* message;
};

void PrintTo(const FailureCase& failure, std::ostream* out)
{
    *out << failure.name;
}

class PlugHostFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(PlugHostFailure, ExplainsAndLeavesNothing)
{
    ScratchFolder dir;
    ASSERT_TRUE(writeSound(dir / "in.wav", ramp(44100, 1, 1000)));
    writeText(dir / "text.txt", "not a sound\n");
    const auto before = dir.names();
    const std::string input = readText(dir / "in.wav");

    std::vector<std::string> arguments;
    for (std::string argument : GetParam().arguments) {
        const auto at = argument.find("{dir}");
        if (at != std::string::npos)
            argument.replace(at, 5, dir.path().string());
        arguments.push_back(argument);
    }
    const auto result = plughost(arguments);
    EXPECT_EQ(result.exitCode, GetParam().exitCode) << result.err;
    EXPECT_NE(result.err.find(GetParam().message), std::string::npos) << result.err;
    EXPECT_EQ(dir.names(), before);
    EXPECT_EQ(readText(dir / "in.wav"), input);
}

const std::string inWav = "{dir}/in.wav";
const std::string outWav = "{dir}/out.wav";

INSTANTIATE_TEST_SUITE_P(
    Cases, PlugHostFailure,
    testing::Values(
        FailureCase {"info_missing_plugin", {"info", "{dir}/none.so"}, 1, "No such file"},
        FailureCase {"info_not_a_plugin", {"info", NOT_A_PLUGIN}, 1, "exports neither VSTPluginMain nor main"},
        FailureCase {"info_text_file", {"info", "{dir}/text.txt"}, 1, "not a shared library"},
        FailureCase {"info_null_entry", {"info", FAKE_NULL_ENTRY}, 1, "returned no effect"},
        FailureCase {"missing_plugin", {"process", "{dir}/none.so", inWav, outWav}, 1, "No such file"},
        FailureCase {"not_a_plugin", {"process", NOT_A_PLUGIN, inWav, outWav}, 1, "exports neither"},
        FailureCase {"null_entry", {"process", FAKE_NULL_ENTRY, inWav, outWav}, 1, "returned no effect"},
        FailureCase {"bad_magic", {"process", FAKE_BAD_MAGIC, inWav, outWav}, 1, "bad magic"},
        FailureCase {"missing_input", {"process", FAKE_VSTMAIN, "{dir}/none.wav", outWav}, 1, "cannot read"},
        FailureCase {"input_not_sound", {"process", FAKE_VSTMAIN, "{dir}/text.txt", outWav}, 1, "cannot read"},
        FailureCase {"param_index_high", {"process", FAKE_VSTMAIN, inWav, outWav, "--param", "2=0.5"}, 2,
                     "out of range (0 to 1)"},
        FailureCase {"param_index_negative", {"process", FAKE_VSTMAIN, inWav, outWav, "--param", "-1=0.5"}, 2,
                     "out of range"},
        FailureCase {"param_index_text", {"process", FAKE_VSTMAIN, inWav, outWav, "--param", "gain=0.5"}, 2,
                     "not a whole number"},
        FailureCase {"param_value_text", {"process", FAKE_VSTMAIN, inWav, outWav, "--param", "0=loud"}, 2,
                     "not a number"},
        FailureCase {"param_value_nan", {"process", FAKE_VSTMAIN, inWav, outWav, "--param", "0=nan"}, 2, "not a number"},
        FailureCase {"param_value_inf", {"process", FAKE_VSTMAIN, inWav, outWav, "--param=0=inf"}, 2, "not a number"},
        FailureCase {"param_value_empty", {"process", FAKE_VSTMAIN, inWav, outWav, "--param", "0="}, 2, "not a number"},
        FailureCase {"param_value_trailing", {"process", FAKE_VSTMAIN, inWav, outWav, "--param", "0=0.5x"}, 2,
                     "not a number"},
        FailureCase {"param_value_above_one", {"process", FAKE_VSTMAIN, inWav, outWav, "--param", "0=1.5"}, 2,
                     "out of range"},
        FailureCase {"param_without_value", {"process", FAKE_VSTMAIN, inWav, outWav, "--param", "0"}, 2, "INDEX=VALUE"},
        FailureCase {"program_out_of_range", {"process", FAKE_VSTMAIN, inWav, outWav, "--program", "2"}, 2,
                     "out of range"},
        FailureCase {"block_zero", {"process", FAKE_VSTMAIN, inWav, outWav, "--block", "0"}, 2, "out of range"},
        FailureCase {"tail_negative", {"process", FAKE_VSTMAIN, inWav, outWav, "--tail", "-1"}, 2, "out of range"},
        FailureCase {"tail_nan", {"process", FAKE_VSTMAIN, inWav, outWav, "--tail", "nan"}, 2, "not a number"},
        FailureCase {"unknown_option", {"process", FAKE_VSTMAIN, inWav, outWav, "--louder"}, 2, "unknown option"},
        FailureCase {"missing_output", {"process", FAKE_VSTMAIN, inWav}, 2, "expects PLUGIN IN OUT"},
        FailureCase {"output_folder_missing", {"process", FAKE_VSTMAIN, inWav, "{dir}/no/such/out.wav"}, 1,
                     "cannot write"},
        FailureCase {"output_is_folder", {"process", FAKE_VSTMAIN, inWav, "{dir}"}, 1, "is a directory"},
        FailureCase {"chunk_refused", {"process", FAKE_VSTMAIN, inWav, outWav, "--load-chunk", "{dir}/text.txt"}, 1,
                     "refused the chunk"},
        FailureCase {"chunk_missing", {"process", FAKE_VSTMAIN, inWav, outWav, "--load-chunk", "{dir}/none.bin"}, 1,
                     "cannot read"},
        FailureCase {"chunk_unwritable", {"process", FAKE_VSTMAIN, inWav, outWav, "--save-chunk", "{dir}/no/c.bin"}, 1,
                     "cannot write"},
        FailureCase {"output_is_input", {"process", FAKE_VSTMAIN, inWav, inWav}, 2, "is the input file"},
        FailureCase {"output_is_input_by_another_path", {"process", FAKE_VSTMAIN, inWav, "{dir}/./no/../in.wav"}, 2,
                     "is the input file"},
        FailureCase {"chunk_is_output", {"process", FAKE_VSTMAIN, inWav, outWav, "--save-chunk", outWav}, 2,
                     "is the output file"},
        FailureCase {"chunk_is_input", {"process", FAKE_VSTMAIN, inWav, outWav, "--save-chunk", inWav}, 2,
                     "is the input file"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(PlugHostInfo, PrintsRecordProgramsParametersAndChunk)
{
    const auto result = plughost({"info", FAKE_VSTMAIN});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (const char* line : {
             R"(Unique ID:\s+'FaKe' \(0x46614b65\))",
             R"(Flags:\s+CanMono CanReplacing ProgramChunks \(0x00000038\))",
             R"(Inputs:\s+1\n)",
             R"(Outputs:\s+2\n)",
             R"(Programs:\s+2\n\s+0\s+"First"\n\s+1\s+"Second"\n)",
             R"(Parameters:\s+2\n.*\n\s+0\s+"Gain"\s+"x"\s+"1.000"\s+0.500000\n\s+1\s+"Spare")",
             R"(Chunk:\s+8 bytes)",
         })
        EXPECT_TRUE(std::regex_search(result.out, std::regex(line))) << line << "\n" << result.out;
}

// The log the fake plug-in keeps of what the host sent, one line per call.
std::vector<std::string> callLog(const fs::path& path)
{
    std::vector<std::string> lines;
    std::istringstream text(readText(path));
    for (std::string line; std::getline(text, line);)
        if (lines.empty() || line != lines.back() || line.rfind("process", 0) != 0)
            lines.push_back(line);
    return lines;
}

TEST(PlugHostProcess, DrivesThePluginInHostOrder)
{
    ScratchFolder dir;
    ASSERT_TRUE(writeSound(dir / "in.wav", ramp(48000, 1, 1000)));
    const auto result = plughost({"process", FAKE_VSTMAIN, (dir / "in.wav").string(), (dir / "out.wav").string(),
                                  "--block", "256", "--program", "1", "--param", "0=0.25"},
                                 {{"FAKE_PLUGIN_LOG", (dir / "log.txt").string()}});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::vector<std::string> expected {
        "dispatch 0 0 0 0",          // effOpen
        "dispatch 10 0 0 48000",     // effSetSampleRate: the file's rate
        "dispatch 11 0 256 0",       // effSetBlockSize
        "dispatch 2 0 1 0",          // effSetProgram
        "setParameter 0 0.25",
        "dispatch 12 0 1 0",         // effMainsChanged on
        "processReplacing 256",      // three full blocks, then the rest
        "processReplacing 232",
        "dispatch 12 0 0 0",         // effMainsChanged off
        "dispatch 1 0 0 0",          // effClose
    };
    EXPECT_EQ(callLog(dir / "log.txt"), expected);
}

TEST(PlugHostProcess, RendersWithTailAndBlockRemainders)
{
    ScratchFolder dir;
    const Sound input = ramp(44100, 1, 1000);
    ASSERT_TRUE(writeSound(dir / "in.wav", input));
    const auto result = plughost({"process", FAKE_VSTMAIN, (dir / "in.wav").string(), (dir / "out.wav").string(),
                                  "--block", "37", "--tail", "0.01", "--param", "0=0.25"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Sound output = readSound(dir / "out.wav");
    ASSERT_EQ(output.channels, 2);
    EXPECT_EQ(output.sampleRate, 44100);
    ASSERT_EQ(output.frames(), 1000 + 441);
    for (long f = 0; f < output.frames(); ++f) {
        const float expected = f < 1000 ? input.at(f, 0) * 0.5f : 0.0f;
        ASSERT_EQ(output.at(f, 0), expected) << "frame " << f;
        ASSERT_EQ(output.at(f, 1), expected) << "frame " << f;
    }
    EXPECT_EQ(dir.names(), (std::vector<std::string> {"in.wav", "out.wav"}));
}

// How file channels feed the plug-in's inputs (as plughost process --help states).
struct MappingCase {
    const char* name;
    const char* plugin;
    int fileChannels;
    // Expected output channel c at frame f, from the input sound.
    float (*expected)(const Sound& in, long f, int c);
};

void PrintTo(const MappingCase& mapping, std::ostream* out)
{
    *out << mapping.name;
}

class PlugHostMapping : public testing::TestWithParam<MappingCase> {};

TEST_P(PlugHostMapping, FeedsInputsAsDocumented)
{
    ScratchFolder dir;
    const Sound input = ramp(44100, GetParam().fileChannels, 300);
    ASSERT_TRUE(writeSound(dir / "in.wav", input));
    const auto result = plughost({"process", GetParam().plugin, (dir / "in.wav").string(), (dir / "out.wav").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Sound output = readSound(dir / "out.wav");
    ASSERT_EQ(output.frames(), 300);
    for (long f = 0; f < output.frames(); ++f)
        for (int c = 0; c < output.channels; ++c)
            ASSERT_FLOAT_EQ(output.at(f, c), GetParam().expected(input, f, c)) << "frame " << f << " channel " << c;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlugHostMapping,
    testing::Values(
        MappingCase {"mono_to_one_input", FAKE_VSTMAIN, 1, [](const Sound& in, long f, int) { return in.at(f, 0); }},
        MappingCase {"stereo_to_one_input_averages", FAKE_VSTMAIN, 2,
                     [](const Sound& in, long f, int) { return (in.at(f, 0) + in.at(f, 1)) / 2.0f; }},
        MappingCase {"mono_to_two_inputs", FAKE_MAIN_ONLY, 1, [](const Sound& in, long f, int) { return in.at(f, 0); }},
        MappingCase {"stereo_to_two_inputs", FAKE_MAIN_ONLY, 2,
                     [](const Sound& in, long f, int c) { return in.at(f, c); }},
        MappingCase {"three_channels_to_two_inputs", FAKE_MAIN_ONLY, 3,
                     [](const Sound& in, long f, int c) { return in.at(f, c); }}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(PlugHostProcess, AccumulateUsesProcessOnZeroedOutputs)
{
    ScratchFolder dir;
    const Sound input = ramp(44100, 1, 500);
    ASSERT_TRUE(writeSound(dir / "in.wav", input));
    const auto result = plughost({"process", FAKE_VSTMAIN, (dir / "in.wav").string(), (dir / "out.wav").string(),
                                  "--accumulate", "--block", "128"},
                                 {{"FAKE_PLUGIN_LOG", (dir / "log.txt").string()}});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto log = callLog(dir / "log.txt");
    EXPECT_NE(std::find(log.begin(), log.end(), "process 128"), log.end());
    EXPECT_EQ(std::find(log.begin(), log.end(), "processReplacing 128"), log.end());
    const Sound output = readSound(dir / "out.wav");
    ASSERT_EQ(output.frames(), 500);
    for (long f = 0; f < output.frames(); ++f)
        ASSERT_EQ(output.at(f, 1), input.at(f, 0)) << "frame " << f;
}

TEST(PlugHostProcess, ChunkSavedByOneRunRestoresTheNext)
{
    ScratchFolder dir;
    const Sound input = ramp(44100, 1, 200);
    ASSERT_TRUE(writeSound(dir / "in.wav", input));
    auto result = plughost({"process", FAKE_VSTMAIN, (dir / "in.wav").string(), (dir / "first.wav").string(),
                            "--param", "0=0.125", "--save-chunk", (dir / "state.bin").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(readText(dir / "state.bin").size(), 8u);
    result = plughost({"process", FAKE_VSTMAIN, (dir / "in.wav").string(), (dir / "second.wav").string(),
                       "--load-chunk", (dir / "state.bin").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Sound output = readSound(dir / "second.wav");
    ASSERT_EQ(output.frames(), 200);
    for (long f = 0; f < output.frames(); ++f)
        ASSERT_EQ(output.at(f, 0), input.at(f, 0) * 0.25f) << "frame " << f;
}

TEST(PlugHostProcess, ReplacesAnExistingOutputOnlyOnSuccess)
{
    ScratchFolder dir;
    ASSERT_TRUE(writeSound(dir / "in.wav", ramp(44100, 1, 100)));
    writeText(dir / "out.wav", "previous");
    auto result = plughost({"process", FAKE_VSTMAIN, (dir / "in.wav").string(), (dir / "out.wav").string(),
                            "--load-chunk", (dir / "in.wav").string()});
    EXPECT_NE(result.exitCode, 0);
    EXPECT_EQ(readText(dir / "out.wav"), "previous");
    result = plughost({"process", FAKE_VSTMAIN, (dir / "in.wav").string(), (dir / "out.wav").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(readSound(dir / "out.wav").frames(), 100);
}

// A plug-in named without a folder is the file of that name in the current folder, never a
// library of that name found on the system's library path.
TEST(PlugHostInfo, PluginWithoutFolderIsTheFileHere)
{
    ScratchFolder dir;
    fs::copy_file(FAKE_VSTMAIN, dir / "libm.so.6");
    const auto result = runCommand({"/bin/sh", "-c", "cd \"$0\" && exec \"$1\" info libm.so.6",
                                    dir.path().string(), PLUGHOST});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("'FaKe'"), std::string::npos) << result.out;
}

// A render stopped by any signal that ends a terminal session leaves no file behind, neither
// the output nor the hidden temporary ones.
class PlugHostSignal : public testing::TestWithParam<int> {};

TEST_P(PlugHostSignal, StopsTheRenderAndLeavesNothing)
{
    ScratchFolder dir;
    ASSERT_TRUE(writeSound(dir / "in.wav", ramp(44100, 1, 1000)));
    const std::string out = (dir / "out.wav").string();
    const std::string chunk = (dir / "state.bin").string();
    std::vector<std::string> arguments {PLUGHOST, "process", FAKE_VSTMAIN, (dir / "in.wav").string(), out,
                                        "--tail", "3000", "--block", "64", "--save-chunk", chunk};
    std::vector<char*> argv;
    for (auto& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, PLUGHOST, nullptr, nullptr, argv.data(), environ), 0);
    // Once the temporary output exists the render is under way.
    const auto started = std::chrono::steady_clock::now();
    while (dir.names().size() < 3 && std::chrono::steady_clock::now() - started < std::chrono::seconds(20))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GE(dir.names().size(), 3u);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    kill(pid, GetParam());
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_EQ(dir.names(), std::vector<std::string> {"in.wav"});
}

INSTANTIATE_TEST_SUITE_P(Signals, PlugHostSignal, testing::Values(SIGINT, SIGTERM, SIGHUP, SIGQUIT),
                         [](const auto& param) { return std::string(sigabbrev_np(param.param)); });

// A file cut short renders what it holds, and says that it was cut short.
TEST(PlugHostProcess, TruncatedInputIsReported)
{
    ScratchFolder dir;
    ASSERT_TRUE(writeSound(dir / "full.wav", ramp(44100, 1, 1000)));
    const std::string full = readText(dir / "full.wav");
    writeText(dir / "in.wav", full.substr(0, full.size() - 400 * 4));
    const auto result = plughost({"process", FAKE_VSTMAIN, (dir / "in.wav").string(), (dir / "out.wav").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("warning: '" + (dir / "in.wav").string() + "' ends after 600 of the 1000 frames"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(readSound(dir / "out.wav").frames(), 600);

    const auto whole = plughost({"process", FAKE_VSTMAIN, (dir / "full.wav").string(), (dir / "out.wav").string()});
    ASSERT_EQ(whole.exitCode, 0) << whole.err;
    EXPECT_EQ(whole.err.find("warning"), std::string::npos) << whole.err;
}

} // namespace
