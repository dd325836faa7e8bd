#pragma once
// korvane-tool's subcommands. Each lives in its own <name>_command.cpp and
// registers itself with a static ToolCommand object:
//
//   static const ToolCommand screen{"screen", "[--chunk N] < bytes", runScreen};
//
// run() receives the arguments after the subcommand name and returns the exit
// status (2 for bad usage or an unreadable input).

#include <QStringList>

#include <cstdio>

using ToolFunction = int (*)(const QStringList& args);

struct ToolCommand {
    ToolCommand(const char* name, const char* usage, ToolFunction run);
    const char* name;
    const char* usage;
    ToolFunction run;
};

// Writes text to standard output or standard error as UTF-8.
void toolOut(const QString& text);
void toolErr(const QString& text);
