// Test support: the real program run as a child process in a directory, with a time limit
// and, when asked, a file-size limit or the rights of an unprivileged user.
#pragma once

#include <filesystem>
#include <string>

namespace zq::test {

struct ChildLimits {
    double seconds = 60;        // killed after this long
    long long file_bytes = -1;  // RLIMIT_FSIZE when not negative (SIGXFSZ ignored)
    bool unprivileged = false;  // as user and group "nobody" (65534) when started as root
    double kill_after = -1;     // SIGKILL after this many seconds (a killed run, on purpose)
};

struct ChildOutcome {
    int status = -1;         // exit status; -1 when ended by a signal
    int signal = 0;          // the signal that ended it
    bool timed_out = false;  // killed at the time limit
    std::string console;     // standard output
    std::string errors;      // standard error (sanitizer reports land here)
};

// Runs ZQ_PROGRAM in `dir` with standard input from /dev/null.
ChildOutcome run_child(const std::filesystem::path& dir, const ChildLimits& limits = {});

}  // namespace zq::test
