#include "PresetFile.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::uint32_t code(const char (&text)[5])
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[3]));
}

constexpr std::uint32_t fileMagic = code("CcnK");
constexpr std::uint32_t programValues = code("FxCk");
constexpr std::uint32_t programChunk = code("FPCh");
constexpr std::uint32_t bankValues = code("FxBk");
constexpr std::uint32_t bankChunk = code("FBCh");

constexpr std::size_t nameBytes = 28;
constexpr std::size_t programHeaderBytes = 7 * 4 + nameBytes;
constexpr std::size_t bankHeaderBytes = 7 * 4 + 128;
constexpr std::size_t bankReservedBytes = 128;

std::string fourCharacters(std::uint32_t value)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = static_cast<unsigned char>((value >> shift) & 0xff);
        text += std::isprint(c) ? static_cast<char>(c) : '?';
    }
    return text;
}

class Writer {
public:
    explicit Writer(std::vector<char>& bytes) : bytes_(bytes) {}
    void word(std::uint32_t value)
    {
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes_.push_back(static_cast<char>((value >> shift) & 0xff));
    }
    void integer(VstInt32 value) { word(static_cast<std::uint32_t>(value)); }
    void real(float value)
    {
        std::uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        word(bits);
    }
    void name(const std::string& text)
    {
        const std::size_t kept = std::min(text.size(), nameBytes - 1);
        bytes_.insert(bytes_.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(kept));
        bytes_.insert(bytes_.end(), nameBytes - kept, '\0');
    }
    void zeros(std::size_t count) { bytes_.insert(bytes_.end(), count, '\0'); }
    void raw(const std::vector<char>& data) { bytes_.insert(bytes_.end(), data.begin(), data.end()); }
    // The byte count after the size word at `at`, filled in once the record is complete.
    void closeRecord(std::size_t at)
    {
        const auto size = static_cast<std::uint32_t>(bytes_.size() - at - 4);
        for (int i = 0; i < 4; ++i)
            bytes_[at + static_cast<std::size_t>(i)] = static_cast<char>((size >> (24 - 8 * i)) & 0xff);
    }
    std::size_t size() const { return bytes_.size(); }

private:
    std::vector<char>& bytes_;
};

void writeProgram(Writer& out, const PresetFile& preset, const PresetProgram& program, bool chunkForm)
{
    out.word(fileMagic);
    const std::size_t sizeAt = out.size();
    out.word(0);
    out.word(chunkForm ? programChunk : programValues);
    out.integer(1);
    out.integer(preset.pluginId);
    out.integer(preset.pluginVersion);
    out.integer(chunkForm ? preset.numParams : static_cast<VstInt32>(program.values.size()));
    out.name(program.name);
    if (chunkForm) {
        out.integer(static_cast<VstInt32>(preset.chunk.size()));
        out.raw(preset.chunk);
    } else {
        for (float value : program.values)
            out.real(value);
    }
    out.closeRecord(sizeAt);
}

// Reads big-endian words from a span of the file, remembering the first shortfall.
class Reader {
public:
    Reader(const std::vector<char>& bytes, std::size_t begin, std::size_t end) : bytes_(bytes), at_(begin), end_(end) {}

    bool has(std::size_t count) const { return end_ - at_ >= count; }
    std::size_t left() const { return end_ - at_; }
    std::size_t offset() const { return at_; }

    std::uint32_t word()
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = value << 8 | static_cast<unsigned char>(bytes_[at_ + static_cast<std::size_t>(i)]);
        at_ += 4;
        return value;
    }
    VstInt32 integer() { return static_cast<VstInt32>(word()); }
    float real()
    {
        const std::uint32_t bits = word();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    std::string name()
    {
        const char* from = bytes_.data() + at_;
        const std::size_t length = static_cast<std::size_t>(std::find(from, from + nameBytes, '\0') - from);
        at_ += nameBytes;
        return std::string(from, length);
    }
    void skip(std::size_t count) { at_ += count; }
    // The bytes from here to end (within this reader's), as a reader of their own.
    Reader until(std::size_t end) const { return Reader(bytes_, at_, end); }
    std::vector<char> raw(std::size_t count)
    {
        std::vector<char> data(bytes_.begin() + static_cast<std::ptrdiff_t>(at_),
                               bytes_.begin() + static_cast<std::ptrdiff_t>(at_ + count));
        at_ += count;
        return data;
    }

private:
    const std::vector<char>& bytes_;
    std::size_t at_;
    std::size_t end_;
};

