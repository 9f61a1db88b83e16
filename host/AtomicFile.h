// A file written under a temporary name in its final folder and renamed into place only when
// complete, so that a failed run never leaves a half-written file under the final name.
#pragma once

#include <cstddef>
#include <string>

class AtomicFile {
public:
    explicit AtomicFile(std::string path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file; answers its descriptor, or -1 with error saying why.
    int create(std::string& error);
    // After create: the whole content, written into the temporary file.
    bool write(const void* data, std::size_t size, std::string& error);
    // Syncs and closes the file and renames it to the final name.
    bool commit(std::string& error);
    // Removes the temporary file (also done by the destructor when not committed).
    void discard();

    const std::string& path() const;
    const std::string& temporaryPath() const;

private:
    // "cannot write 'path': " and the C library's text for error.
    std::string describe(int error) const;
    // The system's part (posix/, win32/): flush to disk and close; put a file in place of
    // another; close or remove without reporting. Failures leave errno set.
    static bool flushAndClose(int fd);
    static bool replaceFile(const std::string& from, const std::string& to);
    static void closeFile(int fd);
    static void removeFile(const std::string& path);

    std::string path_;
    std::string temporary_;
    int fd_ = -1;
    bool committed_ = false;
};
