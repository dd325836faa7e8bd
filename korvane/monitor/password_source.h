#pragma once
// The router password for one run without leaving it where other users can
// read it: from a file, or one line on standard input, and the command-line
// copy overwritten once it has been read.

#include <QString>

#include <cstdio>

namespace korvane {

// The first line of a file, without its line end. "-" reads one line from
// input instead. False with a reason when it cannot be read.
bool readPasswordLine(const QString& source, QString* password, QString* error, FILE* input = stdin);

// Overwrites the values of "--<option> VALUE" and "--<option>=VALUE" in argv
// with zero bytes, so that ps and /proc/<pid>/cmdline no longer show them.
// Returns how many values were overwritten.
int scrubOptionValues(int argc, char** argv, const char* option);

}  // namespace korvane
