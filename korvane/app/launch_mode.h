#pragma once
// Which half of the monitor a command line starts: the console (and --help,
// --version, which need no display) or the window. Read before anything is
// loaded, so that the console never maps the window's libraries.

#include <cstring>

namespace korvane {

inline bool startsWithoutWindow(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"--console", "--help", "-h", "--help-all", "--version", "-v"})
            if (argv[i] && std::strcmp(argv[i], option) == 0)
                return true;
    return false;
}

}  // namespace korvane
