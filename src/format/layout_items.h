// The parsed form of a record layout, shared by the writer (layout) and the fixed-column
// reader (read_fixed). Internal to format/.
#pragma once

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace zq::layout_detail {

constexpr int MAX_GROUP_DEPTH = 32;  // brackets nested deeper are a layout error

enum class ItemKind { Literal, Skip, Tab, NewLine, A, I, F, E, G, Group };

// One item of a layout. Items are stored in order in one vector; a Group is followed by its
// own items, and `end` is the index just past them.
struct Item {
    ItemKind kind;
    int count = 1;     // repeat count: k in k[...], [kFw.d], kX (the blanks of nX)
    int w = 0;         // field width; column for Tab; -1 for [A] without width
    int d = 0;         // decimals (F, E, G)
    int pre = 0;       // Literal and fields: columns skipped first (an [nX] just before, folded in)
    std::string text;  // Literal
    int end = 0;       // Group: index past its last item
};

// One step of writing a layout with its groups unrolled: item `item` after `pre` skipped
// columns, once for a field, with its count for a literal or blanks.
struct Step {
    int item;
    int pre;
};

struct ParsedLayout {
    std::vector<Item> items;
    int reversion = 0;        // where a value list longer than the layout starts again
    bool has_fields = false;  // some data field at or after `reversion`
    // The steps from the beginning and from `reversion`, when they are not too many; the
    // writer follows them instead of walking the groups.
    bool unrolled = false;
    std::vector<Step> steps, reversion_steps;
};

constexpr bool is_field(ItemKind k) {
    return k == ItemKind::A || k == ItemKind::I || k == ItemKind::F || k == ItemKind::E || k == ItemKind::G;
}

// Walks the items from `start` to the end of the layout, repeating groups, and calls `on`
// for every repetition of every non-group item. `on` returns false to stop the walk; walk
// returns false when stopped.
template <class On>
constexpr bool walk(const std::vector<Item>& items, int start, On&& on) {
    struct Frame {
        int group;
        int left;
    };
    Frame stack[MAX_GROUP_DEPTH];
    int depth = 0;
    const int n = static_cast<int>(items.size());
    int k = start;
    for (;;) {
        if (depth > 0 && k == items[static_cast<std::size_t>(stack[depth - 1].group)].end) {
            Frame& f = stack[depth - 1];
            if (--f.left > 0) {
                k = f.group + 1;
            } else {
                --depth;
            }
            continue;
        }
        if (k >= n) return true;
        const Item& it = items[static_cast<std::size_t>(k)];
        if (it.kind == ItemKind::Group) {
            stack[depth++] = {k, it.count};
            ++k;
            continue;
        }
        if (!on(it)) return false;
        ++k;
    }
}

// Walks the steps of a layout from item `start`: each item as walk gives it, a field
// repeated k times as k steps, the skipped columns before the first. `on(item index, pre)`
// returns false to stop the walk; walk_steps returns false when stopped.
template <class On>
constexpr bool walk_steps(const std::vector<Item>& items, int start, On&& on) {
    return walk(items, start, [&](const Item& it) {
        const int k = static_cast<int>(&it - items.data());
        const int times = is_field(it.kind) ? it.count : 1;
        for (int r = 0; r < times; ++r)
            if (!on(k, r == 0 ? it.pre : 0)) return false;
        return true;
    });
}

// The steps of layout p from its beginning, or (`again`) from its reversion point: its
// unrolled steps when it has them, else walked. `on` and the result as for walk_steps.
template <class On>
constexpr bool for_each_step(const ParsedLayout& p, bool again, On&& on) {
    if (!p.unrolled) return walk_steps(p.items, again ? p.reversion : 0, on);
    for (const Step& s : again ? p.reversion_steps : p.steps)
        if (!on(s.item, s.pre)) return false;
    return true;
}

[[noreturn]] void fail(std::string_view what, std::string_view lay);

// Writes layout p (text `lay`) with `count` values through `out`: the steps in order; while
// values are left at its end, a new line and the layout again from its reversion point;
// stopping at the first data field that has no value left. The sink's calls:
// skip(n) and tab(c) move the write position, new_line(), literal(text), and
// field(item, index of its value).
template <class Sink>
constexpr void drive(const ParsedLayout& p, std::size_t count, Sink& out, std::string_view lay) {
    std::size_t next = 0;
    auto step = [&](int k, int pre) {
        const Item& it = p.items[static_cast<std::size_t>(k)];
        switch (it.kind) {
            case ItemKind::Literal:
                out.skip(pre);
                for (int r = 0; r < it.count; ++r) out.literal(it.text);
                return true;
            case ItemKind::Skip: out.skip(it.count); return true;
            case ItemKind::Tab: out.tab(it.w); return true;
            case ItemKind::NewLine: out.new_line(); return true;
            default:
                out.skip(pre);
                if (next == count) return false;  // values ran out: stop before this field
                out.field(it, next++);
                return true;
        }
    };
    auto from = [&](bool again) { return for_each_step(p, again, step); };
    if (!from(false)) return;
    if (next < count && !p.has_fields) fail("more values than the layout has fields", lay);
    while (next < count) {  // reversion: a new line, the layout again from its last group
        out.new_line();
        if (!from(true)) break;
    }
}

// The parsed layout, from a cache keyed by the layout text (parsed on first use). A
// malformed layout throws std::logic_error naming the layout.
const ParsedLayout& parsed(std::string_view lay);

// n blanks at p: two overlapping stores for the short runs before and inside fields, where
// a call to memset would cost more than the blanks.
inline void put_blanks(char* p, std::size_t n) {
    static constexpr char blanks[8] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    if (n > 16) {
        std::memset(p, ' ', n);
    } else if (n >= 8) {
        std::memcpy(p, blanks, 8);
        std::memcpy(p + n - 8, blanks, 8);
    } else if (n >= 4) {
        std::memcpy(p, blanks, 4);
        std::memcpy(p + n - 4, blanks, 4);
    } else if (n >= 2) {
        std::memcpy(p, blanks, 2);
        std::memcpy(p + n - 2, blanks, 2);
    } else if (n == 1) {
        *p = ' ';
    }
}

// The widest field and the most decimals a layout may ask for.
constexpr int MAX_FIELD_WIDTH = 1000;

// Field editing that writes exactly w characters at p (edit_i ... edit_a of record_layout.h
// return the same text as a string). Rounding goes by a fast scaling wherever that decides
// it; `fast` = false rounds every value by its exact decimal expansion instead (the tests
// hold the two against each other).
void put_i(char* p, long long v, int w);
void put_f(char* p, double v, int w, int d, bool fast = true);
void put_e(char* p, double v, int w, int d, bool fast = true);
void put_g(char* p, double v, int w, int d, bool fast = true);
void put_a(char* p, std::string_view s, int w);

// True when put_i, put_f, put_e or put_g surely writes the finite value v without asterisks
// (false: it may not). Decided from the field's size and a bound on |v|, without editing.
bool int_fits(long long v, int w);
bool f_fits(double v, int w, int d);
bool e_fits(double v, int w, int d);
bool g_fits(double v, int w, int d);

}  // namespace zq::layout_detail
