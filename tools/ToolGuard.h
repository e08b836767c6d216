#pragma once

// What the command-line programs do with an exception that nothing else
// caught, instead of aborting (exit code 134): running out of memory on a
// large history, a failure raised where none was expected. Each main is a
// function try block whose handler returns ExitOnException(its name):
//
//   int main(int argc, char *argv[])
//   try {
//       ...
//   } catch (...) {
//       return ExitOnException("vexel-search");
//   }
//
// Prints what happened on stderr and returns the exit code 1. Call it only
// inside a catch handler.
int ExitOnException(const char *program) noexcept;
