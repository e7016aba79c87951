// The layout writer and the fixed-column reader: both walk the parsed items of a layout.
//
// Column positioning ([nX], [Tc]) moves the write position without writing: the skipped
// columns become blanks when something is written after them, and a line never ends in
// blanks that only a positioning item produced. A value is always written in full ([A8]
// with eight blanks writes eight blanks).
#include "format/record_layout.h"
#include "format/field_edit.h"
#include "format/layout_items.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace zq {
namespace {

using layout_detail::fail;
using layout_detail::Item;
using layout_detail::ItemKind;
using layout_detail::ParsedLayout;
using layout_detail::walk;

// The text being written: the finished lines and the line being filled, in one buffer that
// grows ahead of the text (end_ marks where the text ends).
class LineWriter {
public:
    // Writes after what `out` holds already; a layout error leaves `out` as it was.
    LineWriter(std::string& out, std::size_t expected)
        : out_(out), base_(out.size()), end_(out.size()), start_(out.size()) {
        out_.resize(end_ + expected);
    }
    ~LineWriter() { out_.resize(finished_ ? end_ : base_); }
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;
    // Writes a field of `width` characters by `put(char*)` at the write position: straight
    // after the end of the line when the position is there (or past it: blanks first),
    // through a scratch text when [Tc] moved it back into written columns.
    template <class Put>
    void field(std::size_t width, Put&& put) {
        const std::size_t len = end_ - start_;
        if (col_ < len) {
            std::string t(width, ' ');
            put(t.data());
            return overwrite(t);
        }
        const std::size_t blanks = col_ - len;
        char* p = room(blanks + width);
        layout_detail::put_blanks(p, blanks);
        put(p + blanks);
        end_ += blanks + width;
        col_ += width;
    }
    void put(std::string_view s) {
        field(s.size(), [&](char* p) { std::memcpy(p, s.data(), s.size()); });
    }
    void skip(int n) { col_ += static_cast<std::size_t>(n); }
    void tab(int c) { col_ = static_cast<std::size_t>(c - 1); }
    void new_line() {
        *room(1) = '\n';
        start_ = ++end_;
        col_ = 0;
    }
    void finish() { finished_ = true; }

private:
    char* room(std::size_t n) {
        // Grown by about the text made so far: `out` may be a file's buffer holding much more.
        if (end_ + n > out_.size()) out_.resize(end_ + n + (end_ - base_) + 64);
        return out_.data() + end_;
    }
    void overwrite(std::string_view s) {
        const std::size_t at = start_ + col_;
        const std::size_t over = std::min(s.size(), end_ - at);
        std::memcpy(out_.data() + at, s.data(), over);
        const std::size_t rest = s.size() - over;
        std::memcpy(room(rest), s.data() + over, rest);
        end_ += rest;
        col_ += s.size();
    }

    std::string& out_;
    std::size_t base_;  // what `out` held before
    bool finished_ = false;
    std::size_t end_;      // where the text ends
    std::size_t start_;    // where the current line begins
    std::size_t col_ = 0;  // write position in the current line
};

// True when value v, not a text, surely comes out of numeric field item `it` without
// asterisks; false leaves the question to the editor.
bool surely_fits(const Item& it, const FieldValue& v) {
    using namespace layout_detail;
    switch (it.kind) {
        case ItemKind::I: return v.kind() == FieldValue::Kind::Int && int_fits(v.as_int(), it.w);
        case ItemKind::F: return f_fits(v.as_real(), it.w, it.d);
        case ItemKind::E: return e_fits(v.as_real(), it.w, it.d);
        case ItemKind::G: return g_fits(v.as_real(), it.w, it.d);
        default: return false;
    }
}

// True when value v surely comes out of field item `it` without asterisks: a text in an A
// field, a number that surely fits a numeric one.
bool surely_no_asterisks(const Item& it, const FieldValue& v) {
    if (v.kind() == FieldValue::Kind::Text) return it.kind == ItemKind::A;
    return it.kind != ItemKind::A && surely_fits(it, v);
}

// Writes value v by field item `it` at the write position. With `mask`, a text and a
// number that surely fits are written as blanks. Inline in the layout's step loop: a call
// per field cost a third of what the field itself costs.
[[gnu::always_inline]] inline void write_field(LineWriter& out, const Item& it, const FieldValue& v,
                                               std::string_view lay, bool mask) {
    using namespace layout_detail;
    const bool text = v.kind() == FieldValue::Kind::Text;
    const std::size_t w = static_cast<std::size_t>(it.w);
    if (mask && it.w >= 0 && surely_no_asterisks(it, v)) return out.field(w, [&](char* p) { put_blanks(p, w); });
    switch (it.kind) {
        case ItemKind::A:
            if (!text) fail("a number given for an A field", lay);
            if (it.w < 0) return out.put(v.as_text());
            return out.field(w, [&](char* p) { put_a(p, v.as_text(), it.w); });
        case ItemKind::I: {
            if (text) fail("a text given for an I field", lay);
            if (v.kind() == FieldValue::Kind::Int) return out.field(w, [&](char* p) { put_i(p, v.as_int(), it.w); });
            return out.field(w, [&](char* p) { put_i_of_real(p, v.as_real(), it.w); });
        }
        case ItemKind::F:
            if (text) fail("a text given for an F field", lay);
            return out.field(w, [&](char* p) { put_f(p, v.as_real(), it.w, it.d); });
        case ItemKind::E:
            if (text) fail("a text given for an E field", lay);
            return out.field(w, [&](char* p) { put_e(p, v.as_real(), it.w, it.d); });
        default:
            if (text) fail("a text given for a G field", lay);
            return out.field(w, [&](char* p) { put_g(p, v.as_real(), it.w, it.d); });
    }
}

void write(std::string& text, std::string_view lay, const FieldValue* values, std::size_t count, bool mask = false) {
    const ParsedLayout& p = layout_detail::parsed(lay);
    LineWriter out(text, lay.size() + 64);  // most lines are about as long as their layout
    struct Sink {
        LineWriter& out;
        const FieldValue* values;
        std::string_view lay;
        bool mask;
        void skip(int n) { out.skip(n); }
        void tab(int c) { out.tab(c); }
        void new_line() { out.new_line(); }
        void literal(std::string_view t) { out.put(t); }
        void field(const Item& it, std::size_t v) { write_field(out, it, values[v], lay, mask); }
    } sink{out, values, lay, mask};
    layout_detail::drive(p, count, sink, lay);
    out.finish();
}

}  // namespace

