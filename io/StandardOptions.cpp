#include "io/StandardOptions.h"

#include <cstdio>
#include <cstring>

namespace {

void printHelp(const TProgramHelp &help)
{
    std::printf("%s\n%s\n"
                "  --help     show this help and exit\n"
                "  --version  show the version and exit\n"
                "\n"
                "The manual page %s(1) tells more.\n",
                help.usage, help.options, help.name);
}

void printVersion(const TProgramHelp &help)
{
    std::printf("%s %s\n"
                "License GPL-3.0-or-later <https://www.gnu.org/licenses/gpl-3.0.html>\n"
                "This is free software: you are free to change and redistribute it.\n"
                "There is NO WARRANTY, to the extent permitted by law.\n",
                help.name, VEXEL_VERSION);
}

} // namespace

int AnswerStandardOptions(int argc, const char *const argv[], const TProgramHelp &help)
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        const bool askHelp = std::strcmp(argv[i], "--help") == 0;
        if (askHelp || std::strcmp(argv[i], "--version") == 0) {
            askHelp ? printHelp(help) : printVersion(help);
            return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
        }
    }
    return -1;
}
