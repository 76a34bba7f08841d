#include "channels/channel_database.h"
#include "channels/channel_file_reader.h"
#include "channels/channel_file_writer.h"
#include "tests/channels/cdftool_run.h"
#include "tests/channels/qt_print.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(CdfTool, UsageErrorsExitWithTwo) {
    const QList<QStringList> wrong = {
        {},
        {"frobnicate"},
        {"check"},
        {"check", "a", "b"},
        {"resave", "only-one"},
        {"generate", path("g.cdf")},
        {"generate", "--seed", "x", path("g.cdf")},
        {"generate", "--seed", "1", "--layout", "3", path("g.cdf")},
        {"generate", "--seed", "1", "--flags", "256", path("g.cdf")},
        {"generate", "--seed", "1", "--programs", "many", path("g.cdf")},
        {"generate", "--seed", "1", "--colour", "blue", path("g.cdf")},
        {"generate", "--seed", "1"},
    };
    for (const QStringList& args : wrong) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ToolRun run = cdftool(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.startsWith("cdftool: ")) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("Usage:"));
    }
    EXPECT_FALSE(QFile::exists(path("g.cdf")));
}

TEST(CdfTool, GenerateIsRepeatableAndCheckAcceptsIt) {
    const QStringList options = {"--seed",  "77",   "--layout",   "2",
                                 "--flags", "0x0B", "--programs", "200"};
    ASSERT_EQ(cdftool(QStringList{"generate"} + options + QStringList{path("g1.cdf")}).exitCode, 0);
    ASSERT_EQ(cdftool(QStringList{"generate"} + options + QStringList{path("g2.cdf")}).exitCode, 0);
    ASSERT_EQ(cdftool({"generate", "--seed", "78", path("g3.cdf")}).exitCode, 0);
    const QByteArray first = readAll(path("g1.cdf"));
    EXPECT_EQ(first, readAll(path("g2.cdf")));
    EXPECT_NE(first, readAll(path("g3.cdf")));
    EXPECT_EQ(first[3], 2);
    EXPECT_EQ(first[4], 0x0B);

    const ToolRun check = cdftool({"check", path("g1.cdf")});
    EXPECT_EQ(check.exitCode, 0);
    EXPECT_TRUE(check.out.contains("valid, layout 2")) << check.out.toStdString();
}

