// cdftool: checks, dumps, re-saves and generates Channel Data Files through the channel
// library, for tests, benchmarks and looking into files from the command line.

#include "channels/atomic_file.h"
#include "channels/cdftool/tool_commands.h"
#include "channels/channel_data_json.h"
#include "channels/channel_database.h"
#include "channels/channel_file_format.h"
#include "channels/channel_file_generator.h"
#include "channels/channel_file_messages.h"
#include "channels/channel_file_reader.h"
#include "channels/channel_file_writer.h"
#include "channels/name_codec.h"
#include "channels/sample_channel_list.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace {
constexpr int exitOk = 0;
constexpr int exitFailed = 1;
constexpr int exitUsage = 2;

const char usageText[] =
    "Usage:\n"
    "  cdftool check [--charset NAME] FILE    quick check and full read; exit 0 when valid\n"
    "  cdftool dump [--charset NAME] FILE     the whole database as JSON on standard output\n"
    "  cdftool resave IN OUT       read IN and write it to OUT\n"
    "  cdftool reorder [--charset NAME] --reference REF IN OUT\n"
    "                              IN's lists in REF's order and REF's favourites\n"
    "  cdftool diff [--charset NAME] [--json] A B\n"
    "                              what differs from A to B; exit 0 equal, 1 different\n"
    "  cdftool clean [--scrambled] [--duplicates] [--unnamed] [--not-in REF] [--dry-run] IN OUT\n"
    "                              IN without the programs these rules pick, written to OUT\n"
    "                              (--dry-run: only the summary)\n"
    "  cdftool generate --seed N [--layout 1|2] [--flags F] [--programs P|max] [--scatter] OUT\n"
    "                              a random valid file (defaults: layout 1, flags 0x0F,\n"
    "                              programs 50; --scatter interleaves the satellites'\n"
    "                              transponders)\n"
    "  cdftool generate --sample OUT\n"
    "                              a realistic channel list (layout 1, 6 satellites, a few\n"
    "                              hundred TV and radio programs, 4 favorite groups)\n"
    "check, dump, diff and reorder take --charset NAME: the character set names are shown in\n"
    "(default ISO-8859-1, as in the editor's \"Character set for names\"); accepted:\n"
    "  ISO-8859-1 windows-1252 windows-1250 windows-1251 windows-1253 windows-1254\n"
    "  windows-1255 windows-1256 windows-1257 ISO-8859-5 ISO-8859-7 ISO-8859-9 KOI8-R\n";

void print(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
}

int usageError(const QString& problem) {
    print(stderr, QStringLiteral("cdftool: %1\n").arg(problem));
    std::fputs(usageText, stderr);
    return exitUsage;
}

int failure(const QString& path, const QString& message) {
    print(stderr, QStringLiteral("%1: %2\n").arg(path, message));
    return exitFailed;
}

std::optional<unsigned> number(const QString& text, unsigned maximum) {
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok, 0);
    if (!ok || value > maximum)
        return std::nullopt;
    return unsigned(value);
}

QString counted(int count, const char* noun) {
    return QStringLiteral("%1 %2%3").arg(count).arg(QLatin1String(noun)).arg(count == 1 ? "" : "s");
}

int check(const QString& path) {
    ChannelDatabase database;
    const int result = readChannelFile(database, path);
    if (result != 0)
        return failure(path, channelReadResultText(result));
    // "favorite" as in dump's favoriteGroupCount, which scripts may read.
    print(stdout, QStringLiteral("%1: valid, layout %2, %3, %4, %5 TV and %6, %7\n")
                      .arg(path)
                      .arg(database.layout)
                      .arg(counted(database.satelliteCount(), "satellite"))
                      .arg(counted(database.transponderTotal(), "transponder"))
                      .arg(database.tvList.size())
                      .arg(counted(int(database.radioList.size()), "radio program"))
                      .arg(counted(database.favoriteGroupCount, "favorite group")));
    return exitOk;
}

int dump(const QString& path) {
    ChannelDatabase database;
    const int result = readChannelFile(database, path);
    if (result != 0)
        return failure(path, channelReadResultText(result));
    const QByteArray json = QJsonDocument(channelDataToJson(database)).toJson();
    std::fwrite(json.constData(), 1, std::size_t(json.size()), stdout);
    return std::fflush(stdout) == 0 ? exitOk : exitFailed;
}

int resave(const QString& in, const QString& out) {
    ChannelDatabase database;
    const int readResult = readChannelFile(database, in);
    if (readResult != 0)
        return failure(in, channelReadResultText(readResult));
    const int writeResult = writeChannelFile(database, out);
    if (writeResult != 0)
        return failure(out, channelWriteResultText(writeResult));
    return exitOk;
}

