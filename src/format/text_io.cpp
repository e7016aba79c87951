#include "format/text_io.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <system_error>
#include <vector>

namespace zq {

namespace fs = std::filesystem;

namespace {

// Text is written in blocks of this size: few system calls, and a failure shows within a
// block of where it happened.
constexpr std::size_t BLOCK = 64 * 1024;
// The tables' lines are gathered in blocks of several steps: a 1000-step path writes 21 MB
// of them, and the system takes them for much less than in one write per step.
constexpr std::size_t TABLE_BLOCK = 128 * 1024;

// Symbolic links followed to find the file they point to; more is a loop.
constexpr int MAX_LINKS = 40;

// Writes all of `text` to `fd`, going on after partial writes; false with errno set on a
// failure (a full disk, a file-size limit).
bool write_all(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// No write permission for anyone: the user has made the file read-only. Checked apart from
// the system's own test, which lets a privileged user write anything.
bool protected_by_mode(const struct stat& st) {
    return S_ISREG(st.st_mode) && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

// The file that `p` names, following symbolic links (relative targets from the link's own
// folder); `p` itself when it is not a link. A target that does not exist is still given.
fs::path final_target(fs::path p) {
    std::error_code ec;
    for (int i = 0; i < MAX_LINKS && fs::is_symlink(fs::symlink_status(p, ec)); ++i) {
        const fs::path to = fs::read_symlink(p, ec);
        if (ec) break;
        p = to.is_absolute() ? to : p.parent_path() / to;
    }
    return p;
}

// Opens `path` for writing from an empty start, creating it if need be. A file with
// something in it is emptied through a descriptor of its own, closed at once. ext4 writes
// back the whole new content of a file emptied by truncation when the descriptor that
// wrote it closes (its guard for programs that rewrite files without syncing them); on a
// long path the listing's and tables' closes took 2 ms of the run's own time that way,
// while a new file's content is left to the system's flusher. The file stays the same
// file (its links, owner and mode are kept), and it is empty when this returns: should
// the second descriptor fail, or the name have moved to another file meanwhile, the file
// is emptied through the one returned. -1 with errno set on a failure.
int open_emptied(const char* path) {
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return fd;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size == 0) return fd;
    const int emptier = ::open(path, O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (emptier >= 0) ::close(emptier);
    if (emptier < 0 || ::fstat(fd, &st) != 0 || st.st_size != 0) {
        if (::ftruncate(fd, 0) != 0) {
            const int err = errno;
            ::close(fd);
            errno = err;
            return -1;
        }
    }
    return fd;
}

// How an output file is opened: created if absent and left as it is, continued at its end,
// or emptied.
enum class OpenFor { Creating, Appending, Replacing };

// Opens output file `path` for writing; -1 with errno set on a failure, EACCES when the
// user made the file read-only.
int open_output(const fs::path& path, OpenFor how) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && protected_by_mode(st)) {
        errno = EACCES;
        return -1;
    }
    if (how == OpenFor::Replacing) return open_emptied(path.c_str());
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (how == OpenFor::Appending ? O_APPEND : 0), 0666);
}

mode_t new_file_mode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

// The temporary files of `target`: "<name>.tmp-<pid>-XXXXXX", and "<name>.tmp" of earlier
// versions of the program.
std::string temp_prefix(const fs::path& target) { return target.filename().string() + ".tmp-"; }

}  // namespace

// ---- OutputFile ----------------------------------------------------------------------

OutputFile::OutputFile(Io& io, fs::path path, bool discard) : io_(io), path_(std::move(path)), discard_(discard) {}

OutputFile::~OutputFile() {
    if (fd_ < 0) return;
    (void)write_all(fd_, buf_);
    ::close(fd_);
}

void OutputFile::fail(std::string_view action, int err) {
    keep_unseen();
    buf_.clear();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    io_.file_failure(path_, action, err);
}

void OutputFile::create_if_absent() {
    if (discard_) return;
    const int fd = open_output(path_, OpenFor::Creating);
    if (fd < 0) fail("open", errno);
    if (::close(fd) != 0) fail("close", errno);
}

void OutputFile::start() {
    if (discard_ || fd_ >= 0) {
        started_ = true;
        return;
    }
    // The first write replaces the content; after close() the file is continued.
    fd_ = open_output(path_, started_ ? OpenFor::Appending : OpenFor::Replacing);
    if (fd_ < 0) fail("open", errno);
    started_ = true;
}

void OutputFile::drain() {
    if (fd_ < 0 || buf_.empty()) return;
    if (!write_all(fd_, buf_)) fail("write", errno);
    keep_unseen();
    buf_.clear();
}

void OutputFile::keep_unseen() {
    if (!unseen_in_buffer_) return;
    unseen_.assign(buf_, unseen_at_, unseen_size_);
    unseen_in_buffer_ = false;
}

std::string OutputFile::unseen() const { return unseen_in_buffer_ ? buf_.substr(unseen_at_, unseen_size_) : unseen_; }

void OutputFile::line(std::string_view text) {
    start();
    if (discard_) {
        unseen_.assign(text);
        unseen_in_buffer_ = false;
        return;
    }
    const std::size_t at = buf_.size();
    buf_ += text;
    end_line(at);
}

