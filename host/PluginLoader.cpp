#include "PluginLoader.h"

#include "SharedLibrary.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

namespace {

using EntryProc = AEffect* (*)(audioMasterCallback);

// Effects being driven in this process, so that the static callback finds its loader.
std::mutex registryMutex;
std::map<AEffect*, PluginLoader*> registry;

// The loader whose entry call is running on this thread: during construction the plug-in
// calls back with a null record (or one not registered yet).
thread_local PluginLoader* loading = nullptr;

std::string quoted(const std::string& path)
{
    return "'" + path + "'";
}

} // namespace

PluginLoader::PluginLoader(std::string path, VstIntPtr hostVersion)
    : path_(std::move(path)), hostVersion_(hostVersion)
{
}

std::unique_ptr<PluginLoader> PluginLoader::open(const std::string& path, std::string& error,
                                                 VstIntPtr hostVersion)
{
    error.clear();
    std::unique_ptr<PluginLoader> loader(new PluginLoader(path, hostVersion));
    loader->library_ = sharedlibrary::open(path, error);
    if (loader->library_ == nullptr)
        return nullptr;

    const char* entryName = "VSTPluginMain";
    void* entry = sharedlibrary::symbol(loader->library_, entryName);
    if (entry == nullptr) {
        entryName = "main";
        entry = sharedlibrary::symbol(loader->library_, entryName);
    }
    if (entry == nullptr) {
        error = quoted(path) + " is not a VST 2 plug-in: it exports neither VSTPluginMain nor main";
        return nullptr;
    }

    loading = loader.get();
    AEffect* effect = reinterpret_cast<EntryProc>(entry)(&PluginLoader::hostCallback);
    loading = nullptr;

    if (effect == nullptr) {
        error = "the entry " + std::string(entryName) + " of " + quoted(path) +
                " returned no effect (the plug-in refused to load)";
        return nullptr;
    }
    if (effect->magic != kEffectMagic) {
        char text[64];
        std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(effect->magic));
        error = quoted(path) + " returned a record with bad magic " + text + " (expected 'VstP')";
        return nullptr;
    }
    if (effect->dispatcher == nullptr) {
        error = quoted(path) + " returned a record without a dispatcher";
        return nullptr;
    }

    loader->effect_ = effect;
    {
        std::lock_guard lock(registryMutex);
        registry[effect] = loader.get();
    }
    return loader;
}

PluginLoader::~PluginLoader()
{
    close();
    if (library_ != nullptr)
        sharedlibrary::close(library_);
}

AEffect* PluginLoader::effect() const
{
    return effect_;
}

VstIntPtr PluginLoader::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    if (effect_ == nullptr)
        return 0;
    if (opcode == effClose) {
        close();
        return 1;
    }
    switch (opcode) {
    case effSetSampleRate:
        sampleRate_ = opt;
        break;
    case effSetBlockSize:
        blockSize_ = static_cast<VstInt32>(value);
        break;
    case effSetBlockSizeAndSampleRate:
        blockSize_ = static_cast<VstInt32>(value);
        sampleRate_ = opt;
        break;
    default:
        break;
    }
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

const std::vector<PluginLoader::Automation>& PluginLoader::automation() const
{
    return automation_;
}

void PluginLoader::close()
{
    if (effect_ == nullptr)
        return;
    AEffect* effect = effect_;
    effect_ = nullptr;
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    std::lock_guard lock(registryMutex);
    registry.erase(effect);
}

float PluginLoader::sampleRate() const
{
    return sampleRate_;
}

VstInt32 PluginLoader::blockSize() const
{
    return blockSize_;
}

const std::string& PluginLoader::path() const
{
    return path_;
}

VstIntPtr PluginLoader::hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                     void* ptr, float opt)
{
    try {
        PluginLoader* loader = nullptr;
        if (effect != nullptr) {
            std::lock_guard lock(registryMutex);
            const auto found = registry.find(effect);
            if (found != registry.end())
                loader = found->second;
        }
        if (loader == nullptr)
            loader = loading;
        if (loader == nullptr)
            return opcode == audioMasterVersion ? 2400 : 0;
        return loader->answer(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

VstIntPtr PluginLoader::answer(VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt)
{
    switch (opcode) {
    case audioMasterVersion:
        return hostVersion_;
    case audioMasterAutomate: {
        std::lock_guard lock(automationMutex_);
        automation_.push_back({index, opt});
        return 0;
    }
    case audioMasterGetSampleRate:
        return static_cast<VstIntPtr>(std::lround(sampleRate_));
    case audioMasterGetBlockSize:
        return blockSize_;
    default:
        return 0;
    }
}

std::string effectText(PluginLoader& plugin, VstInt32 opcode, VstInt32 index, VstIntPtr value)
{
    std::array<char, 512> text {};
    plugin.dispatch(opcode, index, value, text.data());
    text.back() = '\0';
    return text.data();
}
