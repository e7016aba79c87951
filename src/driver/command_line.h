// The command line. With no arguments the program runs in the current directory and asks
// its questions on the console; the options only add to that: help and version texts, a
// run in another directory, fixed answers for scripts, and a new run folder with the
// bundled data.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace zq {

struct CommandLine {
    enum class Action { Run, Help, Version, Init, Usage };
    Action action = Action::Run;
    std::filesystem::path dir;       // -C DIR: the run's directory (empty: the current one)
    std::optional<bool> answer;      // --answer yes|no: every yes/no question answered so
    bool tables = true;              // --no-tables: no ZARNSTEP.CSV, ZARNSPEC.CSV
    std::filesystem::path init_dir;  // --init DIR
    std::string error;               // Usage: what was wrong with the arguments
};

CommandLine parse_command_line(const std::vector<std::string>& args);

// The version of the program, from the build.
const char* program_version();

std::string usage_text();
std::string help_text();
std::string version_text();

// The folder of the bundled data and examples: share/zarn-qvd beside the installed program,
// else the source tree the program was built from. Empty when neither is there.
std::filesystem::path bundle_dir(const std::filesystem::path& program);

// Creates a run folder: the bundled DORNEVAL.QVD and MINOX.DAT, and the run file of the
// seawater example to start from. Files already in the folder are never overwritten.
// Returns the exit status (0 done, 1 refused or failed) after saying what it did on `out`.
int init_run_folder(const std::filesystem::path& dir, const std::filesystem::path& bundle, std::ostream& out);

}  // namespace zq
