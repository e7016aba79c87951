// The program's I/O layer: the console (out and in), the listing and the other output
// files, and the input files, all inside one working directory. A run gets one Io; a test
// points it at a temporary directory and a scripted standard input.
//
// Every file operation is checked. An output file that cannot be created, written or closed
// ends the run with a console message naming the file and the system's reason (RunStop,
// status 1): a run whose output is incomplete must never look like one that succeeded.
#pragma once

#include <chrono>
#include <cstddef>
#include <exception>
#include <filesystem>
#include <initializer_list>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "format/fixed_layout.h"
#include "format/record_layout.h"

namespace zq {

// The plain stop: every end of a run throws this after writing its message. `status` is
// the process exit status: 0 for a normal end (a path limit, an input-check-only run),
// 1 for an error, a refused question or a failed solve.
class RunStop : public std::exception {
public:
    explicit RunStop(int status) : status_(status) {}
    int status() const { return status_; }
    const char* what() const noexcept override { return "run stopped"; }

private:
    int status_;
};
[[noreturn]] inline void stop_run(int status = 1) { throw RunStop(status); }

class Io;

// An output file that is created at start-up when absent but keeps its earlier content
// until the run first writes to it; the first write replaces the content from the start.
// Text is buffered and written in blocks; a failure to create, write or close the file
// stops the run (see Io). A file the user has made read-only (no write permission for
// anyone) is not written, even where the system would allow it.
class OutputFile {
public:
    OutputFile(Io& io, std::filesystem::path path, bool discard);
    ~OutputFile();  // writes what is buffered and closes, without messages
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void create_if_absent();
    void line(std::string_view text);  // text and a newline (text may hold '\n's)
    // The line(s) of a layout and a newline, made straight in the file's buffer.
    void line(std::string_view lay, std::initializer_list<FieldValue> values);
    void line(std::string_view lay, const std::vector<FieldValue>& values);
    // The same for a layout laid out when compiling (fixed_layout.h): line<R"([I3] [A8])">(k, name).
    template <LayoutText L, class... V>
    void line(const V&... values) {
        start();
        if (discard_) return line(std::string_view(layout<L>(values...)));
        const std::size_t at = buf_.size();
        layout_to<L>(buf_, values...);
        end_line(at);
    }
    void write(std::string_view text);  // raw text
    void flush();                       // writes what is buffered
    void close();                       // flushes and closes; a later write starts the file anew
    bool written() const { return started_; }
    const std::filesystem::path& path() const { return path_; }

    // The text of the last line() written since the console was last written to, "" when
    // none: a stop whose message went only to this file.
    std::string unseen() const;
    void seen() {
        unseen_.clear();
        unseen_in_buffer_ = false;
    }

private:
    void start();
    void drain();
    [[noreturn]] void fail(std::string_view action, int err);
    Io& io_;
    std::filesystem::path path_;
    bool discard_;
    int fd_ = -1;
    bool started_ = false;
    // The last line is kept where it lies in the buffer, and copied out only when the
    // buffer is written: most lines are never asked for.
    void end_line(std::size_t at);  // the line begun at `at` is the last one, and ends
    template <class Values>
    void layout_line(std::string_view lay, const Values& values);  // the two line(layout, values)
    void keep_unseen();
    std::string buf_;
    std::string unseen_;
    bool unseen_in_buffer_ = false;
    std::size_t unseen_at_ = 0, unseen_size_ = 0;
};

// A file the run appends whole lines to (a table). Lines are gathered and written in
// blocks of whole lines: when a block is full, at flush() and close(), and (without a
// message on failure) when the file is destroyed, so a run stopped at any moment leaves
// whole lines; the lines since the last flush may be missing. `open` with `fresh` starts
// the file empty; otherwise the lines go after what it holds.
class AppendFile {
public:
    AppendFile() = default;
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;
    // A failure to open, write or close stops the run with the message of io.file_failure.
    void open(Io& io, const std::filesystem::path& path, bool fresh);
    void close();
    void line(std::string_view text);
    // For lines made straight in the gathered text (the rows of a step): the text, whose
    // characters from end() on are room the maker may grow and fill, and made(end), which
    // takes the whole lines (each with its newline) written up to `end`.
    std::string& text() { return buf_; }
    std::size_t end() const { return end_; }
    void made(std::size_t end);
    void flush();  // writes the lines gathered

private:
    Io* io_ = nullptr;
    std::filesystem::path path_;
    int fd_ = -1;
    std::string buf_;      // the lines gathered, then room
    std::size_t end_ = 0;  // where the lines gathered end
};

class Io {
public:
    Io(std::filesystem::path dir, std::istream& in, std::ostream& out);
    // An Io that writes no file at all (its output files take text and drop it), for
    // reading a text with the program's readers without touching the working directory.
    struct Scratch {};
    Io(Scratch, std::istream& in, std::ostream& out);
    ~Io();
    Io(const Io&) = delete;
    Io& operator=(const Io&) = delete;

