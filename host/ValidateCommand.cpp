// plughost validate PLUGIN|DIR [--strict N] [--report FILE]: runs each check of
// ValidateChecks.cpp in a child process of its own, so that a plug-in that crashes or hangs is
// reported, not fatal; for a folder, every plug-in in it, with a table at the end.
#include "Arguments.h"
#include "AtomicFile.h"
#include "Command.h"
#include "EditorHost.h"
#include "SharedLibrary.h"
#include "ValidateChecks.h"
#include "ValidationReport.h"

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace {

const char* const command = "validate";

const char* const helpText =
    "Usage: plughost validate PLUGIN [--strict N] [--report FILE]\n"
    "       plughost validate DIR [--strict N] [--report FILE]\n"
    "\n"
    "Checks the VST 2 plug-in PLUGIN as a careful host would before trusting it: its record,\n"
    "every opcode with the hostile arguments faulty hosts and damaged projects give, calls no\n"
    "working host makes (null pointers, absurd sample rates and block sizes), its texts, random\n"
    "automation with NaN and infinite values, sample rates from 22050 to 192000 Hz with blocks\n"
    "of 1 to 4096 frames, bad audio, its saved state in a fresh instance, its programs,\n"
    "parameters set from a second thread while audio runs and its editor (shown %s).\n"
    "Each check runs in a process of its own (with at most 4 GiB of memory) and prints PASS,\n"
    "FAIL or SKIP with a reason; a crash or hang names the call it happened in. The last line\n"
    "counts them.\n"
    "\n"
    "Given a folder DIR, checks every VST 2 plug-in in it and its subfolders (files of the\n"
    "system's library kind that export a VST 2 entry), each as above, then prints a table of\n"
    "plug-in against check.\n"
    "\n"
    "The exit status is 0 when every check of every plug-in passed, 1 otherwise.\n"
    "\n"
    "  --strict N     0: fail only when the plug-in crashes, hangs or breaks memory;\n"
    "                 1 (default): also for wrong results (non-finite sound, lost state or\n"
    "                 changes, texts past the host's buffer); 2: also for texts longer than\n"
    "                 the interface's conventions (8 characters for parameter texts) and for\n"
    "                 whatever goes wrong in calls no working host makes.\n"
    "  --report FILE  also write a JUnit XML report: a test suite per plug-in, a test case\n"
    "                 per check with its time, failures and skips with their reasons.\n";

constexpr rlim_t checkMemory = rlim_t {4} << 30;

// The child's end of the pipe, for reportStep.
int stepChannel = -1;

void writeAll(int fd, const std::string& message)
{
    for (std::size_t written = 0; written < message.size();) {
        const ssize_t n = ::write(fd, message.data() + written, message.size() - written);
        if (n <= 0)
            break;
        written += static_cast<std::size_t>(n);
    }
}

constexpr int checkSeconds = 30;

std::string signalName(int number)
{
    const char* name = sigabbrev_np(number);
    return name != nullptr ? std::string("SIG") + name : "signal " + std::to_string(number);
}

// Runs one check in a child process. What comes back through the pipe: a line "~STEP" for
// each step the check reports, then "=" with a level digit, a flag (P pass, F fail, S skip)
// and the reason.
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
        stepChannel = channel[1];
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
        // A plug-in told an absurd sample rate may try to take all the machine's memory; here it
        // is refused beyond 4 GiB instead. Sanitizers reserve far more address space, unused.
        const rlimit memory {checkMemory, checkMemory};
        ::setrlimit(RLIMIT_AS, &memory);
#endif
        const Verdict verdict = check.run(plugin);
        writeAll(channel[1], "=" + std::to_string(verdict.level) + (verdict.skipped ? "S" : verdict.passed ? "P" : "F") +
                                 verdict.reason);
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
    // Steps come as "~" (or "~!" for one no working host makes), the text and a line feed.
    std::string step;
    bool beyondHosts = false;
    std::size_t at = 0;
    while (at < message.size() && message[at] == '~') {
        const std::size_t end = message.find('\n', at);
        if (end == std::string::npos)
            break;
        beyondHosts = at + 1 < end && message[at + 1] == '!';
        step = message.substr(at + (beyondHosts ? 2 : 1), end - at - (beyondHosts ? 2 : 1));
        at = end + 1;
    }
    const std::string during = step.empty() ? "" : " at the step: " + step;
    const int level = beyondHosts ? 2 : 0;
    if (timedOut)
        return {false, false, level, "did not finish within " + std::to_string(checkSeconds) + " s" + during};
    if (WIFSIGNALED(status))
        return {false, false, level, "the plug-in crashed (" + signalName(WTERMSIG(status)) + ")" + during};
    // A sanitizer's or the plug-in's own handler may turn a crash into an exit.
    if (message.size() < at + 3 || message[at] != '=')
        return {false, false, level, "the plug-in crashed (the check's process ended with status " +
                                         std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")" + during};
    Verdict verdict;
    verdict.level = message[at + 1] - '0';
    verdict.skipped = message[at + 2] == 'S';
    verdict.passed = message[at + 2] != 'F';
    verdict.reason = message.substr(at + 3);
    return verdict;
}