TEST(CdfTool, CheckGivesTheReadersReason) {
    QFile bad(path("bad.cdf"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray("CDF\x01\x00\x00\x00\x00\x00\x00\x04\x00\x00\x00\x00END", 18));
    bad.close();
    ToolRun run = cdftool({"check", path("bad.cdf")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, (path("bad.cdf") + ": Invalid CDF format...\n").toLocal8Bit());
    EXPECT_EQ(run.err.count('\n'), 1);

    run = cdftool({"check", path("missing.cdf")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.endsWith(": Cannot open the file\n"));
    run = cdftool({"dump", path("missing.cdf")});
    EXPECT_EQ(run.exitCode, 1);
}

TEST(CdfTool, DumpIsJsonWithEveryFieldAndLosslessNames) {
    ASSERT_EQ(
        cdftool({"generate", "--seed", "5", "--layout", "1", "--programs", "60", path("d.cdf")})
            .exitCode,
        0);
    const ToolRun run = cdftool({"dump", path("d.cdf")});
    ASSERT_EQ(run.exitCode, 0);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(run.out, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    const QJsonObject root = doc.object();

    ChannelDatabase db;
    ASSERT_EQ(readChannelFile(db, path("d.cdf")), 0);
    for (const char* key :
         {"layout", "headerFlags", "savedDay", "savedMonth", "savedYear", "savedHour",
          "savedMinute", "lnbConfigCount", "lnbConfigs", "satellites", "tvList", "radioList",
          "favoriteGroupCount", "favoriteGroups"})
        EXPECT_TRUE(root.contains(key)) << key;
    EXPECT_EQ(root["headerFlags"].toInt(), 0x0F);
    EXPECT_EQ(root["lnbConfigs"].toArray().size(), db.lnbConfigCount);
    EXPECT_EQ(root["tvList"].toArray().size(), qsizetype(db.tvList.size()));
    EXPECT_EQ(root["favoriteGroupCount"].toInt(), db.favoriteGroupCount);

    const QJsonArray satellites = root["satellites"].toArray();
    ASSERT_EQ(satellites.size(), db.satelliteCount());
    for (int s = 0; s < db.satelliteCount(); ++s) {
        const QJsonObject satellite = satellites[s].toObject();
        // Every byte is the code point of the same value.
        EXPECT_EQ(satellite["name"].toString().toLatin1(), db.satelliteAt(s)->name);
        EXPECT_EQ(satellite["transponders"].toArray().size(),
                  db.satelliteAt(s)->transponderCount());
    }
    // The first TV program, found through its reference, with all of its fields.
    const QJsonObject reference = root["tvList"].toArray()[0].toObject();
    const QJsonObject program =
        satellites[reference["satellite"].toInt()]["transponders"][reference["transponder"].toInt()]
                  ["programs"][reference["program"].toInt()]
                      .toObject();
    const ProgramNode* first = db.tvList.front();
    EXPECT_EQ(program["name"].toString().toLatin1(), first->name);
    EXPECT_EQ(program["videoPid"].toInt(), first->videoPid);
    EXPECT_EQ(program["extraWord"].toInt(), first->extraWord);
    EXPECT_EQ(program["audioTracks"].toArray().size(), first->audioCount);
    for (const char* key :
         {"transponderIndex", "serviceId", "pcrPid", "teletextPid", "programFlags", "favoriteMask",
          "pmtPid", "audioSelection", "audioCount", "satelliteIndex", "listPosition"})
        EXPECT_TRUE(program.contains(key)) << key;
}

TEST(CdfTool, ResaveChangesOnlyTheSavedTime) {
    ASSERT_EQ(
        cdftool({"generate", "--seed", "12", "--layout", "2", "--scatter", path("r.cdf")}).exitCode,
        0);
    ASSERT_EQ(
        cdftool({"generate", "--seed", "12", "--layout", "2", path("r-grouped.cdf")}).exitCode, 0);
    ASSERT_EQ(cdftool({"resave", path("r-grouped.cdf"), path("r-out.cdf")}).exitCode, 0);
    QByteArray in = readAll(path("r-grouped.cdf"));
    QByteArray out = readAll(path("r-out.cdf"));
    ASSERT_EQ(in.size(), out.size());
    EXPECT_EQ(in.left(5), out.left(5));
    EXPECT_EQ(in.mid(10), out.mid(10));

    // A scattered transponder table comes out grouped: the grouped file again.
    ASSERT_EQ(cdftool({"resave", path("r.cdf"), path("r-regrouped.cdf")}).exitCode, 0);
    EXPECT_EQ(readAll(path("r-regrouped.cdf")).mid(10), in.mid(10));

    const ToolRun failed = cdftool({"resave", path("r.cdf"), path("no-such-dir/out.cdf")});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(failed.err.endsWith(": File creation error.\n"));
}

TEST(CdfTool, GeneratesFilesNearTheSizeLimit) {
    ASSERT_EQ(cdftool({"generate", "--seed", "3", "--programs", "max", path("max.cdf")}).exitCode,
              0);
    const qint64 size = QFileInfo(path("max.cdf")).size();
    EXPECT_LE(size, 555643);
    EXPECT_GT(size, 545000);
    EXPECT_EQ(cdftool({"check", path("max.cdf")}).exitCode, 0);

    const ToolRun tooMany =
        cdftool({"generate", "--seed", "3", "--programs", "60000", path("x.cdf")});
    EXPECT_EQ(tooMany.exitCode, 1);
    EXPECT_FALSE(QFile::exists(path("x.cdf")));
}

TEST(CdfTool, CharsetShowsNamesInTheChosenSetAndRefusesUnknownOnes) {
    // "ΕΡΤ" and "ΣΚΑΪ" in windows-1253; the second file renames the program.
    for (const auto& [file, programName] :
         {std::pair{"greek-a.cdf", QByteArray("\xc5\xd1\xd4 1")},
          std::pair{"greek-b.cdf", QByteArray("\xd3\xca\xc1\xda")}}) {
        ChannelDatabase database;
        Satellite satellite;
        satellite.name = "\xc5\xd1\xd4";
        TransponderNode* transponder =
            database.appendTransponder(database.appendSatellite(satellite), Transponder());
        Program program;
        program.name = programName;
        program.videoPid = 0x100;
        database.appendProgram(transponder, program);
        ASSERT_EQ(writeChannelFile(database, path(file)), 0);
    }

    const ToolRun greek = cdftool({"dump", "--charset", "windows-1253", path("greek-a.cdf")});
    ASSERT_EQ(greek.exitCode, 0) << greek.err.toStdString();
    const QJsonObject satellite =
        QJsonDocument::fromJson(greek.out).object()["satellites"].toArray()[0].toObject();
    EXPECT_EQ(satellite["name"].toString(), QStringLiteral("ΕΡΤ"));
    EXPECT_EQ(satellite["transponders"][0]["programs"][0]["name"].toString(),
              QStringLiteral("ΕΡΤ 1"));
    const ToolRun latin = cdftool({"dump", path("greek-a.cdf")});
    EXPECT_TRUE(latin.out.contains(QStringLiteral("ÅÑÔ").toUtf8())) << "ISO-8859-1 by default";

    const ToolRun diff =
        cdftool({"diff", "--charset", "windows-1253", path("greek-a.cdf"), path("greek-b.cdf")});
    EXPECT_EQ(diff.exitCode, 1);
    EXPECT_TRUE(QString::fromUtf8(diff.out).contains(QStringLiteral("ΣΚΑΪ")))
        << diff.out.toStdString();
    EXPECT_EQ(cdftool({"check", "--charset", "KOI8-R", path("greek-a.cdf")}).exitCode, 0);
    EXPECT_EQ(cdftool({"reorder", "--charset", "windows-1253", "--reference", path("greek-b.cdf"),
                       path("greek-a.cdf"), path("greek-c.cdf")})
                  .exitCode,
              0);

    for (const QStringList& wrong :
         {QStringList{"dump", "--charset", "nonsense", path("greek-a.cdf")},
          QStringList{"diff", path("greek-a.cdf"), "--charset"}}) {
        const ToolRun run = cdftool(wrong);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains("windows-1253") && run.err.contains("KOI8-R"))
            << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
}
