// Not a test: saves a picture of the "Channel List" window showing the summary of
// "Order from file...", for a person to look at. Run it on a real display (or Xvfb), as the
// picture is taken of the whole screen with the message box over the window.
//   channel_list_screenshots OUTPUT_FOLDER
#include "channels/channel_database.h"
#include "channels/channel_file_writer.h"
#include "editor/channel_list_dialog.h"
#include "widgets/file_dialog.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>

namespace {
// Three satellites of twelve transponders with a few TV and radio programs each.
void fill(ChannelDatabase& database, bool reference) {
    database.layout = 2;
    database.headerFlags = ChannelDatabase::favoritesFlag;
    const char* satellites[] = {"Astra 19.2E", "Hotbird 13.0E", "Eutelsat 5.0W"};
    for (int s = 0; s < 3; ++s) {
        Satellite satellite;
        satellite.name = satellites[s];
        satellite.orbitalPosition = std::int16_t(192 - 70 * s);
        SatelliteNode* node = database.appendSatellite(satellite);
        for (int t = 0; t < 12; ++t) {
            Transponder transponder;
            transponder.frequency = std::uint32_t(10744000 + t * 39000);
            TransponderNode* tp = database.appendTransponder(node, transponder);
            for (int p = 0; p < 4; ++p) {
                if (reference ? (t + p) % 11 == 0 : (t * 4 + p) % 13 == 5)
                    continue;
                Program program;
                program.serviceId = std::uint16_t(100 * t + p);
                program.videoPid = p < 3 ? std::uint16_t(0x100 + p) : ChannelLimits::noPid;
                program.name = QByteArray(p < 3 ? "Channel " : "Radio ") +
                               QByteArray::number(s + 1) + "-" + QByteArray::number(t * 4 + p);
                database.appendProgram(tp, program);
            }
        }
    }
    database.favoriteGroupCount = 4;
    const char* names[] = {"News", "Films", "Sport", "Music"};
    for (int g = 0; g < 4; ++g)
        database.favoriteGroups[std::size_t(g)].name = reference ? names[g] : "";
    if (reference) {
        std::reverse(database.tvList.begin(), database.tvList.end());
        for (std::size_t i = 0; i < database.tvList.size(); i += 9) {
            database.favoriteGroups[i % 4].tvMembers.push_back(database.tvList[i]);
            database.tvList[i]->favoriteMask = std::uint8_t(0x80 | (1u << (i % 4)));
        }
    }
    database.renumber();
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir dir;
    ChannelDatabase reference;
    fill(reference, true);
    const QString referencePath = dir.filePath(QStringLiteral("before-rescan.cdf"));
    if (writeChannelFile(reference, referencePath) != 0)
        return 1;
    ChannelDatabase database;
    fill(database, false);

    ChannelListDialog window(database);
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    setFileDialogResponder([&](const FileDialogRequest&) { return referencePath; });
    QTimer::singleShot(800, [&] {
        QScreen* screen = QGuiApplication::primaryScreen();
        screen->grabWindow(0).save(QDir(folder).filePath(QStringLiteral("order-from-file.png")));
        if (QWidget* box = QApplication::activeModalWidget())
            box->close();
    });
    window.findChild<QPushButton*>(QStringLiteral("orderFromFile"))->click();
    QCoreApplication::processEvents();
    window.grab().save(QDir(folder).filePath(QStringLiteral("channel-list-after-order.png")));
    return 0;
}
