#include "driver/command_line.h"

#include <system_error>

#include "format/record_layout.h"

#ifndef ZQ_VERSION
#define ZQ_VERSION "unknown"
#endif
#ifndef ZQ_SOURCE_BUNDLE
#define ZQ_SOURCE_BUNDLE ""
#endif

namespace zq {

namespace fs = std::filesystem;

namespace {

CommandLine usage_error(std::string what) {
    CommandLine cl;
    cl.action = CommandLine::Action::Usage;
    cl.error = std::move(what);
    return cl;
}

// The folder holds the files a run reads.
bool holds_bundle(const fs::path& dir) {
    std::error_code ec;
    return fs::is_regular_file(dir / "data" / "DORNEVAL.QVD", ec) &&
           fs::is_regular_file(dir / "data" / "MINOX.DAT", ec);
}

}  // namespace

CommandLine parse_command_line(const std::vector<std::string>& args) {
    CommandLine cl;
    bool run_options = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool has_value = i + 1 < args.size();
        if (a == "--help" || a == "-h") {
            cl.action = CommandLine::Action::Help;
            return cl;
        }
        if (a == "--version") {
            cl.action = CommandLine::Action::Version;
            return cl;
        }
        if (a == "-C") {
            if (!has_value) return usage_error("-C needs a directory");
            cl.dir = args[++i];
            run_options = true;
        } else if (a == "--answer" || a.rfind("--answer=", 0) == 0) {
            std::string value;
            if (a == "--answer") {
                if (!has_value) return usage_error("--answer needs yes or no");
                value = args[++i];
            } else {
                value = a.substr(9);
            }
            if (value != "yes" && value != "no") return usage_error("--answer takes yes or no, not \"" + value + "\"");
            cl.answer = value == "yes";
            run_options = true;
        } else if (a == "--no-tables") {
            cl.tables = false;
            run_options = true;
        } else if (a == "--init") {
            if (!has_value) return usage_error("--init needs a directory");
            cl.action = CommandLine::Action::Init;
            cl.init_dir = args[++i];
        } else {
            return usage_error((a.size() > 1 && a[0] == '-' ? "unknown option " : "unexpected argument ") + a);
        }
    }
    if (cl.action == CommandLine::Action::Init && run_options)
        return usage_error("--init makes a run folder; -C, --answer and --no-tables belong to a run");
    return cl;
}

const char* program_version() { return ZQ_VERSION; }

std::string usage_text() {
    return layout(R"("usage: zarn-qvd [-C DIR] [--answer yes|no] [--no-tables]" / "       zarn-qvd --init DIR" /)"
                  R"("       zarn-qvd --help | --version")");
}

std::string help_text() {
    return usage_text() + "\n" +
           layout(
               R"(/ "Computes the equilibrium of an aqueous solution with minerals and gases, and follows it")"
               R"( / "along a reaction path. A run works on the files of one directory, the current one")"
               R"( / "unless -C names another:" /)"
               R"( / "  reads   ZARNRUN.DAT   the run file: conditions, path, solution, minerals, options")"
               R"( / "          DORNEVAL.QVD  the thermodynamic database")"
               R"( / "          MINOX.DAT     the compositions of the reactants")"
               R"( / "  writes  ZARNOUT.DAT   the listing of every equilibrium")"
               R"L( / "          ZARNPLOT.DAT  the plot file (when the run file asks for it)")L"
               R"( / "          ZARNRUN.DAT   rewritten after each full step, to resume from")"
               R"( / "          ZARNRUN.SAV   after each half step; ZARNRUN.SA2 after a failed solve")"
               R"( / "          Skip_Species.txt  the species and minerals the run leaves out")"
               R"( / "          ZARNSTEP.CSV  a row per step; ZARNSPEC.CSV  every species and phase of every step" /)"
               R"( / "options:")"
               R"( / "  -C DIR             run in DIR")"
               R"( / "  --answer yes|no    answer every yes/no question so, without reading the console")"
               R"( / "  --no-tables        write no ZARNSTEP.CSV and ZARNSPEC.CSV")"
               R"( / "  --init DIR         make DIR a run folder: the bundled data and a run file to start from")"
               R"( / "  --help, --version  this text; the version" /)"
               R"L( / "exit status: 0 the run reached its end (or only checked its input), 1 an error, a")L"
               R"( / "refused question or a failed solve, 2 a command line it does not understand." /)"
               R"( / "The users' manual is docs/manual/README.md in the sources, installed under")"
               R"( / "share/doc/zarn-qvd/manual.")");
}

std::string version_text() {
    return layout(
        R"("zarn-qvd " [A] / "reads DORNEVAL.QVD databases (records on the 37 x 36 pressure-temperature grid")"
        R"( " or at eight saturation temperatures) and MINOX.DAT reactant files")",
        {program_version()});
}

fs::path bundle_dir(const fs::path& program) {
    std::error_code ec;
    fs::path exe = fs::canonical("/proc/self/exe", ec);
    if (ec) exe = fs::absolute(program, ec);
    const fs::path installed = exe.parent_path().parent_path() / "share" / "zarn-qvd";
    if (holds_bundle(installed)) return installed;
    const fs::path source = ZQ_SOURCE_BUNDLE;
    if (!source.empty() && holds_bundle(source)) return source;
    return {};
}

int init_run_folder(const fs::path& dir, const fs::path& bundle, std::ostream& out) {
    if (bundle.empty()) {
        out << layout(R"L("zarn-qvd: the bundled data are not found (share/zarn-qvd beside the program).")L") << '\n';
        return 1;
    }
    const struct {
        fs::path from;
        const char* name;
    } files[] = {{bundle / "data" / "DORNEVAL.QVD", "DORNEVAL.QVD"},
                 {bundle / "data" / "MINOX.DAT", "MINOX.DAT"},
                 {bundle / "examples" / "seawater" / "ZARNRUN.DAT", "ZARNRUN.DAT"}};
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir)) {
        out << layout(R"("zarn-qvd: cannot make the folder " [A] ": " [A])", {dir.string(), ec.message()}) << '\n';
        return 1;
    }
    int status = 0;
    for (const auto& f : files) {
        const fs::path to = dir / f.name;
        if (fs::exists(to, ec)) {
            out << layout(R"L("  kept    " [A] " (already there)")L", {to.string()}) << '\n';
            continue;
        }
        if (!fs::copy_file(f.from, to, ec)) {
            out << layout(R"("zarn-qvd: cannot copy " [A] ": " [A])", {f.from.string(), ec.message()}) << '\n';
            status = 1;
            continue;
        }
        out << layout(R"("  wrote   " [A])", {to.string()}) << '\n';
    }
    if (status == 0)
        out << layout(R"("The run file is that of the seawater example; edit it, then run zarn-qvd in " [A] ".")",
                      {dir.string()})
            << '\n';
    return status;
}

}  // namespace zq
