// Sequential line reading of an input file held in memory, with line numbers for messages.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zq {

class TextSource {
public:
    TextSource() = default;
    explicit TextSource(std::string text, std::string name = {}) : text_(std::move(text)), name_(std::move(name)) {}

    // The next line without its line end (a final '\r' is dropped), or nullopt at the end.
    std::optional<std::string_view> next() {
        if (pos_ >= text_.size()) return std::nullopt;
        const std::size_t nl = text_.find('\n', pos_);
        const std::size_t end = nl == std::string::npos ? text_.size() : nl;
        std::string_view line(text_.data() + pos_, end - pos_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        prev_ = pos_;
        pos_ = nl == std::string::npos ? text_.size() : nl + 1;
        ++line_no_;
        return line;
    }
    // Steps back over the line just read (once).
    void back() {
        if (line_no_ > 0 && prev_ < pos_) {
            pos_ = prev_;
            --line_no_;
        }
    }
    bool at_end() const { return pos_ >= text_.size(); }
    int line_number() const { return line_no_; }  // number of the line last read (1-based)
    const std::string& name() const { return name_; }

private:
    std::string text_;
    std::string name_;
    std::size_t pos_ = 0, prev_ = 0;
    int line_no_ = 0;
};

}  // namespace zq