std::string utcNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm parts {};
    ::gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &parts);
    return text;
}

// Every check on one plug-in, each line printed as it finishes.
PluginOutcome validatePlugin(const std::string& plugin, long strict)
{
    PluginOutcome outcome {plugin, utcNow(), {}};
    for (int i = 0; i < validationCheckCount; ++i) {
        const ValidationCheck& check = validationChecks[i];
        const auto started = std::chrono::steady_clock::now();
        const Verdict verdict = runIsolated(check, plugin);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        CheckOutcome result {CheckOutcome::passed, check.name, {}, verdict.level, seconds};
        if (verdict.skipped) {
            result = {CheckOutcome::skipped, check.name, verdict.reason, verdict.level, seconds};
            std::printf("SKIP %s: %s\n", check.name, verdict.reason.c_str());
        } else if (verdict.passed) {
            std::printf("PASS %s: %s\n", check.name, check.passes);
        } else if (verdict.level > strict) {
            result.reason = verdict.reason;
            std::printf("PASS %s: %s (tolerated below --strict %d: %s)\n", check.name, check.passes, verdict.level,
                        verdict.reason.c_str());
        } else {
            result = {CheckOutcome::failed, check.name, verdict.reason, verdict.level, seconds};
            std::printf("FAIL %s: %s\n", check.name, verdict.reason.c_str());
        }
        std::fflush(stdout);
        outcome.checks.push_back(result);
    }
    const int failed = outcome.failures();
    std::printf("%d passed, %d failed\n", static_cast<int>(outcome.checks.size()) - outcome.skips() - failed, failed);
    return outcome;
}

// Whether the file is a library of the system's kind exporting a VST 2 entry, tried in a child
// process: loading runs the library's constructors, which may crash. A file whose loading
// crashes or hangs counts as a plug-in, so that its checks report it.
bool isPlugin(const std::string& path)
{
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = ::fork();
    if (child < 0)
        return true;
    if (child == 0) {
        std::string error;
        void* library = sharedlibrary::open(path, error);
        const bool entry = library != nullptr && (sharedlibrary::symbol(library, "VSTPluginMain") != nullptr ||
                                                  sharedlibrary::symbol(library, "main") != nullptr);
        ::_exit(entry ? 0 : 3);
    }
    int status = 0;
    for (int waited = 0; waited < 1000; ++waited) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child)
            return !(WIFEXITED(status) && WEXITSTATUS(status) == 3);
        ::usleep(10000);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    return true;
}