    const std::filesystem::path& dir() const { return dir_; }

    // Console.
    void console(std::string_view text);  // text and a newline
    std::string ask_line();               // one line; end of input is ""
    // Writes `prompt` (with a newline) to the console and reads one answer: a first
    // character N or n is "no", anything else (an empty line included) "yes".
    bool ask_yes(std::string_view prompt);
    // Every yes/no question answered so, written after its prompt, and no line read from
    // the console (ask_line gives ""): for scripts and batch queues.
    void answer_all(bool yes) { answer_ = yes; }

    // Listing and the other output files of the run.
    OutputFile& listing() { return listing_; }
    OutputFile& plot() { return plot_; }
    OutputFile& skip_report() { return skip_; }
    // The same text to the listing and then the console.
    void both(std::string_view text);

    // Input files. read_file gives nullopt when the file cannot be read (the reason in
    // last_error()) or holds more than `limit` bytes (then *too_large is set when given).
    bool exists(std::string_view name) const;
    std::optional<std::string> read_file(std::string_view name, std::size_t limit = static_cast<std::size_t>(-1),
                                         bool* too_large = nullptr);
    std::string last_error() const { return last_error_; }
    std::optional<std::uintmax_t> file_size(std::string_view name) const;

    // Replaces a file whole: the new content goes to a temporary file of a name no other
    // run uses, in the folder of the file (of the file a symbolic link points to, so the
    // link stays and its target is replaced), with the file's permissions, and is renamed
    // over it; the file is never left half written. A failure stops the run with a message.
    void replace_file(std::string_view name, std::string_view content);
    // The file (or the file a symbolic link points to) exists and is read-only: nobody may
    // write it, or this process may not.
    bool read_only(std::string_view name) const;
    // Removes the temporary files that a run killed while replacing one of `names` left
    // behind (their run no longer exists).
    void remove_stale_temporaries(std::initializer_list<std::string_view> names);
    // Takes the advisory lock of the working directory, on the file LOCK_FILE in it
    // (created when absent, never removed); a directory whose lock another run holds
    // stops this run with a message. The lock is held until this Io ends.
    void lock_directory();
    static constexpr std::string_view LOCK_FILE = "ZARNRUN.LCK";

    // Creates every output file of the run that does not exist yet.
    void create_output_files();
    std::filesystem::path path_of(std::string_view name) const { return dir_ / name; }
    // Flushes and closes the listing, the plot file and the omitted-species report.
    void close_outputs();
    // A stop whose message went to the listing only shows that message on the console too.
    void show_unseen_listing_message();

    // The failure of an operation on a file: a console message naming the file and the
    // system's reason for errno value `err`, and the stop.
    [[noreturn]] void file_failure(const std::filesystem::path& file, std::string_view action, int err);

private:
    std::string shown_name(const std::filesystem::path& file) const;
    std::filesystem::path dir_;
    std::istream& in_;
    std::ostream& out_;
    std::optional<bool> answer_;
    bool scratch_ = false;
    int lock_fd_ = -1;
    // When the console was last flushed (the first line is flushed at once).
    std::chrono::steady_clock::time_point console_flushed_{};
    std::string last_error_;
    OutputFile plot_, listing_, skip_;
};

}  // namespace zq
