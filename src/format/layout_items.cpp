// Parsing of the bracket notation into items, and the cache of parsed layouts.
#include "format/layout_items.h"
#include "format/layout_parser.h"

#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <unordered_map>

namespace zq::layout_detail {

void fail(std::string_view what, std::string_view lay) {
    std::string msg = "record layout: ";
    msg += what;
    msg += " in layout: ";
    msg += lay;
    throw std::logic_error(msg);
}

namespace {

struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

}  // namespace

const ParsedLayout& parsed(std::string_view lay) {
    // The program is single-threaded; the cache lives as long as the process. Its nodes are
    // stable, so returned references stay valid while other layouts are added.
    static std::unordered_map<std::string, ParsedLayout, TextHash, std::equal_to<>> cache;
    // Most layouts are literals: the same text at the same address call after call. A small
    // table by address finds them without hashing the text; the text is still compared.
    struct Recent {
        const char* at = nullptr;
        const std::string* text = nullptr;
        const ParsedLayout* layout = nullptr;
    };
    static std::array<Recent, 256> recent;
    Recent& r = recent[(reinterpret_cast<std::uintptr_t>(lay.data()) >> 3) % recent.size()];
    if (r.text != nullptr && r.at == lay.data() && *r.text == lay) return *r.layout;
    auto it = cache.find(lay);
    if (it == cache.end()) it = cache.emplace(std::string(lay), Parser(lay).run()).first;
    r = {lay.data(), &it->first, &it->second};
    return it->second;
}

}  // namespace zq::layout_detail
