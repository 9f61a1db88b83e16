// What plughost validate found, kept per plug-in and check, and written as a JUnit XML report:
// one test suite per plug-in, one test case per check, failures with their reasons, skipped
// checks with theirs and the time each took, as CI systems show them.
#pragma once

#include <string>
#include <vector>

struct CheckOutcome {
    enum Result { passed, failed, skipped } result;
    std::string check;
    std::string reason;  // why it failed or was skipped; for a pass, any finding tolerated
    int level;           // of a failure: 0 crash or hang, 1 wrong result, 2 convention
    double seconds;
};

struct PluginOutcome {
    std::string plugin;     // the path as given
    std::string timestamp;  // when its first check started, UTC, as in 2026-12-11T03:04:05
    std::vector<CheckOutcome> checks;
    int failures() const;
    int skips() const;
    double seconds() const;
};

// The report's text: well-formed XML in UTF-8 whatever bytes the plug-ins' texts held.
std::string junitReport(const std::vector<PluginOutcome>& plugins, const std::string& hostname);
