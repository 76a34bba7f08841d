#include "ctl/ctl_command.h"

#include <cmath>

namespace {

bool takeValue(const QStringList& arguments, qsizetype& i, const QString& name, QString& value,
               QString& error) {
    const QString& argument = arguments[i];
    if (argument.startsWith(name + u'=')) {
        value = argument.mid(name.size() + 1);
        return true;
    }
    if (i + 1 >= arguments.size()) {
        error = QStringLiteral("%1 needs a value").arg(name);
        return false;
    }
    value = arguments[++i];
    return true;
}

bool parseTimeout(const QString& text, std::chrono::milliseconds& timeout, QString& error) {
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    // A receiver answers a probe within half a second, and a scan of the four ports takes two:
    // less than a second could never find one. A day is far more than any search needs; the
    // cap keeps the number sane.
    if (!ok || !std::isfinite(seconds) || seconds < 1 || seconds > 86400) {
        error = QStringLiteral("--timeout takes a number of seconds from 1 to 86400, not \"%1\"")
                    .arg(text);
        return false;
    }
    timeout = std::chrono::milliseconds(std::llround(seconds * 1000));
    return true;
}

} // namespace

bool parseCtlCommand(const QStringList& arguments, CtlCommand& command, QString& error) {
    command = CtlCommand{};
    QStringList positional;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || !argument.startsWith(u'-') || argument == QStringLiteral("-")) {
            positional << argument;
        } else if (argument == QStringLiteral("--")) {
            optionsEnded = true;
        } else if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h")) {
            command.help = true;
            return true;
        } else if (argument == QStringLiteral("--quiet") || argument == QStringLiteral("-q")) {
            command.quiet = true;
        } else if (argument == QStringLiteral("--boot")) {
            command.boot = true;
        } else if (argument == QStringLiteral("--port") || argument.startsWith("--port=")) {
            if (!takeValue(arguments, i, QStringLiteral("--port"), command.port, error))
                return false;
            if (command.port.isEmpty()) {
                error = QStringLiteral("--port needs a value");
                return false;
            }
        } else if (argument == QStringLiteral("--timeout") || argument.startsWith("--timeout=")) {
            QString value;
            if (!takeValue(arguments, i, QStringLiteral("--timeout"), value, error) ||
                !parseTimeout(value, command.timeout, error))
                return false;
        } else {
            error = QStringLiteral("unknown option %1").arg(argument);
            return false;
        }
    }

    if (positional.isEmpty()) {
        error = QStringLiteral("no command given");
        return false;
    }
    const QString action = positional.takeFirst();
    if (action == QStringLiteral("probe")) {
        command.action = CtlCommand::Action::probe;
    } else if (action == QStringLiteral("upload")) {
        command.action = CtlCommand::Action::upload;
    } else if (action == QStringLiteral("download")) {
        command.action = CtlCommand::Action::download;
    } else if (action == QStringLiteral("flash")) {
        command.action = CtlCommand::Action::flash;
    } else {
        error = QStringLiteral("unknown command %1").arg(action);
        return false;
    }

    const bool wantsFile = command.action != CtlCommand::Action::probe;
    if (positional.size() != (wantsFile ? 1 : 0)) {
        error = wantsFile ? QStringLiteral("%1 takes one file").arg(action)
                          : QStringLiteral("probe takes no file");
        return false;
    }
    if (wantsFile)
        command.file = positional.first();
    if (command.boot && command.action != CtlCommand::Action::flash) {
        error = QStringLiteral("--boot goes with flash only");
        return false;
    }
    return true;
}

QString ctlUsage() {
    return QStringLiteral(
        "Usage: rx7700ctl probe [--port P] [--timeout S]\n"
        "       rx7700ctl upload FILE.cdf [--port P] [--timeout S] [--quiet]\n"
        "       rx7700ctl download FILE.cdf [--port P] [--timeout S] [--quiet]\n"
        "       rx7700ctl flash [--boot] FILE.bin [--port P] [--timeout S] [--quiet]\n"
        "\n"
        "  probe       find the receiver and print its identification and version\n"
        "  upload      receiver to PC: save the receiver's channel data in FILE.cdf\n"
        "              (an existing FILE.cdf is kept as FILE.cdf.~N~, the last 5)\n"
        "  download    PC to receiver: send FILE.cdf into the receiver\n"
        "  flash       send the firmware image FILE.bin into the running receiver\n"
        "  --boot      the receiver's firmware is broken: wait for its boot loader\n"
        "              (switch the receiver on when asked)\n"
        "  --port P    COM1 to COM4 (as the program maps them) or a device path\n"
        "              (a name without a slash when such a file exists; on Windows\n"
        "              also COM5 and above, or \\\\.\\COMn);\n"
        "              without it COM1 to COM4 are tried in turn\n"
        "  --timeout S seconds to look for the receiver, at least 1 (default 10)\n"
        "  --quiet     print errors only\n"
        "\n"
        "Exit status: 0 done and confirmed; 1 transfer failed, refused, incomplete or\n"
        "not confirmed, or a port that cannot be opened; 2 bad command line; 3 no receiver\n"
        "found within the time-out; 130 interrupted (Ctrl+C).\n");
}
