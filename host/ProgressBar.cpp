#include "ProgressBar.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

ProgressBar::ProgressBar(std::int64_t total, std::int64_t minimumToShow)
    : total_(total), shown_(total > 0 && total >= minimumToShow && ::isatty(STDERR_FILENO) == 1)
{
}

ProgressBar::~ProgressBar()
{
    finish();
}

void ProgressBar::update(std::int64_t done)
{
    if (!shown_)
        return;
    const int percent = static_cast<int>(std::clamp<std::int64_t>(done * 100 / total_, 0, 100));
    if (percent == lastPercent_)
        return;
    lastPercent_ = percent;
    constexpr int width = 40;
    const int filled = percent * width / 100;
    std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(static_cast<size_t>(filled), '#').c_str(),
                 std::string(static_cast<size_t>(width - filled), '.').c_str(), percent);
    std::fflush(stderr);
}

void ProgressBar::finish()
{
    if (shown_ && lastPercent_ >= 0)
        std::fputc('\n', stderr);
    shown_ = false;
}
