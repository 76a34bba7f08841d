// cdftool clean [--scrambled] [--duplicates] [--unnamed] [--not-in REF] [--dry-run] IN OUT:
// IN without the programs the chosen rules pick (program_cleanup.h), written to OUT.

#include "channels/cdftool/tool_commands.h"

#include "channels/channel_database.h"
#include "channels/channel_file_messages.h"
#include "channels/channel_file_reader.h"
#include "channels/channel_file_writer.h"
#include "channels/program_cleanup.h"

#include <cstdio>

namespace {

void print(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
}

int usageError(const QString& problem) {
    print(stderr, QStringLiteral("cdftool: %1\nUsage: cdftool clean [--scrambled] [--duplicates] "
                                 "[--unnamed] [--not-in REF] [--dry-run] IN OUT\n")
                      .arg(problem));
    return 2;
}

int readFailure(const QString& path, int result) {
    print(stderr, QStringLiteral("%1: %2\n").arg(path, channelReadResultText(result)));
    return 1;
}

} // namespace

int runCleanCommand(const QStringList& args) {
    ProgramCleanup::Options options;
    QString referencePath;
    bool dryRun = false;
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == "--scrambled" && !options.scrambled)
            options.scrambled = true;
        else if (arg == "--duplicates" && !options.duplicates)
            options.duplicates = true;
        else if (arg == "--unnamed" && !options.unnamed)
            options.unnamed = true;
        else if (arg == "--dry-run" && !dryRun)
            dryRun = true;
        else if (arg == "--not-in" && i + 1 < args.size() && referencePath.isEmpty())
            referencePath = args[++i];
        else if (arg.startsWith("--"))
            return usageError(QStringLiteral("clean: unknown or repeated option %1").arg(arg));
        else
            files.append(arg);
    }
    if (files.size() != 2)
        return usageError(QStringLiteral("clean needs an input and an output file"));
    if (!options.scrambled && !options.duplicates && !options.unnamed && referencePath.isEmpty())
        return usageError(QStringLiteral(
            "clean needs at least one of --scrambled, --duplicates, --unnamed, --not-in REF"));

    ChannelDatabase database;
    if (const int result = readChannelFile(database, files[0]); result != 0)
        return readFailure(files[0], result);
    ChannelDatabase reference;
    if (!referencePath.isEmpty()) {
        if (const int result = readChannelFile(reference, referencePath); result != 0)
            return readFailure(referencePath, result);
        options.reference = &reference;
    }

    ProgramCleanup::Counts counts;
    const std::vector<ProgramNode*> picked = ProgramCleanup::pick(database, options, counts);
    if (dryRun) {
        print(stdout, ProgramCleanup::summary(counts, options) +
                          QStringLiteral("\ndry run: nothing was written to %1\n").arg(files[1]));
        return 0;
    }
    if (database.deletePrograms(picked) != int(picked.size())) {
        print(stderr, QStringLiteral("%1: the programs could not be removed; nothing was "
                                     "written\n")
                          .arg(files[0]));
        return 1;
    }
    if (const int result = writeChannelFile(database, files[1]); result != 0) {
        print(stderr, QStringLiteral("%1: %2 Nothing was written.\n")
                          .arg(files[1], channelWriteResultText(result)));
        return 1;
    }
    print(stdout, ProgramCleanup::summary(counts, options) + QLatin1Char('\n'));
    return 0;
}
