// The omitted-species report Skip_Species.txt and its note in the listing.
#pragma once

#include <string_view>

namespace zq {

class Io;

// Written right after the run file's option line has been read.
void write_skip_header(Io& io);

}  // namespace zq
