// "Edit" in the main window runs the real editor, which hands back the path it ended on.
#include "tests/editor/channel_editor_fixture.h"

#include "app/editor_hand_over.h"
#include "app/main_dialog.h"
#include "base/last_settings.h"
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

} // namespace
