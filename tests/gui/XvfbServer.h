#pragma once
// A private X server for one test program: started on a free display number; unless told
// otherwise, DISPLAY points at it while it runs.
#include <string>
#include <sys/types.h>

class XvfbServer {
public:
    explicit XvfbServer(const char* screen = "1024x768x24", bool makeDefault = true);
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool running() const { return !display_.empty(); }
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};
