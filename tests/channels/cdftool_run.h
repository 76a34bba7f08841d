#pragma once

// Runs the built cdftool as a separate process, as a user or a script would.

#include "tests/support/test_environment.h"

#include <QByteArray>
#include <QDir>
#include <QProcess>
#include <QStringList>

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline ToolRun cdftool(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(CDFTOOL_PATH), args);
    ToolRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    // Text on a Windows console ends its lines with CR LF; the tests compare lines.
    run.out = process.readAllStandardOutput().replace("\r\n", "\n");
    run.err = process.readAllStandardError().replace("\r\n", "\n");
    return run;
}

// A path in the test's private folder.
inline QString path(const QString& name) {
    return QDir(TestEnvironment::root()).filePath(name);
}
