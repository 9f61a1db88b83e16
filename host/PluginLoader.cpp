#include "PluginLoader.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Checks that the file can be read and starts like an ELF object before dlopen gets it, so
// that the common mistakes get a plain message instead of the dynamic linker's.
bool checkFile(const std::string& path, std::string& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open " + quoted(path) + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        error = quoted(path) + " is not a regular file";
        return false;
    }
    unsigned char header[4] = {};
    const ssize_t got = ::read(fd, header, sizeof header);
    const int readErrno = errno;
    ::close(fd);
    if (got < 0) {
        error = "cannot read " + quoted(path) + ": " + std::strerror(readErrno);
        return false;
    }
    if (got != 4 || std::memcmp(header, "\x7f" "ELF", 4) != 0) {
        error = quoted(path) + " is not a shared library (no ELF header)";
        return false;
    }
    return true;
}

// dlsym also searches the library's dependencies; an entry must be the library's own.
void* ownSymbol(void* library, const char* name)
{
    void* symbol = ::dlsym(library, name);
    if (symbol == nullptr)
        return nullptr;
    link_map* libraryMap = nullptr;
    if (::dlinfo(library, RTLD_DI_LINKMAP, &libraryMap) != 0)
        return nullptr;
    Dl_info info {};
    link_map* symbolMap = nullptr;
    if (::dladdr1(symbol, &info, reinterpret_cast<void**>(&symbolMap), RTLD_DL_LINKMAP) == 0)
        return nullptr;
    return symbolMap == libraryMap ? symbol : nullptr;
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
    if (!checkFile(path, error))
        return nullptr;

    std::unique_ptr<PluginLoader> loader(new PluginLoader(path, hostVersion));
    ::dlerror();
    // A name without a folder would make dlopen search the library path and load whatever
    // library of that name it finds there: the plug-in is always the file named.
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    loader->library_ = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (loader->library_ == nullptr) {
        const char* why = ::dlerror();
        error = "cannot load " + quoted(path) + " as a shared library: " + (why ? why : "unknown error");
        return nullptr;
    }

    const char* entryName = "VSTPluginMain";
    void* entry = ownSymbol(loader->library_, entryName);
    if (entry == nullptr) {
        entryName = "main";
        entry = ownSymbol(loader->library_, entryName);
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
        ::dlclose(library_);
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