template <class Values>
void OutputFile::layout_line(std::string_view lay, const Values& values) {
    start();
    if (discard_) return line(layout(lay, values));
    const std::size_t at = buf_.size();
    layout_to(buf_, lay, values);
    end_line(at);
}

void OutputFile::line(std::string_view lay, std::initializer_list<FieldValue> values) { layout_line(lay, values); }

void OutputFile::line(std::string_view lay, const std::vector<FieldValue>& values) { layout_line(lay, values); }

void OutputFile::end_line(std::size_t at) {
    unseen_in_buffer_ = true;
    unseen_at_ = at;
    unseen_size_ = buf_.size() - at;
    buf_ += '\n';
    if (buf_.size() >= BLOCK) drain();
}

void OutputFile::write(std::string_view text) {
    start();
    if (discard_) return;
    buf_ += text;
    if (buf_.size() >= BLOCK) drain();
}

void OutputFile::flush() { drain(); }

void OutputFile::close() {
    drain();
    if (fd_ < 0) return;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) fail("close", errno);
}

// ---- AppendFile ----------------------------------------------------------------------

AppendFile::~AppendFile() {
    if (fd_ < 0) return;
    (void)write_all(fd_, std::string_view(buf_.data(), end_));
    ::close(fd_);
}

void AppendFile::open(Io& io, const fs::path& path, bool fresh) {
    close();
    io_ = &io;
    path_ = path;
    fd_ = open_output(path_, fresh ? OpenFor::Replacing : OpenFor::Appending);
    if (fd_ < 0) io.file_failure(path_, "open", errno);
}

void AppendFile::close() {
    if (fd_ < 0) return;
    flush();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) io_->file_failure(path_, "close", errno);
}

void AppendFile::line(std::string_view text) {
    if (end_ + text.size() + 1 > buf_.size()) buf_.resize(end_ + text.size() + 1 + buf_.size());
    std::memcpy(buf_.data() + end_, text.data(), text.size());
    buf_[end_ + text.size()] = '\n';
    made(end_ + text.size() + 1);
}

void AppendFile::made(std::size_t end) {
    end_ = end;
    if (end_ >= TABLE_BLOCK) flush();
}

void AppendFile::flush() {
    if (fd_ < 0 || end_ == 0) return;
    const bool written = write_all(fd_, std::string_view(buf_.data(), end_));
    end_ = 0;
    if (!written) {
        const int err = errno;
        ::close(fd_);
        fd_ = -1;
        io_->file_failure(path_, "write", err);
    }
}

// ---- Io --------------------------------------------------------------------------------

Io::Io(fs::path dir, std::istream& in, std::ostream& out)
    : dir_(std::move(dir)),
      in_(in),
      out_(out),
      plot_(*this, dir_ / "ZARNPLOT.DAT", false),
      listing_(*this, dir_ / "ZARNOUT.DAT", false),
      skip_(*this, dir_ / "Skip_Species.txt", false) {}

Io::Io(Scratch, std::istream& in, std::ostream& out)
    : in_(in),
      out_(out),
      scratch_(true),
      plot_(*this, "ZARNPLOT.DAT", true),
      listing_(*this, "ZARNOUT.DAT", true),
      skip_(*this, "Skip_Species.txt", true) {}

Io::~Io() {
    out_.flush();
    if (lock_fd_ >= 0) ::close(lock_fd_);
}

// The console is flushed before every question, at the end and at least every tenth of a
// second, not after each line: a path of short steps says a dozen lines per step, and a
// flush is a write to the terminal or pipe each time.
void Io::console(std::string_view text) {
    out_ << text << '\n';
    listing_.seen();
    const auto now = std::chrono::steady_clock::now();
    if (now - console_flushed_ >= std::chrono::milliseconds(100)) {
        out_.flush();
        console_flushed_ = now;
    }
}

std::string Io::ask_line() {
    if (answer_) return {};
    out_.flush();  // the question is on the screen before the answer is read
    std::string s;
    if (!std::getline(in_, s)) return {};
    if (!s.empty() && s.back() == '\r') s.pop_back();
    return s;
}

bool Io::ask_yes(std::string_view prompt) {
    console(prompt);
    if (answer_) {
        console(*answer_ ? "Yes" : "No");
        return *answer_;
    }
    const std::string answer = ask_line();
    return answer.empty() || (answer[0] != 'N' && answer[0] != 'n');
}

void Io::both(std::string_view text) {
    try {
        listing_.line(text);
    } catch (const RunStop&) {
        console(text);  // the message still reaches the user, after the listing's failure
        throw;
    }
    console(text);
}

std::string Io::shown_name(const fs::path& file) const {
    if (!scratch_ && file.parent_path() == dir_) return file.filename().string();
    return file.string();
}

void Io::file_failure(const fs::path& file, std::string_view action, int err) {
    console("");
    console("  Cannot " + std::string(action) + " " + shown_name(file) + ": " + std::strerror(err) + ".");
    console("  Execution stopped.");
    console("");
    stop_run(1);
}

