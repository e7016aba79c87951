// Fixed-capacity tables and fixed-width names: the value types every layer of the program
// shares, with the declared capacities of the chemical system. Tables are 1-based, as the
// program numbers species, minerals, components and phases.
#pragma once

#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace zq {

// Capacities. Storing a species in slot MAX_SPECIES (or a mineral in slot MAX_MINERALS)
// is the overflow, so one slot less is usable.
inline constexpr int MAX_SPECIES = 600;
inline constexpr int MAX_MINERALS = 500;
inline constexpr int MAX_COMPONENTS = 70;
inline constexpr int MAX_DB_COMPONENTS = 71;
inline constexpr int MAX_ITOT = 12;
inline constexpr int MAX_SAT_MINERALS = 40;
inline constexpr int MAX_REACTANTS = 50;
inline constexpr int MAX_SUPPRESSED = 500;
inline constexpr int MAX_DONT_FRAC = 20;
inline constexpr int MAX_CURVE = 200;
inline constexpr int MAX_MIXED_GASES = 20;
inline constexpr int MAX_PHASES = 40;       // phases in the matrix
inline constexpr int MAX_ORDER = 100;       // unknowns of the Newton system
inline constexpr int MAX_NEUTRAL = 10;      // flagged neutral species of the activity model
inline constexpr int MAX_SOLUTIONS = 20;    // solid-solution indexes JSOLS 1..20
inline constexpr int MAX_END_MEMBERS = 20;  // end members of one solid solution

inline constexpr int GRID_ROWS = 37;  // pressures
inline constexpr int GRID_COLS = 36;  // temperatures
inline constexpr int GRID_CELLS = GRID_ROWS * GRID_COLS;

// A table indexed 1..N; slot 0 exists but is never used.
template <class T, int N>
struct Table {
    std::array<T, N + 1> slot{};
    T& operator[](int i) {
        assert(i >= 0 && i <= N);
        return slot[static_cast<std::size_t>(i)];
    }
    const T& operator[](int i) const {
        assert(i >= 0 && i <= N);
        return slot[static_cast<std::size_t>(i)];
    }
    static constexpr int capacity() { return N; }
};

// Copies slots 0..last of `from` into `to`; the slots after `last` keep what they hold.
template <class T, int N>
void copy_slots(Table<T, N>& to, const Table<T, N>& from, int last) {
    assert(last >= 0 && last <= N);
    std::copy_n(from.slot.begin(), last + 1, to.slot.begin());
}

// A blank-padded fixed-width name, compared over all its characters, case-sensitive.
template <int W>
struct FixedName {
    std::array<char, W> c{};
    constexpr FixedName() { c.fill(' '); }
    constexpr FixedName(std::string_view s) {  // NOLINT: implicit from text is the natural use
        c.fill(' ');
        for (std::size_t i = 0; i < s.size() && i < static_cast<std::size_t>(W); ++i) c[i] = s[i];
    }
    constexpr FixedName(const char* s) : FixedName(std::string_view(s)) {}
    constexpr FixedName(const std::string& s) : FixedName(std::string_view(s)) {}
    std::string_view view() const { return {c.data(), static_cast<std::size_t>(W)}; }
    std::string str() const { return std::string(view()); }
    bool blank() const { return view().find_first_not_of(' ') == std::string_view::npos; }
    // The name without its trailing blanks, for messages.
    std::string trimmed() const {
        const std::string_view v = view();
        return std::string(v.substr(0, v.find_last_not_of(' ') + 1));
    }
    // Over the W characters at once: a comparison of known size, made inline (the names of
    // log K records are compared at every temperature).
    bool operator==(const FixedName& o) const { return std::memcmp(c.data(), o.c.data(), W) == 0; }
};
using Name20 = FixedName<20>;
using Kind4 = FixedName<4>;  // "All ", "L-V ", suppression flags "GAS ", "SU33"

// Raw log K data of one record: the 37 x 36 grid (row-major, pressure rows x temperature
// columns) for "All " records, or the first 8 values at 25..350 C for "L-V " records.
using RawLogK = std::array<double, GRID_CELLS>;
inline double& grid_cell(RawLogK& v, int row, int col) {
    return v[static_cast<std::size_t>((row - 1) * GRID_COLS + (col - 1))];
}
inline double grid_cell(const RawLogK& v, int row, int col) {
    return v[static_cast<std::size_t>((row - 1) * GRID_COLS + (col - 1))];
}

// The values of a record that a run on the liquid-vapour saturation curve reads: the 15 of
// the saturation view of an "All " record (1 bar up to 75 C, then the saturation pressure),
// or the eight of an "L-V " record.
using SaturationLogK = std::array<double, 15>;

// Raw log K records, 1-based like a Table of capacity N, holding only the records stored so
// far. A run on the extended grid keeps whole grids (10 kB a record); a run on the
// saturation curve only reads the saturation values of each record, and keeps only those.
template <int N>
class RawLogKTable {
public:
    // Set before the first record is stored.
    void keep_grids(bool whole) { whole_ = whole; }
    bool grids() const { return whole_; }

    void store(int i, const RawLogK& grid) { slot(grids_, i) = grid; }
    void store(int i, const SaturationLogK& values) { slot(saturation_, i) = values; }
    const RawLogK& grid(int i) const { return grids_.at(static_cast<std::size_t>(i)); }
    const SaturationLogK& saturation(int i) const { return saturation_.at(static_cast<std::size_t>(i)); }
    static constexpr int capacity() { return N; }

private:
    template <class T>
    static T& slot(std::vector<T>& v, int i) {
        assert(i >= 0 && i <= N);
        if (static_cast<std::size_t>(i) >= v.size()) {
            // The whole capacity reserved once: the records never move, and the pages of
            // slots never stored are never touched.
            if (v.capacity() == 0) v.reserve(N + 1);
            v.resize(static_cast<std::size_t>(i) + 1);
        }
        return v[static_cast<std::size_t>(i)];
    }

    bool whole_ = true;
    std::vector<RawLogK> grids_;
    std::vector<SaturationLogK> saturation_;
};

}  // namespace zq
