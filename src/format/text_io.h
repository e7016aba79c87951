// The program's I/O layer: the console (out and in), the listing and the other output
// files, and the input files, all inside one working directory. A run gets one Io; a test
// points it at a temporary directory and a scripted standard input.
#pragma once

#include <exception>
#include <filesystem>
#include <fstream>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

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

// An output file that is created at start-up when absent but keeps its earlier content
// until the run first writes to it; the first write replaces the content from the start.
class OutputFile {
public:
    explicit OutputFile(std::filesystem::path path);
    void create_if_absent();
    void line(std::string_view text);   // text and a newline (text may hold '\n's)
    void write(std::string_view text);  // raw text
    void flush();
    bool written() const { return started_; }
    const std::filesystem::path& path() const { return path_; }

private:
    void start();
    std::filesystem::path path_;
    std::ofstream out_;
    bool started_ = false;
};

// A file the run appends whole lines to (a table): each line is written and flushed at
// once, so a run stopped at any moment leaves whole lines. `open` with `fresh` starts the
// file empty; otherwise the lines go after what it holds.
class AppendFile {
public:
    void open(const std::filesystem::path& path, bool fresh);
    void close() { out_.close(); }
    void line(std::string_view text);

private:
    std::ofstream out_;
    std::string buffer_;
};

class Io {
public:
    Io(std::filesystem::path dir, std::istream& in, std::ostream& out);

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

    // Input files and whole-file replacement.
    bool exists(std::string_view name) const;
    std::optional<std::string> read_file(std::string_view name) const;
    // Replaces a file by writing a temporary file in the same directory, flushing it and
    // renaming it over the destination, so the destination is never left half written.
    void replace_file(std::string_view name, std::string_view content);
    // Creates every output file of the run that does not exist yet.
    void create_output_files();
    std::filesystem::path path_of(std::string_view name) const { return dir_ / name; }

private:
    std::filesystem::path dir_;
    std::istream& in_;
    std::ostream& out_;
    std::optional<bool> answer_;
    OutputFile plot_, listing_, skip_;
};

}  // namespace zq