bool Io::exists(std::string_view name) const {
    std::error_code ec;
    return fs::is_regular_file(dir_ / fs::path(name), ec);
}

std::optional<std::uintmax_t> Io::file_size(std::string_view name) const {
    struct stat st {};
    if (::stat((dir_ / fs::path(name)).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return static_cast<std::uintmax_t>(st.st_size);
}

std::optional<std::string> Io::read_file(std::string_view name, std::size_t limit, bool* too_large) {
    if (too_large) *too_large = false;
    const int fd = ::open((dir_ / fs::path(name)).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        last_error_ = std::strerror(errno);
        return std::nullopt;
    }
    std::string text;
    // Room for the whole file at once: a large file read in blocks would otherwise be copied
    // each time the text outgrows its room.
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<std::size_t>(st.st_size) <= limit)
        text.reserve(static_cast<std::size_t>(st.st_size) + 1);
    std::vector<char> block(BLOCK);
    for (;;) {
        const ssize_t n = ::read(fd, block.data(), block.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            last_error_ = std::strerror(errno);
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        text.append(block.data(), static_cast<std::size_t>(n));
        if (text.size() > limit) {
            // A file that grew past its bound while being read, or is not a plain file.
            if (too_large) *too_large = true;
            last_error_ = "larger than " + std::to_string(limit) + " bytes";
            ::close(fd);
            return std::nullopt;
        }
    }
    ::close(fd);
    return text;
}

bool Io::read_only(std::string_view name) const {
    const fs::path target = final_target(dir_ / fs::path(name));
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) return false;
    if (protected_by_mode(st)) return true;
    return ::access(target.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS);
}

void Io::replace_file(std::string_view name, std::string_view content) {
    const fs::path dest = final_target(dir_ / fs::path(name));
    struct stat st {};
    const bool existed = ::stat(dest.c_str(), &st) == 0;
    if (existed && protected_by_mode(st)) file_failure(dest, "replace", EACCES);
    const mode_t mode = existed ? static_cast<mode_t>(st.st_mode & 07777) : new_file_mode();

    std::string tmp = (dest.parent_path() / temp_prefix(dest)).string() + std::to_string(::getpid()) + "-XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) file_failure(dest.parent_path() / (temp_prefix(dest) + "*"), "create", errno);
    auto give_up = [&](std::string_view action, int err) {
        ::close(fd);
        ::unlink(tmp.c_str());
        file_failure(tmp, action, err);
    };
    if (::fchmod(fd, mode) != 0) give_up("set the permissions of", errno);
    if (!write_all(fd, content)) give_up("write", errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        file_failure(tmp, "close", err);
    }
    if (::rename(tmp.c_str(), dest.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        file_failure(dest, "replace", err);
    }
}

void Io::remove_stale_temporaries(std::initializer_list<std::string_view> names) {
    for (std::string_view name : names) {
        const fs::path target = final_target(dir_ / fs::path(name));
        const fs::path folder = target.parent_path();
        const std::string prefix = temp_prefix(target);
        const std::string legacy = target.filename().string() + ".tmp";
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(folder, ec)) {
            const std::string file = entry.path().filename().string();
            bool stale = false;
            if (file == legacy) {
                stale = folder == dir_;  // this directory is locked: nobody else writes here
            } else if (file.rfind(prefix, 0) == 0) {
                // "<pid>-XXXXXX": stale when process <pid> has ended.
                char* end = nullptr;
                const long pid = std::strtol(file.c_str() + prefix.size(), &end, 10);
                stale = pid > 0 && *end == '-' && pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 &&
                        errno == ESRCH;
            }
            if (stale) fs::remove(entry.path(), ec);
        }
    }
}

void Io::lock_directory() {
    const fs::path lock = dir_ / fs::path(LOCK_FILE);
    lock_fd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (lock_fd_ < 0) {
        // A lock file that exists but may not be written can still be locked.
        const int err = errno;
        if (err == EACCES || err == EROFS) lock_fd_ = ::open(lock.c_str(), O_RDONLY | O_CLOEXEC);
        if (lock_fd_ < 0) file_failure(lock, "create the lock file", err);
    }
    if (::flock(lock_fd_, LOCK_EX | LOCK_NB) == 0) return;
    if (errno != EWOULDBLOCK) return;  // a file system without locks: nothing to keep out
    console("");
    console("  Another run is going on in this folder: it holds the lock on " + std::string(LOCK_FILE) + ".");
    console("  Two runs in one folder would write the same files. Execution stopped.");
    console("");
    stop_run(1);
}

void Io::create_output_files() {
    plot_.create_if_absent();
    listing_.create_if_absent();
    OutputFile(*this, dir_ / "ZARNRUN.SAV", scratch_).create_if_absent();
    OutputFile(*this, dir_ / "ZARNRUN.SA2", scratch_).create_if_absent();
    skip_.create_if_absent();
}

void Io::close_outputs() {
    listing_.close();
    plot_.close();
    skip_.close();
}

void Io::show_unseen_listing_message() {
    const std::string text = listing_.unseen();
    if (!text.empty()) console(text);
}

}  // namespace zq
