#pragma once

// The options every installed program answers alike, looked at before the
// program starts anything else (the desktop program answers them without a
// display): --help prints the usage and the options on stdout, --version
// the program's name, version and licence; both then exit with code 0.
// Bad arguments stay each program's own: the usage on stderr, exit code 2.
struct TProgramHelp
{
    const char *name;    // "vexel-search"
    const char *usage;   // "usage: vexel-search ...\n", the lines a bad argument prints too
    const char *options; // what the program does, then its options, one per line
};

// The exit code once --help or --version among the arguments (before a
// "--") has been answered; -1 when there is neither and the program goes on.
int AnswerStandardOptions(int argc, const char *const argv[], const TProgramHelp &help);
