// The program driver: start-up, the run loop and every end of a run.
#pragma once

namespace zq {

class Io;

// Runs the program in io's working directory; returns the process exit status
// (0 a normal end, 1 an error stop, a refused question or a failed solve).
int run_program(Io& io);

}  // namespace zq
