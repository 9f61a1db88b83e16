// The checks of plughost validate: what a host maker tries on a VST 2 plug-in before trusting
// it. Each runs in a process of its own (see ValidateCommand.cpp), loading the plug-in afresh.
#pragma once

#include <string>

// What a check found. A finding's level says how strict a run must be for it to fail the
// check: 0 the plug-in crashed, hung or broke memory (always a failure), 1 it gave a wrong
// result (non-finite sound, lost state, lost changes, texts past the host's buffer), 2 it
// broke a convention of the interface (texts longer than hosts display) or failed at a call
// that no working host makes (null pointers, absurd sample rates), which the reason says.
// A check that does not apply to the plug-in (an editor check without a display) is skipped.
struct Verdict {
    bool passed = true;
    bool skipped = false;
    int level = 1;
    std::string reason;
};

struct ValidationCheck {
    const char* name;
    Verdict (*run)(const std::string& plugin);
    const char* passes;  // the reason printed when it passes
};

// In the check's process: what it is about to do to the plug-in, so that a crash or a hang
// there is reported with the call that caused it; beyondHosts when no working host would do
// it, which makes a crash or hang there count at --strict 2 only. The command that runs the
// checks provides it.
void reportStep(const std::string& what, bool beyondHosts = false);

// In the order they run.
extern const ValidationCheck validationChecks[];
extern const int validationCheckCount;