std::string layout(std::string_view lay, std::initializer_list<FieldValue> values) {
    std::string text;
    write(text, lay, values.begin(), values.size());
    return text;
}

std::string layout(std::string_view lay, const std::vector<FieldValue>& values) {
    std::string text;
    write(text, lay, values.data(), values.size());
    return text;
}

void layout_to(std::string& text, std::string_view lay, std::initializer_list<FieldValue> values) {
    write(text, lay, values.begin(), values.size());
}

void layout_to(std::string& text, std::string_view lay, const std::vector<FieldValue>& values) {
    write(text, lay, values.data(), values.size());
}

bool layout_surely_fits(std::string_view lay, std::initializer_list<FieldValue> values) {
    const ParsedLayout& p = layout_detail::parsed(lay);
    const FieldValue* v = values.begin();
    bool fits = true;
    // Every value against its field, until the values run out.
    auto step = [&](int k, int) {
        const Item& it = p.items[static_cast<std::size_t>(k)];
        if (!layout_detail::is_field(it.kind)) return true;
        if (v == values.end()) return false;
        return fits = surely_no_asterisks(it, *v++);
    };
    layout_detail::for_each_step(p, false, step);
    return fits && v == values.end();  // values left over would start a new line
}

void layout_mask_to(std::string& text, std::string_view lay, std::initializer_list<FieldValue> values) {
    write(text, lay, values.begin(), values.size(), true);
}

FixedRead read_fixed(std::string_view lay, std::string_view line) {
    const ParsedLayout& p = layout_detail::parsed(lay);
    FixedRead res;
    std::size_t col = 0;
    auto columns = [&](std::size_t w) {  // the next w columns; past the line's end: blanks
        const std::size_t from = std::min(col, line.size());
        col += w;
        return line.substr(from, std::min(col, line.size()) - from);
    };
    walk(p.items, 0, [&](const Item& it) {
        switch (it.kind) {
            case ItemKind::Literal:
            case ItemKind::NewLine: fail("text or '/' in an input layout", lay);
            case ItemKind::Skip: col += static_cast<std::size_t>(it.count); return true;
            case ItemKind::Tab: col = static_cast<std::size_t>(it.w - 1); return true;
            default: break;
        }
        col += static_cast<std::size_t>(it.pre);
        for (int r = 0; r < it.count; ++r) {
            if (it.kind == ItemKind::A) {
                // [A] without a width takes the rest of the line.
                const std::size_t w =
                    it.w < 0 ? (col < line.size() ? line.size() - col : 0) : static_cast<std::size_t>(it.w);
                std::string s(columns(w));
                s.resize(w, ' ');
                res.values.emplace_back(std::move(s));
                continue;
            }
            const std::string_view f = columns(static_cast<std::size_t>(it.w));
            if (it.kind == ItemKind::I) {
                if (auto v = read_int_field(f)) {
                    res.values.emplace_back(*v);
                    continue;
                }
            } else if (auto v = read_real_field(f, it.d)) {
                res.values.emplace_back(*v);
                continue;
            }
            res.ok = false;
            res.error_field = static_cast<int>(res.values.size()) + 1;
            return false;
        }
        return true;
    });
    return res;
}

}  // namespace zq
