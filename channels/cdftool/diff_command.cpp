// cdftool diff [--json] A B: what differs from A to B, one difference a line (or as JSON);
// exit 0 when the two hold the same channel data, 1 when they differ, 2 on a usage or read
// error.

#include "channels/cdftool/tool_commands.h"

#include "channels/channel_data_diff.h"
#include "channels/channel_database.h"
#include "channels/channel_file_messages.h"
#include "channels/channel_file_reader.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>

namespace {

void print(FILE* stream, const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
}

int usageError(const QString& problem) {
    print(stderr, QStringLiteral("cdftool: %1\nUsage: cdftool diff [--json] A B\n")
                      .arg(problem)
                      .toLocal8Bit());
    return 2;
}

} // namespace

int runDiffCommand(const QStringList& args) {
    bool json = false;
    QStringList files;
    for (const QString& arg : args) {
        if (arg == "--json")
            json = true;
        else if (arg.startsWith("--"))
            return usageError(QStringLiteral("diff: unknown option %1").arg(arg));
        else
            files.append(arg);
    }
    if (files.size() != 2)
        return usageError(QStringLiteral("diff needs two files"));

    ChannelDatabase first;
    ChannelDatabase second;
    const std::pair<QString, ChannelDatabase*> inputs[] = {{files[0], &first}, {files[1], &second}};
    for (const auto& [path, target] : inputs)
        if (const int result = readChannelFile(*target, path); result != 0) {
            print(
                stderr,
                QStringLiteral("%1: %2\n").arg(path, channelReadResultText(result)).toLocal8Bit());
            return 2;
        }

    const std::vector<ChannelDifference> differences = diffChannelData(first, second);
    if (json) {
        QJsonArray list;
        for (const ChannelDifference& difference : differences)
            list.append(differenceJson(difference));
        print(stdout,
              QJsonDocument(QJsonObject{{"equal", differences.empty()}, {"differences", list}})
                  .toJson());
    } else {
        QString text;
        for (const ChannelDifference& difference : differences)
            text += differenceLine(difference) + QLatin1Char('\n');
        print(stdout, text.toUtf8());
    }
    std::fflush(stdout);
    return differences.empty() ? 0 : 1;
}
