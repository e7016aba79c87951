// Record layouts: the one formatter and the parsers behind every line the program writes
// or reads. A layout is written in the program's bracket notation, for example
//
//     layout(R"([2X] "Chg. balance for total moles = " [E10.4] [3X] "Max. difference allowed = " [E10.4])",
//            {s, d});
//
// Items: "text" (literal), [nX] blanks, [Tc] go to column c, / new line, [Aw] and [A]
// text, [Iw] integer, [Fw.d] fixed point, [Ew.d] exponent form, [Gw.d] general form,
// repeat counts k[...] or [kFw.d], and groups k[[1X] [F9.4]]. Brackets around a single
// field are optional inside a group ("2[[1X] [G9.4]]" and "2[1X G9.4]" are the same), and
// bare descriptors are accepted anywhere ("A", "2X", "I3", "10E12.6"). Items are separated
// by blanks or commas. A quote inside a literal is written twice: "say ""yes""". A repeated
// literal is 80["+"]. Parsed layouts are cached by their text, so a layout is parsed once
// per process (the cache is not thread-safe; the program is single-threaded).
#pragma once

#include <concepts>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zq {

// One value handed to a layout: an integer, a real or a text.
class FieldValue {
public:
    enum class Kind { Int, Real, Text };
    FieldValue(int v) : kind_(Kind::Int), i_(v) {}
    FieldValue(long v) : kind_(Kind::Int), i_(v) {}
    FieldValue(long long v) : kind_(Kind::Int), i_(v) {}
    FieldValue(double v) : kind_(Kind::Real), d_(v) {}
    // Text is seen where it lies: a value given to layout() lives until the line is made. A
    // string handed over whole (a temporary) is kept by the value itself.
    FieldValue(const char* s) : kind_(Kind::Text), s_(s) {}
    FieldValue(std::string_view s) : kind_(Kind::Text), s_(s) {}
    FieldValue(const std::string& s) : kind_(Kind::Text), s_(s) {}
    FieldValue(std::string&& s)
        : kind_(Kind::Text), own_(std::make_shared<const std::string>(std::move(s))), s_(*own_) {}
    // A fixed-width name (anything that shows its characters through view()).
    template <class Name>
    requires requires(const Name& n) {
        { n.view() } -> std::convertible_to<std::string_view>;
    }
    FieldValue(const Name& n) : kind_(Kind::Text), s_(n.view()) {}

    Kind kind() const { return kind_; }
    long long as_int() const { return kind_ == Kind::Real ? static_cast<long long>(d_) : i_; }
    double as_real() const { return kind_ == Kind::Int ? static_cast<double>(i_) : d_; }
    std::string_view as_text() const { return s_; }

private:
    Kind kind_;
    long long i_ = 0;
    double d_ = 0;
    std::shared_ptr<const std::string> own_;
    std::string_view s_;
};

// Formats values by a layout. Returns the text of one or more lines joined by '\n', without
// a final newline ("/" in the layout starts a new line; "/ /" leaves an empty one). Writing
// stops at the first data field that has no value left (the literals before it are written);
// a value list longer than the layout starts a new line and reuses the layout from its last
// top-level group (a bracket holding several items, or any bracket with a count before it:
// 2[[1X] [G9.4]], 3[F9.4]), or from its beginning when it has none; a repeated field such as
// [3F9.4] or 10E12.6 is not a group. [nX] and [Tc] only move the write position: skipped
// columns become blanks when something is written after them, so a line never ends in
// blanks from positioning alone, and [Tc] to the left lets later text overwrite. A value that
// does not fit its field, and a NaN or infinity, fills the field with asterisks. An Int may
// fill an F, E or G field; a Real in an I field is written as its integer part. A malformed
// layout, a Text for a numeric field or a number for an A field, and values given to a layout
// without data fields are programming errors: std::logic_error naming the layout.
std::string layout(std::string_view lay, std::initializer_list<FieldValue> values = {});
std::string layout(std::string_view lay, const std::vector<FieldValue>& values);
// The same text appended to `text` (a line of a file's buffer made in place).
void layout_to(std::string& text, std::string_view lay, std::initializer_list<FieldValue> values = {});
void layout_to(std::string& text, std::string_view lay, const std::vector<FieldValue>& values);
// The same line with only what may come out as asterisks edited: a text, and a number that
// surely fits its field, are written as blanks. Asterisks show exactly where layout_to
// writes them, for a fraction of the work (the pickup's check of its fields at every step).
void layout_mask_to(std::string& text, std::string_view lay, std::initializer_list<FieldValue> values);
// True when layout_to surely writes no asterisks for these values: every text in an A field,
// every number in a field it surely fits, and no value left over for a new line.
bool layout_surely_fits(std::string_view lay, std::initializer_list<FieldValue> values);

// Single-field editing, the building blocks of layout(). Rounding is half away from zero on
// the exact value of the double (0.125 in F5.2 is " 0.13"; 2.675, stored as 2.67499..., is
// " 2.67"). Negative zero, and a negative value that rounds to zero in F, are written
// without a minus sign. A width below 1 (or d = 0 for E and G) throws std::logic_error.
std::string edit_i(long long v, int w);
std::string edit_f(double v, int w, int d);
std::string edit_e(double v, int w, int d);
std::string edit_g(double v, int w, int d);
std::string edit_a(std::string_view s, int w);  // cut to w, or blanks before to width w
// A value for a message, as a short text that reads back to it: whole numbers as such
// ("-5", "100000"), others in their shortest form ("0.01", "4.9e-324").
std::string shortest(double v);

// Fixed-column input. Blanks inside a numeric field are ignored and an all-blank field reads
// as zero; a real field may carry a sign, a decimal point and an exponent (E or D, or a
// signed exponent alone); without a decimal point the last d digits are decimals.
// A character that cannot belong to the field is a read error: nullopt.
std::optional<double> read_real_field(std::string_view field, int d);
std::optional<long long> read_int_field(std::string_view field);

// Reads a line by an input layout ([nX], [Tc], [Aw], [Iw], [Fw.d], [Ew.d], [Gw.d], repeats;
// "/" and literals are not used on input). Columns past the end of the line read as blanks;
// [Aw] gives w characters (blank-padded), [A] the rest of the line. Values are Int for I,
// Real for F, E and G, Text for A.
struct FixedRead {
    bool ok = true;
    int error_field = 0;             // 1-based data field that failed, 0 when ok
    std::vector<FieldValue> values;  // one per data field read (up to the error)
};
FixedRead read_fixed(std::string_view lay, std::string_view line);

// Free-form input: numbers separated by blanks or commas, in any columns. Parses one line
// into `out`, appending at most `want` values (the rest of the line is then not looked at).
// Returns false on a token that is not a number (or, with integers = true, not an integer:
// no decimal point, no exponent); the values before it stay appended. A line with fewer
// than `want` values is not an error: the caller goes on with the next line. A "/" ends
// the line's values. Blanks, tabs and commas all separate: an empty value between two
// commas is skipped, not read as a null value. Reals take the fixed-field forms (E or D
// exponent, or a signed exponent alone) with no implied decimals; NaN and inf are errors.
bool read_free_line(std::string_view line, int want, bool integers, std::vector<double>& out);

}  // namespace zq
