#include "PluginLoader.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>
#include <fstream>

namespace {

struct LoadFailure {
    const char* what;
    std::string path;
    const char* expected;
};

void PrintTo(const LoadFailure& failure, std::ostream* out)
{
    *out << failure.what;
}

std::string textFile()
{
    const auto path = std::filesystem::path(testing::TempDir()) / "plain.txt";
    std::ofstream(path) << "just text\n";
    return path.string();
}

class LoadFailureTest : public testing::TestWithParam<LoadFailure> {};

TEST_P(LoadFailureTest, GivesClearError)
{
    std::string error;
    const auto loader = PluginLoader::open(GetParam().path, error);
    EXPECT_EQ(loader, nullptr);
    EXPECT_NE(error.find(GetParam().expected), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Loader, LoadFailureTest,
    testing::Values(LoadFailure {"missing", "/nonexistent/Plugin.so", "No such file"},
                    LoadFailure {"directory", "/tmp", "not a regular file"},
                    LoadFailure {"text", textFile(), "not a shared library"},
                    LoadFailure {"executable", "/bin/true", "cannot load"},
                    LoadFailure {"no_entry", NOT_A_PLUGIN, "exports neither VSTPluginMain nor main"},
                    LoadFailure {"null_entry", FAKE_NULL_ENTRY, "returned no effect"},
                    LoadFailure {"bad_magic", FAKE_BAD_MAGIC, "bad magic"}),
    [](const auto& param) { return std::string(param.param.what); });

TEST(Loader, FindsEitherEntryName)
{
    for (const char* path : {FAKE_VSTMAIN, FAKE_MAIN_ONLY}) {
        std::string error;
        const auto loader = PluginLoader::open(path, error);
        ASSERT_NE(loader, nullptr) << error;
        EXPECT_TRUE(error.empty());
        EXPECT_EQ(loader->effect()->uniqueID, fourCharCode("FaKe"));
        EXPECT_EQ(loader->effect()->numParams, 2);
    }
}

TEST(Loader, AnswersVersionAsConfigured)
{
    std::string error;
    auto loader = PluginLoader::open(FAKE_VSTMAIN, error);
    ASSERT_NE(loader, nullptr) << error;
    EXPECT_EQ(loader->dispatch(effGetVendorVersion), 2400);

    loader = PluginLoader::open(FAKE_VSTMAIN, error, 2);
    ASSERT_NE(loader, nullptr) << error;
    EXPECT_EQ(loader->dispatch(effGetVendorVersion), 2);

    // A plug-in that sees a host answering 0 refuses to load.
    loader = PluginLoader::open(FAKE_VSTMAIN, error, 0);
    EXPECT_EQ(loader, nullptr);
    EXPECT_NE(error.find("returned no effect"), std::string::npos) << error;
}

// The fake plug-in forwards effVendorSpecific to the host callback with value as the opcode.
VstIntPtr askHost(PluginLoader& loader, VstInt32 hostOpcode, VstInt32 index = 0, float opt = 0.0f)
{
    return loader.dispatch(effVendorSpecific, index, hostOpcode, nullptr, opt);
}

TEST(Loader, CallbackRecordsAutomationInOrder)
{
    std::string error;
    const auto loader = PluginLoader::open(FAKE_VSTMAIN, error);
    ASSERT_NE(loader, nullptr) << error;
    askHost(*loader, audioMasterAutomate, 1, 0.25f);
    askHost(*loader, audioMasterAutomate, 0, 0.75f);
    ASSERT_EQ(loader->automation().size(), 2u);
    EXPECT_EQ(loader->automation()[0].index, 1);
    EXPECT_EQ(loader->automation()[0].value, 0.25f);
    EXPECT_EQ(loader->automation()[1].index, 0);
    EXPECT_EQ(loader->automation()[1].value, 0.75f);
}

TEST(Loader, CallbackFollowsSampleRateAndBlockSize)
{
    std::string error;
    const auto loader = PluginLoader::open(FAKE_VSTMAIN, error);
    ASSERT_NE(loader, nullptr) << error;
    EXPECT_EQ(askHost(*loader, audioMasterGetSampleRate), 44100);
    EXPECT_EQ(askHost(*loader, audioMasterGetBlockSize), 1024);
    loader->dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    loader->dispatch(effSetBlockSize, 0, 256);
    EXPECT_EQ(askHost(*loader, audioMasterGetSampleRate), 48000);
    EXPECT_EQ(askHost(*loader, audioMasterGetBlockSize), 256);
    loader->dispatch(effSetBlockSizeAndSampleRate, 0, 64, nullptr, 96000.0f);
    EXPECT_EQ(loader->sampleRate(), 96000.0f);
    EXPECT_EQ(askHost(*loader, audioMasterGetBlockSize), 64);
}

TEST(Loader, CallbackAnswersEveryOtherOpcodeWithZero)
{
    std::string error;
    const auto loader = PluginLoader::open(FAKE_VSTMAIN, error);
    ASSERT_NE(loader, nullptr) << error;
    for (VstInt32 opcode = audioMasterCurrentId; opcode <= audioMasterUpdateDisplay; ++opcode) {
        if (opcode == audioMasterGetSampleRate || opcode == audioMasterGetBlockSize)
            continue;
        EXPECT_EQ(askHost(*loader, opcode, 1, 1.0f), 0) << "host opcode " << opcode;
    }
    EXPECT_TRUE(loader->automation().empty());
}

TEST(Loader, ClosesExactlyOnce)
{
    // Holding our own reference keeps the library and its counter alive after the loader.
    void* library = dlopen(FAKE_VSTMAIN, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr);
    const auto* closeCount = static_cast<const int*>(dlsym(library, "fakeCloseCount"));
    ASSERT_NE(closeCount, nullptr);
    const int before = *closeCount;
    {
        std::string error;
        auto loader = PluginLoader::open(FAKE_VSTMAIN, error);
        ASSERT_NE(loader, nullptr) << error;
        EXPECT_EQ(loader->dispatch(effClose), 1);
        EXPECT_EQ(loader->effect(), nullptr);
        EXPECT_EQ(loader->dispatch(effGetProgram), 0);
        loader->close();
    }
    EXPECT_EQ(*closeCount, before + 1);
    {
        std::string error;
        auto loader = PluginLoader::open(FAKE_VSTMAIN, error);
        ASSERT_NE(loader, nullptr) << error;
    }
    EXPECT_EQ(*closeCount, before + 2);
    dlclose(library);
}

} // namespace