int generate(QStringList args) {
    ChannelGeneratorOptions options;
    bool seedGiven = false;
    bool sample = false;
    QString outPath;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        const auto value = [&]() -> std::optional<QString> {
            if (args.isEmpty())
                return std::nullopt;
            return args.takeFirst();
        };
        if (arg == "--seed") {
            const auto text = value();
            const auto seed = text ? number(*text, 0xFFFFFFFFu) : std::nullopt;
            if (!seed)
                return usageError(QStringLiteral("--seed needs a number from 0 to 4294967295"));
            options.seed = *seed;
            seedGiven = true;
        } else if (arg == "--layout") {
            const auto text = value();
            const auto layout = text ? number(*text, 2) : std::nullopt;
            if (!layout || *layout < 1)
                return usageError(QStringLiteral("--layout needs 1 or 2"));
            options.layout = std::uint8_t(*layout);
        } else if (arg == "--flags") {
            const auto text = value();
            const auto flags = text ? number(*text, 0xFF) : std::nullopt;
            if (!flags)
                return usageError(QStringLiteral("--flags needs a number from 0 to 255"));
            options.headerFlags = std::uint8_t(*flags);
        } else if (arg == "--programs") {
            const auto text = value();
            if (text && *text == "max") {
                options.programs = ChannelGeneratorOptions::asMany;
            } else {
                const auto programs = text ? number(*text, 131070) : std::nullopt;
                if (!programs)
                    return usageError(
                        QStringLiteral("--programs needs a number from 0 to 131070 or \"max\""));
                options.programs = int(*programs);
            }
        } else if (arg == "--sample") {
            sample = true;
        } else if (arg == "--scatter") {
            options.scatterTransponders = true;
        } else if (arg.startsWith("--")) {
            return usageError(QStringLiteral("unknown option %1").arg(arg));
        } else if (outPath.isEmpty()) {
            outPath = arg;
        } else {
            return usageError(QStringLiteral("more than one output file"));
        }
    }
    if (outPath.isEmpty())
        return usageError(QStringLiteral("generate needs an output file"));
    if (sample) {
        ChannelDatabase database;
        buildSampleChannelList(database);
        const int result = writeChannelFile(database, outPath);
        return result == 0 ? exitOk : failure(outPath, channelWriteResultText(result));
    }
    if (!seedGiven)
        return usageError(QStringLiteral("generate needs --seed N or --sample"));
    QByteArray image;
    if (generateChannelImage(options, image) != 0)
        return failure(outPath, QStringLiteral("that many programs do not fit into one file"));
    if (writeFileAtomically(outPath, image) != 0)
        return failure(outPath, channelWriteResultText(ChannelWriteResult::cannotCreate));
    return exitOk;
}

// Takes "--charset NAME" out of `args` and makes NAME the set names are shown in; the usage
// error's exit code when NAME is missing or not offered.
std::optional<int> takeCharset(QStringList& args) {
    const qsizetype at = args.indexOf(QStringLiteral("--charset"));
    if (at < 0)
        return std::nullopt;
    const QString name = at + 1 < args.size() ? args[at + 1] : QString();
    const std::optional<NameCharset> charset = nameCharsetFromName(name);
    if (!charset)
        return usageError(QStringLiteral("%1 is not a character set for names; accepted: %2")
                              .arg(name.isEmpty() ? QStringLiteral("--charset without a name")
                                                  : QStringLiteral("\"%1\"").arg(name),
                                   nameCharsetNames().join(QStringLiteral(", "))));
    NameCodec::setCharset(*charset);
    args.remove(at, 2);
    return std::nullopt;
}

int run(QStringList args) {
    if (args.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const QString command = args.takeFirst();
    if (command == "check" || command == "dump" || command == "diff" || command == "reorder")
        if (const std::optional<int> failed = takeCharset(args))
            return *failed;
    if (command == "help" || command == "--help" || command == "-h") {
        std::fputs(usageText, stdout);
        return exitOk;
    }
    if (command == "check" || command == "dump") {
        if (args.size() != 1)
            return usageError(QStringLiteral("%1 needs exactly one file").arg(command));
        return command == "check" ? check(args[0]) : dump(args[0]);
    }
    if (command == "resave") {
        if (args.size() != 2)
            return usageError(QStringLiteral("resave needs an input and an output file"));
        return resave(args[0], args[1]);
    }
    if (command == "generate")
        return generate(args);
    if (command == "reorder")
        return runReorderCommand(args);
    if (command == "diff")
        return runDiffCommand(args);
    if (command == "clean")
        return runCleanCommand(args);
    return usageError(QStringLiteral("unknown command %1").arg(command));
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return run(args);
}
