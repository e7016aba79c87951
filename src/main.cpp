// ZARN-QVD: multicomponent chemical equilibrium and reaction paths. With no arguments the
// program works on the fixed files of the current directory; the options are in
// driver/command_line.h.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "driver/program.h"
#include "format/record_layout.h"
#include "format/text_io.h"

int main(int argc, char** argv) {
    const zq::CommandLine cl = zq::parse_command_line(std::vector<std::string>(argv + 1, argv + argc));
    switch (cl.action) {
        case zq::CommandLine::Action::Help: std::cout << zq::help_text() << '\n'; return 0;
        case zq::CommandLine::Action::Version: std::cout << zq::version_text() << '\n'; return 0;
        case zq::CommandLine::Action::Usage:
            std::cerr << zq::layout(R"("zarn-qvd: " [A])", {cl.error}) << '\n' << zq::usage_text() << '\n';
            return 2;
        case zq::CommandLine::Action::Init: return zq::init_run_folder(cl.init_dir, zq::bundle_dir(argv[0]), std::cout);
        case zq::CommandLine::Action::Run: break;
    }
    std::error_code ec;
    const std::filesystem::path dir = cl.dir.empty() ? std::filesystem::current_path() : cl.dir;
    if (!std::filesystem::is_directory(dir, ec)) {
        std::cerr << zq::layout(R"("zarn-qvd: no directory " [A])", {dir.string()}) << '\n';
        return 2;
    }
    zq::Io io(dir, std::cin, std::cout);
    if (cl.answer) io.answer_all(*cl.answer);
    return zq::run_program(io, nullptr, zq::RunOptions{cl.tables});
}
