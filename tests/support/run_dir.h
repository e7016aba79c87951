// Test support: a temporary working directory and a whole program run inside it with a
// scripted standard input.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "driver/program.h"
#include "format/text_io.h"

namespace zq::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    void write(std::string_view name, std::string_view content) const;
    std::string read(std::string_view name) const;  // "" when absent
    bool exists(std::string_view name) const;

private:
    std::filesystem::path path_;
};

// An Io on a temporary directory with a scripted console, for testing one stage.
struct Session {
    TempDir dir;
    std::istringstream in;
    std::ostringstream out;
    Io io;
    explicit Session(const std::string& answers = "") : in(answers), io(dir.path(), in, out) {}
    std::string listing();  // ZARNOUT.DAT as written so far
    std::string console() const { return out.str(); }
    std::string unread();  // console answers not consumed
};

struct RunOutcome {
    int status = -1;
    std::string console;
};

// Expected output as blocks of lines: every line ends with a newline.
using Lines = std::vector<std::string>;
std::string text(std::initializer_list<Lines> parts);

// The stop status of f, or -1 when f returns.
template <class F>
int stop_status(F&& f) {
    try {
        f();
    } catch (const RunStop& stop) {
        return stop.status();
    }
    return -1;
}

// A ZARNRUN.DAT that differs from `before` (a pickup replaced it) must read back as a run
// file: a test failure otherwise.
void expect_run_file_reads_back(const TempDir& dir, const std::string& before);

// Runs the program in `dir` (in-process), answering console questions from `input`, with
// an optional observer of the solves; every pickup it leaves in ZARNRUN.DAT must read back.
RunOutcome run_in(const TempDir& dir, std::string_view input = {}, const RunObserver* observer = nullptr,
                  const RunOptions& options = {});

// Path of a file in the source tree (for fixtures under tests/data and the bundled data).
std::filesystem::path source_path(std::string_view relative);

// The whole content of a file ("" when it cannot be read), and of a file of the source tree.
std::string read_text(const std::filesystem::path& p);
std::string source_text(std::string_view relative);

}  // namespace zq::test
