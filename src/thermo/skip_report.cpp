#include "thermo/skip_report.h"

#include <array>
#include <string_view>

#include "format/record_layout.h"
#include "format/text_io.h"

namespace zq {

void write_skip_header(Io& io) {
    io.skip_report().line(R"(/ [2X] [A] [A] / [5X] [A] [A] / [5X] [A] / [5X] [A] /)",
                          {"This file lists species and minerals omitted from the", " calculations",
                           "due to given T, P, option switches,", " or suppression in ZARNRUN,",
                           "or are suppressed in the DORNEVAL database. It also lists",
                           "minerals for which density is not specified in DORNEVAL."});
    io.listing().line(R"(/ [2X] [A] [A] / [5X] [A] [A] / [5X] [A] / [5X] [A] / [5X] [A])",
                      {"File SKIP_SPECIES.TXT", " lists species and minerals omitted from the",
                       "calculations due to given T, P, option switches,", " or suppression",
                       "in ZARNRUN, or are suppressed in the DORNEVAL database.",
                       "It also lists minerals for which density is not specified", "in DORNEVAL."});
}

namespace {

struct EventLine {
    std::string_view lay;
    bool listing;
    bool console;
};

// Indexed by SkipEvent. Every event goes to the report; some also to the listing and the
// console, so that the user sees at once what the run file or the database switched off.
constexpr std::array<EventLine, 10> EVENT_LINES{{
    {R"([2X] [A12] " is SUPPRESSED in this run to " "accomodate slow redox kinetics.")", true, true},
    {R"([2X] [A12] " is suppressed in DORNEVAL data file.")", true, true},
    {R"([2X] [A12] " skipped.  Data limited to L-V saturation")", false, false},
    {R"([2X] [A12] " is suppressed in THIS RUN.")", true, true},
    {R"([2X] [A12] " skipped.  Log K data absent at given T.")", false, true},
    {R"([2X] [A20] " skipped." "  Data limited to L-V saturation.")", false, false},
    {R"([2X] [A20] " density is not specified in " "DORNEVAL. 2.5 assumed.")", false, false},
    {R"([2X] [A20] " is suppressed in DORNEVAL data file.")", true, true},
    {R"([2X] [A20] " is suppressed in THIS RUN.")", true, true},
    {R"([2X] [A20] " skipped.  Log K data absent at given T.")", false, true},
}};

}  // namespace

void report_omitted(Io& io, SkipEvent event, const Name20& name) {
    const EventLine& ev = EVENT_LINES[static_cast<std::size_t>(event)];
    const std::string text = layout(ev.lay, {name});
    if (ev.listing) io.listing().line(text);
    io.skip_report().line(text);
    if (ev.console) io.console(text);
}

}  // namespace zq
