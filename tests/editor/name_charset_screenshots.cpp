// Not a test: pictures of the channel editor and the channel list with Cyrillic (windows-1251)
// and Greek (windows-1253) names, each shown in its own set, for a person to look at.
//   name_charset_screenshots OUTPUT_FOLDER
#include "channels/channel_database.h"
#include "channels/channel_file_writer.h"
#include "channels/name_codec.h"
#include "editor/channel_document.h"
#include "editor/channel_edit_dialog.h"
#include "editor/channel_list_dialog.h"
#include "editor/satellite_tree_model.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

namespace {

void save(QWidget& window, const QString& folder, const char* name) {
    QCoreApplication::processEvents();
    window.grab().save(QDir(folder).filePath(QLatin1String(name) + QStringLiteral(".png")));
}

// One satellite with one transponder holding the programs, all named in `charset`.
void addSatellite(ChannelDatabase& database, NameCharset charset, const QString& satelliteName,
                  const QStringList& programNames) {
    Satellite satellite;
    satellite.name = *NameCodec::fromText(satelliteName, charset);
    SatelliteNode* node = database.appendSatellite(satellite);
    Transponder transponder;
    transponder.frequency = 11766000 + std::uint32_t(database.satelliteCount()) * 1000;
    TransponderNode* tp = database.appendTransponder(node, transponder);
    int serviceId = 1;
    for (const QString& name : programNames) {
        Program program;
        program.name = *NameCodec::fromText(name, charset);
        program.serviceId = std::uint16_t(serviceId++);
        program.videoPid = name.contains(QStringLiteral("FM")) ? 0x7FFF : 0x100;
        database.appendProgram(tp, program);
    }
}

void choose(ChannelEditDialog& editor, NameCharset charset) {
    auto* box = editor.findChild<QComboBox*>(QStringLiteral("nameCharset"));
    box->setCurrentIndex(int(charset));
}

void showChannelList(ChannelDatabase& database, const QString& folder, const char* name) {
    database.renumber();
    ChannelListDialog list(database);
    list.show();
    (void)QTest::qWaitForWindowExposed(&list);
    save(list, folder, name);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir dir;
    ChannelDatabase database;
    database.headerFlags = ChannelDatabase::favoritesFlag;
    addSatellite(database, NameCharset::windows1251, QStringLiteral("Экспресс АМ6"),
                 {QStringLiteral("Первый канал"), QStringLiteral("Россия 1"), QStringLiteral("НТВ"),
                  QStringLiteral("Культура"), QStringLiteral("Звезда"), QStringLiteral("Маяк FM"),
                  QStringLiteral("Авторадио FM")});
    addSatellite(database, NameCharset::windows1253, QStringLiteral("Ελλάς Σατ"),
                 {QStringLiteral("ΕΡΤ1"), QStringLiteral("ΣΚΑΪ"), QStringLiteral("Άλφα"),
                  QStringLiteral("Βουλή Τηλεόραση"), QStringLiteral("Ωμέγα FM")});
    const QString path = dir.filePath(QStringLiteral("names.cdf"));
    if (writeChannelFile(database, path) != 0)
        return 1;

    ChannelEditDialog editor(path);
    editor.show();
    (void)QTest::qWaitForWindowExposed(&editor);
    SatelliteTreeModel& model = editor.treeModel();
    editor.tree()->expandAll();
    editor.tree()->setCurrentIndex(model.index(0, 0, model.index(0, 0)));
    save(editor, folder, "charset-editor-latin1");
    choose(editor, NameCharset::windows1251);
    save(editor, folder, "charset-editor-cyrillic");
    choose(editor, NameCharset::windows1253);
    editor.tree()->setCurrentIndex(model.index(0, 0, model.index(1, 0)));
    save(editor, folder, "charset-editor-greek");

    ChannelDatabase& open = editor.document().database();
    NameCodec::setCharset(NameCharset::windows1251);
    showChannelList(open, folder, "charset-channel-list-cyrillic");
    NameCodec::setCharset(NameCharset::windows1253);
    showChannelList(open, folder, "charset-channel-list-greek");
    // Leave the stored setting as it was found.
    choose(editor, NameCharset::iso8859_1);
    return 0;
}
