// The shortest text of a double that reads back as the same double, in the form
// std::to_chars(first, last, v) gives it: the fixed or the scientific form of the shortest
// digits, whichever is shorter, fixed on a tie ("0.001", "1e-04", "1e+05", "123.25",
// "1.5e-300", "-0"). The step tables print every number this way, so it is done here with
// a few multiplications instead of the library's general conversion.
#pragma once

namespace zq {

// The room write_shortest needs: it writes only inside [first, first + SHORTEST_ROOM),
// and may leave scratch characters there past the end it returns.
inline constexpr int SHORTEST_ROOM = 32;

// Writes v at `first`, character for character as std::to_chars(first, first + 32, v)
// does, and returns the end of the text. Infinities and NaNs are left to std::to_chars.
char* write_shortest(char* first, double v);

}  // namespace zq
