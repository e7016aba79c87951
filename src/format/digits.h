// Decimal digits of whole numbers, shared by the field editors and the shortest-number
// printer. Internal to format/.
#pragma once

#include <bit>
#include <cstdint>

namespace zq::digits {

// "00", "01", ..., "99": digits written two at a time.
inline constexpr char PAIRS[201] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// 10^0 .. 10^19: q has k digits when 10^(k-1) <= q < 10^k.
inline constexpr std::uint64_t POW10[20] = {1ULL,
                                            10ULL,
                                            100ULL,
                                            1000ULL,
                                            10000ULL,
                                            100000ULL,
                                            1000000ULL,
                                            10000000ULL,
                                            100000000ULL,
                                            1000000000ULL,
                                            10000000000ULL,
                                            100000000000ULL,
                                            1000000000000ULL,
                                            10000000000000ULL,
                                            100000000000000ULL,
                                            1000000000000000ULL,
                                            10000000000000000ULL,
                                            100000000000000000ULL,
                                            1000000000000000000ULL,
                                            10000000000000000000ULL};

// The decimal digits of q, 1 for 0. From its bit width: floor(bits x log10 2) is
// (bits x 1233) >> 12 here, one less than the digits or the digits. q | 1 has as many digits
// as q (10^k - 1 is odd), and one for 0.
inline int digit_count(std::uint64_t q) {
    q |= 1;
    const int t = (static_cast<int>(std::bit_width(q)) * 1233) >> 12;
    return t + (q >= POW10[t]);
}

inline constexpr std::uint64_t ASCII_ZEROS = 0x3030303030303030;  // '0' in each byte

// The 8 digits of n < 10^8 as one byte each (0 to 9), the first digit in the lowest byte,
// so that the word stored little-endian reads in order. n is cut into two 4-digit halves,
// each half into two pairs and each pair into two digits, all lanes of a cut at once:
// (x << b) - (x / d) * (d * 2^b - 1) puts x / d in the low lane and x % d b bits above.
inline std::uint64_t digit_bytes(std::uint32_t n) {
    const std::uint64_t halves = (std::uint64_t{n} << 32) - std::uint64_t{n / 10000} * ((10000ull << 32) - 1);
    // x * 10486 >> 20 is x / 100 for x < 10^4, and x * 103 >> 10 is x / 10 for x < 100.
    const std::uint64_t hundreds = ((halves * 10486) >> 20) & 0x0000007F0000007F;
    const std::uint64_t pairs = (halves << 16) - hundreds * ((100 << 16) - 1);
    const std::uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000F;
    return (pairs << 8) - tens * ((10 << 8) - 1);
}

}  // namespace zq::digits