std::string bytesText(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

// The record's magic and size at the reader's place; answers where the record ends, or 0
// with error. `what` names the record in messages ("the file", "program 3").
std::size_t openRecord(Reader& in, const std::string& what, std::string& error)
{
    if (!in.has(8)) {
        error = "truncated: " + what + " ends after " + bytesText(in.left()) + ", inside its header";
        return 0;
    }
    const std::uint32_t magic = in.word();
    if (magic != fileMagic) {
        error = "not a preset: " + what + " begins with '" + fourCharacters(magic) + "', not 'CcnK'";
        return 0;
    }
    const std::uint32_t size = in.word();
    if (size > in.left()) {
        error = "truncated: " + what + " declares " + bytesText(size) + " after its size, only " +
                bytesText(in.left()) + " follow";
        return 0;
    }
    return in.offset() + size;
}

bool readVersion(Reader& in, const std::string& what, VstInt32& version, std::string& error)
{
    version = in.integer();
    if (version < 1 || version > 2) {
        error = what + " has format version " + std::to_string(version) + "; versions 1 and 2 are known";
        return false;
    }
    return true;
}

// A program record after its magic and size, up to its end; fills program and, when it is
// the file itself, the preset's header fields.
bool readProgram(Reader& in, std::uint32_t kind, const std::string& what, PresetFile& preset, PresetProgram& program,
                 std::string& error)
{
    if (!in.has(programHeaderBytes - 12)) {
        error = "truncated: " + what + " ends inside its header";
        return false;
    }
    VstInt32 version = 0;
    if (!readVersion(in, what, version, error))
        return false;
    const VstInt32 id = in.integer();
    const VstInt32 pluginVersion = in.integer();
    const VstInt32 numParams = in.integer();
    program.name = in.name();
    if (preset.kind == PresetFile::Kind::program) {
        preset.formatVersion = version;
        preset.pluginId = id;
        preset.pluginVersion = pluginVersion;
        preset.numParams = numParams;
    } else if (id != preset.pluginId) {
        error = what + " is for plug-in " + describeId(id) + ", the bank for " + describeId(preset.pluginId);
        return false;
    }
    if (numParams < 0) {
        error = what + " declares " + std::to_string(numParams) + " parameters";
        return false;
    }
    if (kind == programChunk) {
        if (!in.has(4)) {
            error = "truncated: " + what + " ends before its chunk's size";
            return false;
        }
        const auto size = static_cast<std::uint32_t>(in.integer());
        if (size > in.left()) {
            error = "truncated: " + what + "'s chunk declares " + bytesText(size) + ", only " + bytesText(in.left()) +
                    " follow";
            return false;
        }
        preset.chunk = in.raw(size);
    } else {
        if (static_cast<std::size_t>(numParams) > in.left() / 4) {
            error = "truncated: " + what + " declares " + std::to_string(numParams) + " parameter values, only " +
                    bytesText(in.left()) + " follow";
            return false;
        }
        program.values.resize(static_cast<std::size_t>(numParams));
        for (float& value : program.values)
            value = in.real();
    }
    return true;
}

bool readBank(Reader& in, std::uint32_t kind, PresetFile& preset, std::string& error)
{
    if (!in.has(bankHeaderBytes - 12)) {
        error = "truncated: the bank ends inside its header";
        return false;
    }
    if (!readVersion(in, "the bank", preset.formatVersion, error))
        return false;
    preset.pluginId = in.integer();
    preset.pluginVersion = in.integer();
    preset.numPrograms = in.integer();
    if (preset.numPrograms < 0) {
        error = "the bank declares " + std::to_string(preset.numPrograms) + " programs";
        return false;
    }
    if (preset.formatVersion >= 2) {
        preset.currentProgram = in.integer();
        in.skip(bankReservedBytes - 4);
    } else {
        in.skip(bankReservedBytes);
    }
    if (kind == bankChunk) {
        if (!in.has(4)) {
            error = "truncated: the bank ends before its chunk's size";
            return false;
        }
        const auto size = static_cast<std::uint32_t>(in.integer());
        if (size > in.left()) {
            error = "truncated: the bank's chunk declares " + bytesText(size) + ", only " + bytesText(in.left()) +
                    " follow";
            return false;
        }
        preset.chunk = in.raw(size);
        return true;
    }
    // Each program is at least a header long: a count beyond that is a lie, not a reason to
    // reserve memory for it.
    if (static_cast<std::size_t>(preset.numPrograms) > in.left() / programHeaderBytes) {
        error = "truncated: the bank declares " + std::to_string(preset.numPrograms) + " programs, only " +
                bytesText(in.left()) + " follow";
        return false;
    }
    preset.programs.resize(static_cast<std::size_t>(preset.numPrograms));
    for (std::size_t i = 0; i < preset.programs.size(); ++i) {
        const std::string what = "program " + std::to_string(i) + " of the bank";
        const std::size_t end = openRecord(in, what, error);
        if (end == 0)
            return false;
        Reader record = in.until(end);
        in.skip(end - in.offset());
        if (!record.has(4)) {
            error = "truncated: " + what + " ends before its kind";
            return false;
        }
        const std::uint32_t programKind = record.word();
        if (programKind != programValues) {
            error = what + " is '" + fourCharacters(programKind) + "', not parameter values ('FxCk')";
            return false;
        }
        if (!readProgram(record, programValues, what, preset, preset.programs[i], error))
            return false;
        if (record.left() != 0) {
            error = what + " has " + bytesText(record.left()) + " after its parameter values";
            return false;
        }
        if (i > 0 && preset.programs[i].values.size() != preset.programs[0].values.size()) {
            error = what + " has " + std::to_string(preset.programs[i].values.size()) + " parameters, program 0 has " +
                    std::to_string(preset.programs[0].values.size());
            return false;
        }
    }
    preset.numParams = preset.programs.empty() ? 0 : static_cast<VstInt32>(preset.programs[0].values.size());
    return true;
}

} // namespace

