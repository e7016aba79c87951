// Checks on the files of a run that the driver makes around start-up and at the end: the
// size of the database before it is read, and the closing of the output files.
#pragma once

#include <cstddef>
#include <string_view>

namespace zq {

class Io;

// A file larger than `limit` bytes: the message naming the file, its size and the bound,
// and the stop.
[[noreturn]] void stop_too_large(Io& io, std::string_view name, std::size_t limit);

// DORNEVAL.QVD larger than MAX_DATABASE_BYTES stops the run before it is read.
void check_database_size(Io& io);

// Closes the listing, the plot file and the omitted-species report at the end of a run that
// ended with `status`; returns the status of the run, 1 when a file could not be written.
int close_output_files(Io& io, int status);

}  // namespace zq
