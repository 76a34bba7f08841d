#pragma once

// Subcommands of cdftool that live in files of their own. Each takes the arguments after its
// name and returns the exit code: 0 done (diff: equal), 1 failed (diff: different), 2 usage or
// read error.

#include <QStringList>

int runReorderCommand(const QStringList& args);
int runDiffCommand(const QStringList& args);
int runCleanCommand(const QStringList& args);