std::string describeId(VstInt32 id)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08x", static_cast<unsigned>(id));
    return "'" + fourCharacters(static_cast<std::uint32_t>(id)) + "' (" + hex + ")";
}

std::vector<char> encodePreset(const PresetFile& preset)
{
    std::vector<char> bytes;
    Writer out(bytes);
    if (preset.kind == PresetFile::Kind::program) {
        static const PresetProgram unnamed;
        writeProgram(out, preset, preset.programs.empty() ? unnamed : preset.programs[0], preset.chunkForm);
        return bytes;
    }
    out.word(fileMagic);
    const std::size_t sizeAt = out.size();
    out.word(0);
    out.word(preset.chunkForm ? bankChunk : bankValues);
    out.integer(2);
    out.integer(preset.pluginId);
    out.integer(preset.pluginVersion);
    out.integer(preset.chunkForm ? preset.numPrograms : static_cast<VstInt32>(preset.programs.size()));
    out.integer(preset.currentProgram);
    out.zeros(bankReservedBytes - 4);
    if (preset.chunkForm) {
        out.integer(static_cast<VstInt32>(preset.chunk.size()));
        out.raw(preset.chunk);
    } else {
        for (const PresetProgram& program : preset.programs)
            writeProgram(out, preset, program, false);
    }
    out.closeRecord(sizeAt);
    return bytes;
}

std::optional<PresetFile> decodePreset(const std::vector<char>& bytes, std::string& error)
{
    Reader in(bytes, 0, bytes.size());
    const std::size_t end = openRecord(in, "the file", error);
    if (end == 0)
        return std::nullopt;
    if (end != bytes.size()) {
        error = bytesText(bytes.size() - end) + " follow the end the file's header declares";
        return std::nullopt;
    }
    if (!in.has(4)) {
        error = "truncated: the file ends before its kind";
        return std::nullopt;
    }
    PresetFile preset;
    const std::uint32_t kind = in.word();
    bool read = false;
    if (kind == programValues || kind == programChunk) {
        preset.kind = PresetFile::Kind::program;
        preset.chunkForm = kind == programChunk;
        preset.programs.resize(1);
        read = readProgram(in, kind, "the program", preset, preset.programs[0], error);
    } else if (kind == bankValues || kind == bankChunk) {
        preset.kind = PresetFile::Kind::bank;
        preset.chunkForm = kind == bankChunk;
        read = readBank(in, kind, preset, error);
    } else {
        error = "unknown kind '" + fourCharacters(kind) + "' (a program is 'FxCk' or 'FPCh', a bank 'FxBk' or 'FBCh')";
        return std::nullopt;
    }
    if (!read)
        return std::nullopt;
    if (in.offset() != end) {
        error = bytesText(end - in.offset()) + " inside the file's declared size follow its contents";
        return std::nullopt;
    }
    return preset;
}
