#include "support/child_run.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/run_dir.h"

namespace zq::test {

namespace {

std::string slurp(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// In the child, between fork and exec: only calls that are safe there.
[[noreturn]] void become_program(const std::filesystem::path& dir, const ChildLimits& limits, int out, int err) {
    const int in = ::open("/dev/null", O_RDONLY);
    if (in < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(120);
    if (limits.file_bytes >= 0) {
        ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG instead
        const rlimit lim{static_cast<rlim_t>(limits.file_bytes), static_cast<rlim_t>(limits.file_bytes)};
        if (::setrlimit(RLIMIT_FSIZE, &lim) != 0) ::_exit(121);
    }
    if (limits.unprivileged && ::geteuid() == 0) {
        const gid_t nobody = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0) ::_exit(122);
    }
    if (::chdir(dir.c_str()) != 0) ::_exit(123);
    ::execl(ZQ_PROGRAM, ZQ_PROGRAM, static_cast<char*>(nullptr));
    ::_exit(124);
}

}  // namespace

ChildOutcome run_child(const std::filesystem::path& dir, const ChildLimits& limits) {
    TempDir io;  // the console and the error stream, outside the run's directory
    const int out = ::open((io.path() / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int err = ::open((io.path() / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ChildOutcome outcome;
    const pid_t pid = ::fork();
    if (pid == 0) become_program(dir, limits, out, err);
    ::close(out);
    ::close(err);
    if (pid < 0) return outcome;

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    int raw = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &raw, WNOHANG);
        if (done == pid) break;
        const double t = elapsed();
        if ((limits.kill_after >= 0 && t >= limits.kill_after) || t >= limits.seconds) {
            outcome.timed_out = limits.kill_after < 0 || t >= limits.seconds;
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &raw, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    if (WIFEXITED(raw)) outcome.status = WEXITSTATUS(raw);
    if (WIFSIGNALED(raw)) outcome.signal = WTERMSIG(raw);
    outcome.console = slurp(io.path() / "out");
    outcome.errors = slurp(io.path() / "err");
    return outcome;
}

}  // namespace zq::test
