#include "support/run_dir.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include <unistd.h>

#include <gtest/gtest.h>

#include "driver/pickup.h"
#include "driver/program.h"
#include "format/text_io.h"

namespace zq::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    std::random_device rd;
    path_ = fs::temp_directory_path() / ("zq-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) +
                                         "-" + std::to_string(rd() % 100000));
    fs::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void TempDir::write(std::string_view name, std::string_view content) const {
    std::ofstream f(path_ / fs::path(name), std::ios::binary | std::ios::trunc);
    f << content;
}

std::string TempDir::read(std::string_view name) const {
    std::ifstream f(path_ / fs::path(name), std::ios::binary);
    if (!f) return {};
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

bool TempDir::exists(std::string_view name) const { return fs::exists(path_ / fs::path(name)); }

std::string text(std::initializer_list<Lines> parts) {
    std::string s;
    for (const auto& p : parts)
        for (const auto& l : p) s += l + "\n";
    return s;
}

std::string Session::listing() {
    io.listing().flush();
    return dir.read("ZARNOUT.DAT");
}

std::string Session::unread() {
    std::ostringstream rest;
    rest << in.rdbuf();
    return rest.str();
}

void expect_run_file_reads_back(const TempDir& dir, const std::string& before) {
    const std::string after = dir.read("ZARNRUN.DAT");
    if (after == before) return;  // not replaced by a pickup
    std::string reason;
    EXPECT_TRUE(pickup_reads_back(after, &reason)) << "ZARNRUN.DAT written by the run does not read back:\n"
                                                   << reason << "\n"
                                                   << after;
}

RunOutcome run_in(const TempDir& dir, std::string_view input, const RunObserver* observer,
                  const RunOptions& options) {
    std::istringstream in{std::string(input)};
    std::ostringstream out;
    RunOutcome outcome;
    const std::string run_file = dir.read("ZARNRUN.DAT");
    {
        Io io(dir.path(), in, out);
        outcome.status = run_program(io, observer, options);
    }
    outcome.console = out.str();
    expect_run_file_reads_back(dir, run_file);
    return outcome;
}

fs::path source_path(std::string_view relative) { return fs::path(ZQ_SOURCE_DIR) / fs::path(relative); }

std::string read_text(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

std::string source_text(std::string_view relative) { return read_text(source_path(relative)); }

}  // namespace zq::test
