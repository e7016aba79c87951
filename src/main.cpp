// ZARN-QVD: multicomponent chemical equilibrium and reaction paths. The program takes no
// arguments and works on the fixed files of the current directory.
#include <filesystem>
#include <iostream>

#include "driver/program.h"
#include "format/text_io.h"

int main() {
    zq::Io io(std::filesystem::current_path(), std::cin, std::cout);
    return zq::run_program(io);
}
