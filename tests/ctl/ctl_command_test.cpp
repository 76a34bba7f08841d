#include "ctl/ctl_command.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* line;
    bool ok;
    CtlCommand::Action action = CtlCommand::Action::probe;
    const char* file = "";
    const char* port = "";
    bool boot = false;
    int timeoutMs = 0;
};

TEST(CtlCommand, ReadsEachCommandAndRefusesWhatDoesNotFit) {
    using A = CtlCommand::Action;
    const Case cases[] = {
        {"probe", true, A::probe, "", "", false, 10000},
        {"probe --port COM3 --timeout 2.5", true, A::probe, "", "COM3", false, 2500},
        {"upload a.cdf --port=/dev/ttyUSB0 --quiet", true, A::upload, "a.cdf", "/dev/ttyUSB0",
         false, 10000},
        {"download --timeout=1 b.cdf", true, A::download, "b.cdf", "", false, 1000},
        {"flash --boot fw.bin", true, A::flash, "fw.bin", "", true, 10000},
        {"flash -- --odd-name.bin", true, A::flash, "--odd-name.bin", "", false, 10000},
        {"", false},
        {"erase", false},
        {"probe extra.cdf", false},
        {"upload", false},
        {"download a.cdf b.cdf", false},
        {"upload --boot a.cdf", false},
        {"probe --port", false},
        {"probe --timeout 0", false},
        {"probe --timeout 0.5", false},
        {"probe --timeout soon", false},
        {"probe --colour", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const QStringList arguments = QString::fromLatin1(c.line).split(u' ', Qt::SkipEmptyParts);
        CtlCommand command;
        QString error;
        ASSERT_EQ(parseCtlCommand(arguments, command, error), c.ok) << error.toStdString();
        if (!c.ok) {
            EXPECT_FALSE(error.isEmpty());
            continue;
        }
        EXPECT_EQ(command.action, c.action);
        EXPECT_EQ(command.file, QString::fromLatin1(c.file));
        EXPECT_EQ(command.port, QString::fromLatin1(c.port));
        EXPECT_EQ(command.boot, c.boot);
        EXPECT_EQ(command.timeout.count(), c.timeoutMs);
    }
}

} // namespace
