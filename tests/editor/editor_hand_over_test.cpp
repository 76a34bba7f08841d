// "Edit" in the main window runs the real editor, which hands back the path it ended on.
#include "tests/editor/channel_editor_fixture.h"

#include "app/editor_hand_over.h"
#include "app/main_dialog.h"
#include "base/last_settings.h"
#include "channels/channel_file_messages.h"
#include "channels/channel_file_reader.h"
#include "tests/support/next_modal.h"

#include <QLineEdit>

namespace {

using EditorHandOver = ChannelEditorFixture;

TEST_F(EditorHandOver, TheMainWindowTakesThePathOverAfterSaveAs) {
    const QString file = writeSmallFile();
    LastSettings settings(SettingsStore(path(QStringLiteral("settings.conf"))));
    settings.writeChannelPath(file);
    MainDialogHandOver handOver;
    connectChannelEditor(handOver);
    MainDialog main(settings, handOver);
    main.show();

    QString captionAfterSaveAs;
    onNextModal([&](QWidget* window) {
        auto* editorWindow = qobject_cast<ChannelEditDialog*>(window);
        ASSERT_NE(editorWindow, nullptr);
        EXPECT_EQ(editorWindow->filePath(), file);
        fileAnswers << path(QStringLiteral("renamed.cdf"));
        QTest::mouseClick(editorWindow->findChild<QPushButton*>(QStringLiteral("saveAs")),
                          Qt::LeftButton);
        captionAfterSaveAs = editorWindow->windowTitle();
    });
    QTest::mouseClick(main.findChild<QPushButton*>(QStringLiteral("channelEdit")), Qt::LeftButton);

    EXPECT_EQ(captionAfterSaveAs, QStringLiteral("Channel Edit - ") + path("renamed.cdf"));
    EXPECT_EQ(main.channelPath(), path("renamed.cdf"));
    EXPECT_EQ(main.findChild<QLineEdit*>(QStringLiteral("channelPath"))->text(),
              path("renamed.cdf"));
    EXPECT_EQ(settings.readChannelPath(), path("renamed.cdf"));
    EXPECT_TRUE(messages.empty());
}

// Counts the editor windows that were shown.
class ShownEditors : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && qobject_cast<ChannelEditDialog*>(watched))
            ++count;
        return false;
    }
};

TEST_F(EditorHandOver, AFileThatPassesTheQuickCheckButDoesNotReadOpensNothing) {
    // Header, body and end mark agree, but the body promises five satellites it does not hold.
    const QString file = path(QStringLiteral("short.cdf"));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(QByteArray("CDF\x01\x00\x01\x01\x14\x00\x00\x05\x00\x00\x00\x00\x05"
                         "END",
                         19));
    out.close();
    ChannelDatabase database;
    const int result = readChannelFile(database, file);
    ASSERT_NE(result, 0);
    const QByteArray before = bytesOf(file);

    LastSettings settings(SettingsStore(path(QStringLiteral("settings.conf"))));
    settings.writeChannelPath(file);
    MainDialogHandOver handOver;
    connectChannelEditor(handOver);
    MainDialog main(settings, handOver);
    main.show();
    ShownEditors shown;
    qApp->installEventFilter(&shown);
    QTest::mouseClick(main.findChild<QPushButton*>(QStringLiteral("channelEdit")), Qt::LeftButton);
    qApp->removeEventFilter(&shown);

    EXPECT_EQ(shown.count, 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, channelReadResultText(result));
    EXPECT_EQ(messages[0].icon, MessageIcon::stop);
    EXPECT_EQ(main.channelPath(), file);
    EXPECT_EQ(bytesOf(file), before);
}

} // namespace
