// cdftool reorder --reference REF IN OUT: IN's channel lists in REF's order, with REF's
// favourite groups, written to OUT.

#include "channels/cdftool/tool_commands.h"

#include "channels/channel_database.h"
#include "channels/channel_file_messages.h"
#include "channels/channel_file_reader.h"
#include "channels/channel_file_writer.h"
#include "channels/channel_reference_order.h"

#include <cstdio>

namespace {

void print(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
}

int usageError(const QString& problem) {
    print(stderr, QStringLiteral("cdftool: %1\nUsage: cdftool reorder --reference REF IN OUT\n")
                      .arg(problem));
    return 2;
}

} // namespace

int runReorderCommand(const QStringList& args) {
    QString referencePath;
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--reference" && i + 1 < args.size() && referencePath.isEmpty())
            referencePath = args[++i];
        else if (args[i].startsWith("--"))
            return usageError(
                QStringLiteral("reorder: unknown or repeated option %1").arg(args[i]));
        else
            files.append(args[i]);
    }
    if (referencePath.isEmpty() || files.size() != 2)
        return usageError(
            QStringLiteral("reorder needs --reference REF, an input and an output file"));

    ChannelDatabase reference;
    ChannelDatabase database;
    const std::pair<QString, ChannelDatabase*> inputs[] = {{referencePath, &reference},
                                                           {files[0], &database}};
    for (const auto& [path, target] : inputs)
        if (const int result = readChannelFile(*target, path); result != 0) {
            print(stderr, QStringLiteral("%1: %2\n").arg(path, channelReadResultText(result)));
            return 1;
        }
    ChannelOrder order = channelOrderOf(database);
    const ReferenceOrderCounts counts =
        orderFromReference(database, order, &Program::favoriteMask, reference);
    adoptChannelOrder(database, std::move(order));
    if (const int result = writeChannelFile(database, files[1]); result != 0) {
        print(stderr, QStringLiteral("%1: %2\n").arg(files[1], channelWriteResultText(result)));
        return 1;
    }
    print(stdout, referenceOrderSummary(counts) + QLatin1Char('\n'));
    return 0;
}
