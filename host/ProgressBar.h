// A one-line progress bar on stderr, drawn only when stderr is a terminal and the job is long
// enough to be worth watching.
#pragma once

#include <cstdint>

class ProgressBar {
public:
    // total: units of work; shown when stderr is a terminal and total >= minimumToShow.
    ProgressBar(std::int64_t total, std::int64_t minimumToShow);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void update(std::int64_t done);
    // Ends the line; called by the destructor if not before.
    void finish();

private:
    std::int64_t total_;
    bool shown_;
    int lastPercent_ = -1;
};
