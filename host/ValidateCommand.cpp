// plughost validate PLUGIN [--strict N]: runs each check of ValidateChecks.cpp in a child
// process of its own, so that a plug-in that crashes or hangs is reported, not fatal.
#include "Arguments.h"
#include "Command.h"
#include "ValidateChecks.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char* const command = "validate";

const char* const helpText =
    "Usage: plughost validate PLUGIN [--strict N]\n"
    "\n"
    "Checks the VST 2 plug-in PLUGIN as a careful host would before trusting it: its record,\n"
    "every opcode with hostile arguments, its texts, random automation with NaN and infinite\n"
    "values, sample rates from 22050 to 192000 Hz with blocks of 1 to 4096 frames, bad audio,\n"
    "its saved state in a fresh instance, its programs, parameters set from a second thread\n"
    "while audio runs and, when DISPLAY is set and it has one, its editor. Each check runs in\n"
    "a process of its own and prints PASS, FAIL or SKIP with a reason; the last line counts\n"
    "them. The exit status is 0 when every check passed, 1 otherwise.\n"
    "\n"
    "  --strict N  0: fail only when the plug-in crashes, hangs or breaks memory;\n"
    "              1 (default): also for wrong results (non-finite sound, lost state or\n"
    "              changes, texts past the host's buffer); 2: also for texts longer than the\n"
    "              interface's conventions (8 characters for parameter texts).\n";

constexpr int checkSeconds = 30;

std::string signalName(int number)
{
    const char* name = sigabbrev_np(number);
    return name != nullptr ? std::string("SIG") + name : "signal " + std::to_string(number);
}

// Runs one check in a child process; its verdict comes back through a pipe as a level digit,
// a flag (P pass, F fail, S skip) and the reason.
Verdict runIsolated(const ValidationCheck& check, const std::string& plugin)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return {false, false, 0, std::string("cannot create a pipe: ") + std::strerror(errno)};
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(channel[0]);
        ::close(channel[1]);
        return {false, false, 0, std::string("cannot fork: ") + std::strerror(errno)};
    }
    if (child == 0) {
        ::close(channel[0]);
        const Verdict verdict = check.run(plugin);
        const std::string message = std::to_string(verdict.level) + (verdict.skipped ? "S" : verdict.passed ? "P" : "F") +
                                    verdict.reason;
        for (std::size_t written = 0; written < message.size();) {
            const ssize_t n = ::write(channel[1], message.data() + written, message.size() - written);
            if (n <= 0)
                break;
            written += static_cast<std::size_t>(n);
        }
        // The plug-in is left as it is: its destructors are not part of the check.
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string message;
    bool timedOut = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(checkSeconds);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd wait {channel[0], POLLIN, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            timedOut = ready == 0;
            break;
        }
        char buffer[4096];
        const ssize_t n = ::read(channel[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        message.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(channel[0]);
    if (timedOut)
        ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (timedOut)
        return {false, false, 0, "did not finish within " + std::to_string(checkSeconds) + " s"};
    if (WIFSIGNALED(status))
        return {false, false, 0, "the plug-in crashed (" + signalName(WTERMSIG(status)) + ")"};
    // A sanitizer's or the plug-in's own handler may turn a crash into an exit.
    if (message.size() < 2)
        return {false, false, 0, "the plug-in crashed (the check's process ended with status " +
                                     std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")"};
    Verdict verdict;
    verdict.level = message[0] - '0';
    verdict.skipped = message[1] == 'S';
    verdict.passed = message[1] != 'F';
    verdict.reason = message.substr(2);
    return verdict;
}

} // namespace

int validateCommand(const CommandArguments& arguments)
{
    std::string plugin;
    long strict = 1;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(helpText, stdout);
            return 0;
        }
        if (argument == "--strict" || argument.rfind("--strict=", 0) == 0) {
            std::string value;
            if (argument.size() > 8)
                value = argument.substr(9);
            else if (i + 1 < arguments.size())
                value = arguments[++i];
            else
                return reportUsage(command, "--strict needs a value");
            std::string error;
            const auto level = parseInteger(value, 0, 2, "strictness", error);
            if (!level)
                return reportUsage(command, error);
            strict = *level;
        } else if (argument.rfind("--", 0) == 0) {
            return reportUsage(command, "unknown option " + argument);
        } else if (plugin.empty()) {
            plugin = argument;
        } else {
            return reportUsage(command, "expects one PLUGIN, got '" + plugin + "' and '" + argument + "'");
        }
    }
    if (plugin.empty())
        return reportUsage(command, "expects PLUGIN");

    int passed = 0;
    int failed = 0;
    for (int i = 0; i < validationCheckCount; ++i) {
        const ValidationCheck& check = validationChecks[i];
        const Verdict verdict = runIsolated(check, plugin);
        if (verdict.skipped) {
            std::printf("SKIP %s: %s\n", check.name, verdict.reason.c_str());
        } else if (verdict.passed) {
            std::printf("PASS %s: %s\n", check.name, check.passes);
            ++passed;
        } else if (verdict.level > strict) {
            std::printf("PASS %s: %s (tolerated below --strict %d: %s)\n", check.name, check.passes, verdict.level,
                        verdict.reason.c_str());
            ++passed;
        } else {
            std::printf("FAIL %s: %s\n", check.name, verdict.reason.c_str());
            ++failed;
        }
        std::fflush(stdout);
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : exitFailure;
}
