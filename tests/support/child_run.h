// Test support: the real program run as a child process in a directory, with a time limit
// and, when asked, a file-size limit or the rights of an unprivileged user.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

namespace zq::test {

class TempDir;

struct ChildLimits {
    double seconds = 60;        // killed after this long
    long long file_bytes = -1;  // RLIMIT_FSIZE when not negative (SIGXFSZ ignored)
    bool unprivileged = false;  // as user and group "nobody" (65534) when started as root
    double kill_after = -1;     // SIGKILL after this many seconds (a killed run, on purpose)
    std::string asan_options;   // added to ASAN_OPTIONS of the child (sanitizer builds)
};

struct ChildOutcome {
    int status = -1;         // exit status; -1 when ended by a signal
    int signal = 0;          // the signal that ended it
    bool timed_out = false;  // killed at the time limit
    std::string console;     // standard output
    std::string errors;      // standard error (sanitizer reports land here)
};

// ZQ_PROGRAM started in `dir` with standard input from /dev/null; done() tells, without
// waiting, whether it has ended (and kills it at its time limit).
class Child {
public:
    Child(const std::filesystem::path& dir, const ChildLimits& limits);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    bool done();
    ChildOutcome outcome() const;  // once done

private:
    ChildLimits limits_;
    std::unique_ptr<TempDir> streams_;
    pid_t pid_ = -1;
    int raw_ = 0;
    bool done_ = false, timed_out_ = false;
    std::chrono::steady_clock::time_point start_;
};

// Runs ZQ_PROGRAM in `dir` to its end.
ChildOutcome run_child(const std::filesystem::path& dir, const ChildLimits& limits = {});

}  // namespace zq::test
