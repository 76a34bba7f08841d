#include "tests/e2e/simulated_receiver.h"

#include "tests/support/pseudo_terminal.h"

#include <QDir>
#include <QFile>

#include <cctype>
#include <csignal>

SimulatedReceiver::~SimulatedReceiver() {
    if (process_.running())
        process_.stop(SIGKILL);
}

QString SimulatedReceiver::linkPath() const {
    return QDir(directory_).filePath(QStringLiteral("rx7700-com1"));
}

bool SimulatedReceiver::start(std::vector<std::string> args) {
    args.insert(args.begin(), {"--link", linkPath().toStdString()});
    const std::string stderrPath = QDir(directory_).filePath("sim-stderr.txt").toStdString();
    if (!process_.start(args, stderrPath))
        return false;
    routeSerialPorts({linkPath()});
    return true;
}

int SimulatedReceiver::stop() {
    return process_.running() ? process_.stop(SIGTERM) : 0;
}

std::string SimulatedReceiver::errorLog() const {
    QFile file(QDir(directory_).filePath("sim-stderr.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

long SimulatedReceiver::summaryCount(const std::string& what) const {
    // "... 2 downloads (4100 bytes), ..., 3 faults injected; stopped by SIGTERM"
    const std::string& text = output();
    const std::size_t at = text.find(" " + what);
    if (at == std::string::npos)
        return -1;
    std::size_t begin = at;
    while (begin > 0 && std::isdigit(static_cast<unsigned char>(text[begin - 1])))
        --begin;
    return begin < at ? std::stol(text.substr(begin, at - begin)) : -1;
}
