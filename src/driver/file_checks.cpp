#include "driver/file_checks.h"

#include <string>

#include "format/record_layout.h"
#include "format/text_io.h"
#include "thermo/database.h"

namespace zq {

void stop_too_large(Io& io, std::string_view name, std::size_t limit) {
    const auto size = io.file_size(name);
    io.console(layout(
        R"(/ [2X] A " holds " A " bytes, more than the program can take (" A " bytes)." /)"
        R"( [2X] "The file is not read. Execution stopped." /)",
        {std::string(name), size ? std::to_string(*size) : std::string("more than that"), std::to_string(limit)}));
    stop_run(1);
}

void check_database_size(Io& io) {
    const auto size = io.file_size("DORNEVAL.QVD");
    if (size && *size > MAX_DATABASE_BYTES) stop_too_large(io, "DORNEVAL.QVD", MAX_DATABASE_BYTES);
}

int close_output_files(Io& io, int status) {
    try {
        io.close_outputs();
    } catch (const RunStop&) {
        return 1;
    }
    return status;
}

}  // namespace zq
