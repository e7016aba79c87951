// Layouts laid out while compiling: the lines written at every step of a path.
//
//     out.line<R"([1X] [I3] [1X] [A12] [1X] [E11.5] [1X] [F9.4])">(i, s.name, m, std::log10(m));
//
// writes exactly what line(layout, {values}) writes, and the layout is the same text in the
// same bracket notation. The difference is when the work is done: the layout is parsed, and
// its columns worked out for the number of values given, by the compiler. At run time the
// line is its constant text (literals, blanks, newlines) copied at once, and each value
// edited into its columns by the editor of its field, whose width is then a constant. A
// malformed layout, a text for a numeric field or a number for an A field is a compile
// error, and so is a layout whose columns are not fixed ([Tc] back into written columns, an
// [A] without width): those go through the run-time layout().
#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "format/field_edit.h"
#include "format/layout_items.h"
#include "format/layout_parser.h"

namespace zq {

// A layout's text as a template argument: line<R"([I3] [A8])">(...).
template <std::size_t N>
struct LayoutText {
    char s[N]{};
    consteval LayoutText(const char (&text)[N]) {
        for (std::size_t i = 0; i < N; ++i) s[i] = text[i];
    }
    constexpr std::string_view view() const { return {s, N - 1}; }
};

namespace layout_detail {

// A data field of a fixed layout: its editor, where it goes in the line's text, and the
// index of its value.
struct FixedField {
    ItemKind kind;
    int at;
    int w;
    int d;
    std::size_t value;
};

// What a layout writes with a given number of values, as the writer would: the constant
// text with blanks where the fields go, and the fields.
struct FixedPlan {
    std::string text;
    std::vector<FixedField> fields;
    bool fixed = true;  // false: text written over, or an [A] without width
};

class FixedPlanner {
public:
    constexpr explicit FixedPlanner(FixedPlan& plan) : plan_(plan) {}
    constexpr void skip(int n) { col_ += static_cast<std::size_t>(n); }
    constexpr void tab(int c) { col_ = static_cast<std::size_t>(c - 1); }
    constexpr void new_line() {
        plan_.text += '\n';
        start_ = plan_.text.size();
        col_ = 0;
    }
    constexpr void literal(std::string_view t) { plan_.text.replace(room(t.size()), t.size(), t); }
    constexpr void field(const Item& it, std::size_t value) {
        if (it.w < 0) {
            plan_.fixed = false;
            return;
        }
        const std::size_t at = room(static_cast<std::size_t>(it.w));
        plan_.fields.push_back({it.kind, static_cast<int>(at), it.w, it.d, value});
    }

private:
    // w blank columns at the write position, after blanks for skipped columns; where they
    // begin.
    constexpr std::size_t room(std::size_t w) {
        const std::size_t len = plan_.text.size() - start_;
        if (col_ < len)
            plan_.fixed = false;
        else
            plan_.text.append(col_ - len, ' ');
        const std::size_t at = plan_.text.size();
        plan_.text.append(w, ' ');
        col_ += w;
        return at;
    }
    FixedPlan& plan_;
    std::size_t start_ = 0;
    std::size_t col_ = 0;
};

constexpr FixedPlan plan_fixed(std::string_view lay, std::size_t count) {
    const ParsedLayout p = Parser(lay).run();
    FixedPlan plan;
    FixedPlanner planner(plan);
    drive(p, count, planner, lay);
    return plan;
}

template <std::size_t NF, std::size_t NT>
struct FixedProgram {
    std::array<FixedField, NF> fields;
    std::array<char, NT> text;
};

template <LayoutText L, std::size_t NV>
constexpr auto fixed_program() {
    constexpr auto size = [] {
        const FixedPlan p = plan_fixed(L.view(), NV);
        return std::array<std::size_t, 3>{p.fields.size(), p.text.size(), p.fixed ? 1u : 0u};
    }();
    static_assert(size[2] == 1, "a layout written over itself or with an [A] without width: use layout()");
    const FixedPlan p = plan_fixed(L.view(), NV);
    FixedProgram<size[0], size[1]> prog{};
    for (std::size_t i = 0; i < size[0]; ++i) prog.fields[i] = p.fields[i];
    for (std::size_t i = 0; i < size[1]; ++i) prog.text[i] = p.text[i];
    return prog;
}

template <LayoutText L, std::size_t NV>
inline constexpr auto FIXED_PROGRAM = fixed_program<L, NV>();

template <class T>
concept TextValue = std::convertible_to<const T&, std::string_view> || requires(const T& n) {
    { n.view() } -> std::convertible_to<std::string_view>;
};

template <class T>
std::string_view text_of(const T& v) {
    if constexpr (std::convertible_to<const T&, std::string_view>)
        return v;
    else
        return v.view();
}

// [Fw.d] and [Ew.d] with their sizes known: one instance for each size, in which the editor
// is specialised.
template <int W, int D>
[[gnu::noinline]] void put_f_known(char* p, double v) {
    put_f_field(p, v, W, D);
}

template <int W, int D>
[[gnu::noinline]] void put_e_known(char* p, double v) {
    put_e_field(p, v, W, D);
}

// Value v edited into field F of the line at `line`. The values convert as FieldValue's do:
// an integer in an F, E or G field is its real value, a real in an I field its integer part.
template <FixedField F, class T>
[[gnu::always_inline]] inline void put_fixed(char* line, const T& v) {
    static_assert(F.w >= 1 && F.w <= MAX_FIELD_WIDTH && F.d <= MAX_FIELD_WIDTH, "bad field width");
    char* p = line + F.at;
    if constexpr (F.kind == ItemKind::A) {
        static_assert(TextValue<T>, "a number given for an A field");
        put_a_field(p, text_of(v), F.w);
    } else {
        static_assert(std::is_arithmetic_v<T> && !std::is_same_v<T, bool>, "a text given for a numeric field");
        if constexpr (F.kind == ItemKind::I) {
            if constexpr (std::is_integral_v<T>)
                put_i_field(p, static_cast<long long>(v), F.w);
            else
                put_i_of_real(p, static_cast<double>(v), F.w);
        } else {
            const double x = [&] {
                if constexpr (std::is_integral_v<T>)
                    return static_cast<double>(static_cast<long long>(v));
                else
                    return static_cast<double>(v);
            }();
            if constexpr (F.kind == ItemKind::F)
                put_f_known<F.w, F.d>(p, x);
            else if constexpr (F.kind == ItemKind::E)
                put_e_known<F.w, F.d>(p, x);
            else
                put_g(p, x, F.w, F.d);
        }
    }
}

}  // namespace layout_detail

// The text of layout L with these values appended to `text`, as layout_to(text, L, {values}).
template <LayoutText L, class... V>
void layout_to(std::string& text, const V&... values) {
    using namespace layout_detail;
    constexpr const auto& prog = FIXED_PROGRAM<L, sizeof...(V)>;
    const std::size_t at = text.size();
    text.append(prog.text.data(), prog.text.size());
    char* line = text.data() + at;
    const std::tuple<const V&...> v(values...);
    [&]<std::size_t... K>(std::index_sequence<K...>) {
        (put_fixed<prog.fields[K]>(line, std::get<prog.fields[K].value>(v)), ...);
    }
    (std::make_index_sequence<prog.fields.size()>{});
}

// The text of layout L with these values, as layout(L, {values}).
template <LayoutText L, class... V>
std::string layout(const V&... values) {
    std::string text;
    layout_to<L>(text, values...);
    return text;
}

}  // namespace zq
