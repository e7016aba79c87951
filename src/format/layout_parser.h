// The parser of the bracket notation: a layout's text into its items. Written so that it
// also runs while compiling, for the layouts whose lines are laid out then (fixed_layout.h);
// a malformed layout fails there as a compile error. Internal to format/.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "format/layout_items.h"

namespace zq::layout_detail {

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
constexpr char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

class Parser {
public:
    constexpr explicit Parser(std::string_view lay) : s_(lay) {}

    constexpr ParsedLayout run() {
        while (skip_separators()) {
            const char c = s_[i_];
            if (c == ']') {
                close_bracket();
                continue;
            }
            const int count = read_count();
            item(count);
        }
        if (!open_.empty()) fail("unbalanced '[' (no closing ']')", s_);
        fold_skips();
        set_reversion();
        out_.unrolled = unroll(0, out_.steps) && unroll(out_.reversion, out_.reversion_steps);
        if (!out_.unrolled) {
            out_.steps.clear();
            out_.reversion_steps.clear();
        }
        return std::move(out_);
    }

private:
    struct Open {
        int index;     // of the Group item holding the bracket's items
        bool counted;  // a repeat count stood before the '['
    };

    constexpr bool skip_separators() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == ',' || s_[i_] == '\t')) ++i_;
        return i_ < s_.size();
    }

    // Unsigned decimal number at the cursor, or -1 when there is none.
    constexpr int read_number() {
        if (i_ >= s_.size() || !is_digit(s_[i_])) return -1;
        long v = 0;
        while (i_ < s_.size() && is_digit(s_[i_])) {
            v = v * 10 + (s_[i_++] - '0');
            if (v > 1000000) fail("number too large", s_);
        }
        return static_cast<int>(v);
    }

    // A repeat count before an item: 0 when absent.
    constexpr int read_count() {
        const int n = read_number();
        if (n == 0) fail("repeat count of zero", s_);
        if (n > 0 && (i_ >= s_.size() || s_[i_] == ' ' || s_[i_] == ',' || s_[i_] == ']'))
            fail("repeat count without an item after it", s_);
        return n < 0 ? 0 : n;
    }

    constexpr void push(ItemKind kind, int count, int w = 0, int d = 0) {
        Item it;
        it.kind = kind;
        it.count = count > 0 ? count : 1;
        it.w = w;
        it.d = d;
        out_.items.push_back(std::move(it));
    }

    constexpr void item(int count) {
        const char c = s_[i_];
        if (c == '[') {
            ++i_;
            if (static_cast<int>(open_.size()) == MAX_GROUP_DEPTH) fail("brackets nested too deep", s_);
            open_.push_back({static_cast<int>(out_.items.size()), count > 0});
            push(ItemKind::Group, count);
            return;
        }
        if (c == '"') {
            literal(count);
            return;
        }
        if (c == '/') {
            if (count > 0) fail("repeat count before '/'", s_);
            ++i_;
            push(ItemKind::NewLine, 1);
            return;
        }
        descriptor(count);
    }

    constexpr void literal(int count) {
        ++i_;  // opening quote
        std::string text;
        for (;;) {
            if (i_ >= s_.size()) fail("unterminated text literal", s_);
            const char c = s_[i_++];
            if (c != '"') {
                text += c;
            } else if (i_ < s_.size() && s_[i_] == '"') {
                text += '"';  // a doubled quote stands for one quote
                ++i_;
            } else {
                break;
            }
        }
        push(ItemKind::Literal, count);
        out_.items.back().text = std::move(text);
    }

    constexpr void descriptor(int count) {
        const char letter = upper(s_[i_]);
        ++i_;
        switch (letter) {
            case 'X': push(ItemKind::Skip, count); break;
            case 'T': {
                if (count > 0) fail("repeat count before T", s_);
                const int c = read_number();
                if (c < 1) fail("T needs a column of 1 or more", s_);
                push(ItemKind::Tab, 1, c);
                break;
            }
            case 'A': {
                const int w = read_number();
                if (w == 0) fail("A of width zero", s_);
                push(ItemKind::A, count, w);
                break;
            }
            case 'I': push(ItemKind::I, count, width()); break;
            case 'F':
            case 'E':
            case 'G': {
                const int w = width();
                if (i_ >= s_.size() || s_[i_] != '.') fail("descriptor needs a decimal count (w.d)", s_);
                ++i_;
                const int d = read_number();
                if (d < 0 || (d == 0 && letter != 'F')) fail("bad decimal count", s_);
                push(letter == 'F' ? ItemKind::F : letter == 'E' ? ItemKind::E : ItemKind::G, count, w, d);
                break;
            }
            default: fail(std::string("unknown descriptor '") + s_[i_ - 1] + "'", s_);
        }
        if (i_ < s_.size()) {
            const char n = s_[i_];
            if (n != ' ' && n != ',' && n != '\t' && n != ']' && n != '[' && n != '"' && n != '/')
                fail("unexpected character after a descriptor", s_);
        }
    }

    constexpr int width() {
        const int w = read_number();
        if (w < 1) fail("descriptor needs a width of 1 or more", s_);
        return w;
    }

    constexpr void close_bracket() {
        ++i_;
        if (open_.empty()) fail("unbalanced ']'", s_);
        const Open o = open_.back();
        open_.pop_back();
        auto& items = out_.items;
        const int g = o.index;
        const int n = static_cast<int>(items.size());
        if (n == g + 1) fail("empty brackets", s_);
        items[g].end = n;
        const int first_end = items[g + 1].kind == ItemKind::Group ? items[g + 1].end : g + 2;
        if (!o.counted && first_end == n) {
            // A bracket around a single item is that item: [F9.4], [3F9.4], [2X].
            items.erase(items.begin() + g);
            for (int k = g; k < n - 1; ++k)
                if (items[k].kind == ItemKind::Group) --items[k].end;
        }
    }

    // The last top-level group, or the beginning.
    // An [nX] followed, in the same group, by a literal or a field becomes that item's `pre`:
    // the columns are skipped all the same, and the writer walks one item fewer. Group ends
    // are moved with the items.
    constexpr void fold_skips() {
        auto& items = out_.items;
        const int n = static_cast<int>(items.size());
        std::vector<int> limit(static_cast<std::size_t>(n));  // end of the group holding item k
        std::vector<int> ends;
        for (int k = 0; k < n; ++k) {
            while (!ends.empty() && k >= ends.back()) ends.pop_back();
            limit[static_cast<std::size_t>(k)] = ends.empty() ? n : ends.back();
            if (items[static_cast<std::size_t>(k)].kind == ItemKind::Group)
                ends.push_back(items[static_cast<std::size_t>(k)].end);
        }
        auto takes_pre = [](ItemKind kind) { return kind == ItemKind::Literal || is_field(kind); };
        std::vector<int> moved(static_cast<std::size_t>(n) + 1);
        std::vector<Item> kept;
        kept.reserve(items.size());
        int pending = 0;
        for (int k = 0; k < n; ++k) {
            Item& it = items[static_cast<std::size_t>(k)];
            moved[static_cast<std::size_t>(k)] = static_cast<int>(kept.size());
            if (it.kind == ItemKind::Skip && k + 1 < limit[static_cast<std::size_t>(k)] &&
                takes_pre(items[static_cast<std::size_t>(k) + 1].kind)) {
                pending = it.count;
                continue;
            }
            it.pre = pending;
            pending = 0;
            kept.push_back(std::move(it));
        }
        moved[static_cast<std::size_t>(n)] = static_cast<int>(kept.size());
        for (Item& it : kept)
            if (it.kind == ItemKind::Group) it.end = moved[static_cast<std::size_t>(it.end)];
        items = std::move(kept);
    }

    // The steps from item `start`, as long as they are at most MAX_STEPS.
    constexpr bool unroll(int start, std::vector<Step>& steps) {
        constexpr std::size_t MAX_STEPS = 512;
        return walk_steps(out_.items, start, [&](int k, int pre) {
            steps.push_back({k, pre});
            return steps.size() <= MAX_STEPS;
        });
    }

    constexpr void set_reversion() {
        const auto& items = out_.items;
        const int n = static_cast<int>(items.size());
        for (int k = 0; k < n;) {
            if (items[k].kind == ItemKind::Group) {
                out_.reversion = k;
                k = items[k].end;
            } else {
                ++k;
            }
        }
        for (int k = out_.reversion; k < n; ++k)
            if (is_field(items[k].kind)) out_.has_fields = true;
    }

    std::string_view s_;
    std::size_t i_ = 0;
    ParsedLayout out_;
    std::vector<Open> open_;
};

}  // namespace zq::layout_detail