// The plug-ins under folder, in name order; files that are not plug-ins are listed on stderr.
std::vector<std::string> pluginsIn(const std::string& folder)
{
    std::vector<std::string> found;
    std::error_code failure;
    namespace fs = std::filesystem;
    for (auto entry = fs::recursive_directory_iterator(folder, fs::directory_options::skip_permission_denied, failure);
         !failure && entry != fs::recursive_directory_iterator(); entry.increment(failure)) {
        if (entry->is_regular_file(failure) && entry->path().extension() == ".so")
            found.push_back(entry->path().string());
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> plugins;
    for (const std::string& path : found) {
        if (isPlugin(path))
            plugins.push_back(path);
        else
            std::fprintf(stderr, "plughost %s: skipping '%s': not a VST 2 plug-in\n", command, path.c_str());
    }
    return plugins;
}

// One row per plug-in (its path below the folder), one column per check.
void printTable(const std::string& folder, const std::vector<PluginOutcome>& outcomes)
{
    std::vector<std::string> names;
    std::size_t nameWidth = std::strlen("plug-in");
    for (const PluginOutcome& outcome : outcomes) {
        names.push_back(std::filesystem::path(outcome.plugin).lexically_relative(folder).string());
        nameWidth = std::max(nameWidth, names.back().size());
    }
    std::printf("\n%-*s", static_cast<int>(nameWidth), "plug-in");
    for (int i = 0; i < validationCheckCount; ++i)
        std::printf("  %s", validationChecks[i].name);
    std::printf("\n");
    for (std::size_t row = 0; row < outcomes.size(); ++row) {
        std::printf("%-*s", static_cast<int>(nameWidth), names[row].c_str());
        for (int i = 0; i < validationCheckCount; ++i) {
            const CheckOutcome& check = outcomes[row].checks[static_cast<std::size_t>(i)];
            const char* mark = check.result == CheckOutcome::failed    ? "FAIL"
                               : check.result == CheckOutcome::skipped ? "SKIP"
                                                                       : "PASS";
            const bool last = i + 1 == validationCheckCount;
            std::printf("  %-*s", last ? 0 : static_cast<int>(std::strlen(validationChecks[i].name)), mark);
        }
        std::printf("\n");
    }
    int clean = 0;
    for (const PluginOutcome& outcome : outcomes)
        clean += outcome.failures() == 0;
    std::printf("%d plug-ins: %d passed every check, %d failed some\n", static_cast<int>(outcomes.size()), clean,
                static_cast<int>(outcomes.size()) - clean);
}

bool writeReport(const std::string& path, const std::vector<PluginOutcome>& outcomes, std::string& error)
{
    char hostname[256] = {};
    if (::gethostname(hostname, sizeof hostname - 1) != 0)
        std::strcpy(hostname, "localhost");
    const std::string xml = junitReport(outcomes, hostname);
    AtomicFile file(path);
    return file.create(error) >= 0 && file.write(xml.data(), xml.size(), error) && file.commit(error);
}

} // namespace

void reportStep(const std::string& what, bool beyondHosts)
{
    if (stepChannel >= 0)
        writeAll(stepChannel, (beyondHosts ? "~!" : "~") + what + "\n");
}

int validateCommand(const CommandArguments& arguments)
{
    std::string target;
    std::string report;
    long strict = 1;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            std::printf(helpText, EditorHost::where());
            return 0;
        }
        const bool isStrict = argument == "--strict" || argument.rfind("--strict=", 0) == 0;
        const bool isReport = argument == "--report" || argument.rfind("--report=", 0) == 0;
        if (isStrict || isReport) {
            const std::string name = isStrict ? "--strict" : "--report";
            std::string value;
            if (argument.size() > name.size())
                value = argument.substr(name.size() + 1);
            else if (i + 1 < arguments.size())
                value = arguments[++i];
            else
                return reportUsage(command, name + " needs a value");
            if (isReport) {
                if (value.empty())
                    return reportUsage(command, "--report needs a file");
                report = value;
                continue;
            }
            std::string error;
            const auto level = parseInteger(value, 0, 2, "strictness", error);
            if (!level)
                return reportUsage(command, error);
            strict = *level;
        } else if (argument.rfind("--", 0) == 0) {
            return reportUsage(command, "unknown option " + argument);
        } else if (target.empty()) {
            target = argument;
        } else {
            return reportUsage(command, "expects one PLUGIN or DIR, got '" + target + "' and '" + argument + "'");
        }
    }
    if (target.empty())
        return reportUsage(command, "expects PLUGIN or DIR");

    std::error_code failure;
    const bool folder = std::filesystem::is_directory(target, failure);
    std::vector<std::string> plugins {target};
    if (folder) {
        plugins = pluginsIn(target);
        if (plugins.empty())
            return reportFailure(command, "no VST 2 plug-in in '" + target + "'");
    }
    std::vector<PluginOutcome> outcomes;
    for (const std::string& plugin : plugins) {
        if (folder)
            std::printf("%s== %s\n", outcomes.empty() ? "" : "\n", plugin.c_str());
        outcomes.push_back(validatePlugin(plugin, strict));
    }
    if (folder)
        printTable(target, outcomes);
    std::fflush(stdout);
    std::string error;
    if (!report.empty() && !writeReport(report, outcomes, error))
        return reportFailure(command, error);
    for (const PluginOutcome& outcome : outcomes)
        if (outcome.failures() > 0)
            return exitFailure;
    return 0;
}
