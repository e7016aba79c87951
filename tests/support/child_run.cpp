#include "support/child_run.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>
#include <vector>

#include "support/run_dir.h"

extern char** environ;

namespace zq::test {

namespace {

// In the child, between fork and exec: only calls that are safe there.
[[noreturn]] void become_program(const std::filesystem::path& dir, const ChildLimits& limits, int out, int err,
                                 char* const* env) {
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
    char* const argv[] = {const_cast<char*>(ZQ_PROGRAM), nullptr};
    ::execve(ZQ_PROGRAM, argv, env);
    ::_exit(124);
}

// The environment of the child: this process's, with `asan` added to ASAN_OPTIONS.
std::vector<std::string> child_environment(const std::string& asan) {
    std::vector<std::string> env;
    std::string options = asan;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string var = *e;
        if (var.rfind("ASAN_OPTIONS=", 0) == 0)
            options = var.substr(13) + (asan.empty() ? "" : ":" + asan);
        else
            env.push_back(var);
    }
    if (!options.empty()) env.push_back("ASAN_OPTIONS=" + options);
    return env;
}

}  // namespace

Child::Child(const std::filesystem::path& dir, const ChildLimits& limits)
    : limits_(limits), streams_(std::make_unique<TempDir>()), start_(std::chrono::steady_clock::now()) {
    const int out = ::open((streams_->path() / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int err = ::open((streams_->path() / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    std::vector<std::string> env = child_environment(limits.asan_options);
    std::vector<char*> envp;
    for (std::string& v : env) envp.push_back(v.data());
    envp.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) become_program(dir, limits, out, err, envp.data());
    ::close(out);
    ::close(err);
    if (pid_ < 0) {
        done_ = true;
        raw_ = 127 << 8;  // as a shell reports a program it could not start
    }
}

Child::~Child() {
    if (done_ || pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
}

bool Child::done() {
    if (done_) return true;
    if (::waitpid(pid_, &raw_, WNOHANG) == pid_) return done_ = true;
    const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const bool killed = limits_.kill_after >= 0 && t >= limits_.kill_after;
    if (killed || t >= limits_.seconds) {
        timed_out_ = !killed;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &raw_, 0);
        done_ = true;
    }
    return done_;
}

ChildOutcome Child::outcome() const {
    ChildOutcome o;
    if (WIFEXITED(raw_)) o.status = WEXITSTATUS(raw_);
    if (WIFSIGNALED(raw_)) o.signal = WTERMSIG(raw_);
    o.timed_out = timed_out_;
    o.console = streams_->read("out");
    o.errors = streams_->read("err");
    return o;
}

ChildOutcome run_child(const std::filesystem::path& dir, const ChildLimits& limits) {
    Child child(dir, limits);
    while (!child.done()) std::this_thread::sleep_for(std::chrono::microseconds(500));
    return child.outcome();
}

}  // namespace zq::test
