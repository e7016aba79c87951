#include "format/text_io.h"

#include <cstdio>
#include <iostream>
#include <sstream>
#include <system_error>

namespace zq {

namespace fs = std::filesystem;

OutputFile::OutputFile(fs::path path) : path_(std::move(path)) {}

void OutputFile::create_if_absent() {
    std::error_code ec;
    if (fs::exists(path_, ec)) return;
    std::ofstream touch(path_, std::ios::app);
}

void OutputFile::start() {
    if (started_) return;
    out_.open(path_, std::ios::out | std::ios::trunc);
    started_ = true;
}

void OutputFile::line(std::string_view text) {
    start();
    out_ << text << '\n';
}

void OutputFile::write(std::string_view text) {
    start();
    out_ << text;
}

void OutputFile::flush() {
    if (started_) out_.flush();
}

void AppendFile::open(const fs::path& path, bool fresh) {
    out_.close();
    out_.clear();
    out_.open(path, std::ios::out | std::ios::binary | (fresh ? std::ios::trunc : std::ios::app));
}

void AppendFile::line(std::string_view text) {
    buffer_.assign(text);
    buffer_ += '\n';
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    out_.flush();
}

Io::Io(fs::path dir, std::istream& in, std::ostream& out)
    : dir_(std::move(dir)),
      in_(in),
      out_(out),
      plot_(dir_ / "ZARNPLOT.DAT"),
      listing_(dir_ / "ZARNOUT.DAT"),
      skip_(dir_ / "Skip_Species.txt") {}

void Io::console(std::string_view text) {
    out_ << text << '\n';
    out_.flush();
}

std::string Io::ask_line() {
    if (answer_) return {};
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
    listing_.line(text);
    console(text);
}

bool Io::exists(std::string_view name) const {
    std::error_code ec;
    return fs::is_regular_file(dir_ / fs::path(name), ec);
}

std::optional<std::string> Io::read_file(std::string_view name) const {
    std::ifstream f(dir_ / fs::path(name), std::ios::binary);
    if (!f) return std::nullopt;
    std::ostringstream ss;
    ss << f.rdbuf();
    return std::move(ss).str();
}

void Io::replace_file(std::string_view name, std::string_view content) {
    const fs::path dest = dir_ / fs::path(name);
    fs::path tmp = dest;
    tmp += ".tmp";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        f << content;
        f.flush();
        if (!f) {
            console("  Cannot write " + tmp.string());
            stop_run(1);
        }
    }
    std::error_code ec;
    fs::rename(tmp, dest, ec);
    if (ec) {
        console("  Cannot replace " + dest.string() + ": " + ec.message());
        stop_run(1);
    }
}

void Io::create_output_files() {
    plot_.create_if_absent();
    listing_.create_if_absent();
    OutputFile(dir_ / "ZARNRUN.SAV").create_if_absent();
    OutputFile(dir_ / "ZARNRUN.SA2").create_if_absent();
    skip_.create_if_absent();
}

}  // namespace zq
