// Record layouts: the one formatter and the parsers behind every line the program writes
// or reads. A layout is written in the program's bracket notation, for example
//
//     layout(R"([2X] "Chg. balance for total moles = " [E10.4] [3X] "Max. difference allowed = " [E10.4])",
//            {s, d});
//
// Items: "text" (literal), [nX] blanks, [Tc] go to column c, / new line, [Aw] and [A]
// text, [Iw] integer, [Fw.d] fixed point, [Ew.d] exponent form, [Gw.d] general form,
// repeat counts k[...] or [kFw.d], and groups k[[1X] [F9.4]]. Brackets around a single
// field are optional inside a group ("2[[1X] [G9.4]]" and "2[1X G9.4]" are the same).
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "thermo/system_tables.h"

namespace zq {

// One value handed to a layout: an integer, a real or a text.
class FieldValue {
public:
    enum class Kind { Int, Real, Text };
    FieldValue(int v) : kind_(Kind::Int), i_(v) {}
    FieldValue(long v) : kind_(Kind::Int), i_(v) {}
    FieldValue(long long v) : kind_(Kind::Int), i_(v) {}
    FieldValue(double v) : kind_(Kind::Real), d_(v) {}
    FieldValue(const char* s) : kind_(Kind::Text), s_(s) {}
    FieldValue(std::string_view s) : kind_(Kind::Text), s_(s) {}
    FieldValue(const std::string& s) : kind_(Kind::Text), s_(s) {}
    template <int W>
    FieldValue(const FixedName<W>& n) : kind_(Kind::Text), s_(n.view()) {}

    Kind kind() const { return kind_; }
    long long as_int() const { return kind_ == Kind::Real ? static_cast<long long>(d_) : i_; }
    double as_real() const { return kind_ == Kind::Int ? static_cast<double>(i_) : d_; }
    const std::string& as_text() const { return s_; }

private:
    Kind kind_;
    long long i_ = 0;
    double d_ = 0;
    std::string s_;
};

// Formats values by a layout. Returns the text of one or more lines joined by '\n', without
// a final newline ("/" in the layout starts a new line; "/ /" leaves an empty one). Writing
// stops at the first data field that has no value left; a value list longer than the layout
// starts a new line and reuses the layout from its last top-level repeated group (or from its
// beginning). A value that does not fit its field, and a NaN or infinity, fills the field with
// asterisks. A malformed layout is a programming error and throws std::logic_error.
std::string layout(std::string_view lay, std::initializer_list<FieldValue> values = {});
std::string layout(std::string_view lay, const std::vector<FieldValue>& values);

// Single-field editing, the building blocks of layout().
std::string edit_i(long long v, int w);
std::string edit_f(double v, int w, int d);
std::string edit_e(double v, int w, int d);
std::string edit_g(double v, int w, int d);
std::string edit_a(std::string_view s, int w);  // cut to w, or blanks before to width w

// Fixed-column input. Blanks inside a numeric field are ignored and an all-blank field reads
// as zero; a real field may carry a sign, a decimal point and an exponent (E or D, or a
// signed exponent alone); without a decimal point the last d digits are decimals.
// A character that cannot belong to the field is a read error: nullopt.
std::optional<double> read_real_field(std::string_view field, int d);
std::optional<long long> read_int_field(std::string_view field);

// Reads a line by an input layout ([nX], [Tc], [Aw], [Iw], [Fw.d], [Ew.d], [Gw.d], repeats;
// "/" and literals are not used on input). Columns past the end of the line read as blanks.
struct FixedRead {
    bool ok = true;
    int error_field = 0;             // 1-based data field that failed, 0 when ok
    std::vector<FieldValue> values;  // one per data field read (up to the error)
};
FixedRead read_fixed(std::string_view lay, std::string_view line);

// Free-form input: numbers separated by blanks or commas, in any columns. Parses one line
// into `out`, appending at most `want` values. Returns false on a token that is not a number
// (or, with integers = true, not an integer). A "/" ends the line's values.
bool read_free_line(std::string_view line, int want, bool integers, std::vector<double>& out);

}  // namespace zq
