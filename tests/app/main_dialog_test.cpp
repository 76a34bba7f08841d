#include "app/about_dialog.h"
#include "app/main_dialog.h"
#include "base/last_settings.h"
#include "tests/support/next_modal.h"
#include "tests/support/sample_files.h"
#include "widgets/dialog_units.h"
#include "widgets/file_dialog.h"
#include "widgets/message_box.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

using sample::channelFile;
using sample::firmwareFile;

namespace {

struct RecordedMessage {
    QString caption;
    QString text;
    MessageIcon icon;
    QString statusWhenShown;
};

struct FirmwareHandOver {
    QWidget* owner;
    IdentificationRecord identification;
    QByteArray image;
    std::uint32_t imageLength;
    QString settingWhenRun;
    QString statusWhenRun;
};

struct ChannelDownloadHandOver {
    QWidget* owner;
    QByteArray file;
    std::uint32_t bodyLength;
    QString path;
};

const QString cantOpen = QStringLiteral("Can't open the file");
const QString cantRead = QStringLiteral("Can't read the file");
const QString invalidFirmware = QStringLiteral("Invalid firmware file");
const QString invalidChannel = QStringLiteral("Invalid channel data file");

QByteArray toBytes(std::span<const std::uint8_t> bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        settingsPath = dir.filePath(QStringLiteral("settings/rx7700.conf"));
        settings = std::make_unique<LastSettings>(SettingsStore(settingsPath));
        setMessageRecorder([this](const ShownMessage& message) {
            messages.push_back({message.caption, message.text, message.icon,
                                dialog ? dialog->firmwareStatus() : QString()});
        });
        setFileDialogResponder([this](const FileDialogRequest& request) {
            fileRequests.push_back(request);
            return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
        });
        handOver.runFirmwareDownload = [this](QWidget* owner, const FirmwareImage& image) {
            firmwareHandOvers.push_back({owner, image.identification, toBytes(image.image),
                                         image.imageLength(), storedSettings().readFirmwarePath(),
                                         dialog->firmwareStatus()});
        };
        handOver.runChannelDownload = [this](QWidget* owner, std::span<const std::uint8_t> file,
                                             std::uint32_t bodyLength, const QString& path) {
            channelDownloads.push_back({owner, toBytes(file), bodyLength, path});
            return transferResult;
        };
        handOver.runChannelUpload = [this](QWidget* owner, QString& path) {
            EXPECT_EQ(owner, dialog.get());
            uploadPaths.push_back(path);
            if (uploadCannotWrite)
                path.clear();
            return transferResult;
        };
        handOver.runChannelEditor = [this](QWidget* owner, const QString& path) {
            EXPECT_EQ(owner, dialog.get());
            editorPaths.push_back(path);
            return editorSavedAs.isEmpty() ? path : editorSavedAs;
        };
    }

    void TearDown() override {
        dialog.reset();
        setMessageRecorder({});
        setFileDialogResponder({});
    }

    MainDialog& openDialog() {
        dialog = std::make_unique<MainDialog>(*settings, handOver);
        dialog->show();
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        return *dialog;
    }

    // The settings as the next start would read them.
    LastSettings storedSettings() const { return LastSettings(SettingsStore(settingsPath)); }

    QString writeFile(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        EXPECT_EQ(file.write(bytes), bytes.size());
        return path;
    }

    QLineEdit* firmwareField() const {
        return dialog->findChild<QLineEdit*>(QStringLiteral("firmwarePath"));
    }
    QLineEdit* channelField() const {
        return dialog->findChild<QLineEdit*>(QStringLiteral("channelPath"));
    }
    QPushButton* button(const char* name) const {
        return dialog->findChild<QPushButton*>(QString::fromLatin1(name));
    }

    // Types `text` over the field's contents, as a user does before clicking a button.
    void typeInto(QLineEdit* field, const QString& text) {
        field->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(field->hasFocus());
        field->selectAll();
        if (text.isEmpty())
            QTest::keyClick(field, Qt::Key_Delete);
        for (const QChar character : text) {
            if (character.unicode() < 0x80) {
                QTest::keyClick(field, char(character.unicode()));
            } else {
                // Characters beyond ASCII arrive as text without a key of their own.
                QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                                QString(character));
                QApplication::sendEvent(field, &press);
            }
        }
        ASSERT_EQ(field->text(), text);
    }

    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }

    QStringList messageTexts() const {
        QStringList texts;
        for (const RecordedMessage& message : messages)
            texts << message.text;
        return texts;
    }

    QTemporaryDir dir;
    QString settingsPath;
    std::unique_ptr<LastSettings> settings;
    MainDialogHandOver handOver;
    std::unique_ptr<MainDialog> dialog;

    std::vector<RecordedMessage> messages;
    std::vector<FileDialogRequest> fileRequests;
    QStringList fileAnswers;
    std::vector<FirmwareHandOver> firmwareHandOvers;
    std::vector<ChannelDownloadHandOver> channelDownloads;
    QStringList uploadPaths;
    bool uploadCannotWrite = false;
    QString transferResult; // what the channel transfers report
    QStringList editorPaths;
    QString editorSavedAs;
};

} // namespace

TEST_F(MainDialogTest, FirstRunShowsEmptyFieldsAndStatus) {
    openDialog();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("RX7700  v3.0"));
    EXPECT_EQ(firmwareField()->text(), QString());
    EXPECT_EQ(channelField()->text(), QString());
    EXPECT_EQ(dialog->firmwareStatus(), QString());
    EXPECT_TRUE(messages.empty());
    // The focus starts in the Firmware path field.
    EXPECT_EQ(QApplication::focusWidget(), firmwareField());
}

TEST_F(MainDialogTest, ResizableWindowOpensAtItsUsualSize) {
    openDialog();
    // The template's size with the transfer result's two lines below the boxes.
    EXPECT_EQ(dialog->size(), DialogUnits(dialog->font()).size(207, 176));
    const Qt::WindowFlags flags = dialog->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(dialog->windowIcon().isNull());
}

TEST_F(MainDialogTest, EveryControlFitsTheWindowAndShowsItsWholeText) {
    openDialog();
    const QRect window = dialog->rect();
    for (QWidget* child : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        EXPECT_TRUE(window.contains(child->geometry())) << child->objectName().toStdString();
    }
    for (QPushButton* pushButton : dialog->findChildren<QPushButton*>()) {
        EXPECT_FALSE(pushButton->autoDefault() || pushButton->isDefault());
        const int textWidth = pushButton->fontMetrics().horizontalAdvance(pushButton->text());
        EXPECT_LT(textWidth + 8, pushButton->width()) << pushButton->text().toStdString();
    }
    auto* status = dialog->findChild<QLabel*>(QStringLiteral("firmwareStatus"));
    EXPECT_LT(status->fontMetrics().horizontalAdvance(QStringLiteral("Version [unknown]")) + 4,
              status->contentsRect().width());
    EXPECT_LE(status->fontMetrics().height(), status->contentsRect().height());
}

TEST_F(MainDialogTest, TabOrderFollowsTheBoxes) {
    openDialog();
    const QStringList expected{"firmwareBrowse", "firmwareDownload", "channelPath", "channelBrowse",
                               "channelUpload",  "channelDownload",  "channelEdit", "firmwarePath"};
    for (const QString& name : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), name);
    }
}

TEST_F(MainDialogTest, StoredPathsAreShownAndTheFirmwareCheckedWithoutMessages) {
    const QString firmware = writeFile(QStringLiteral("fw.bin"),
                                       firmwareFile(13, QByteArray("\x03\x01\x00\x00", 4), 80));
    settings->writeFirmwarePath(firmware);
    settings->writeChannelPath(dir.filePath(QStringLiteral("not-yet.cdf")));
    openDialog();
    EXPECT_EQ(firmwareField()->text(), firmware);
    EXPECT_EQ(dialog->firmwareStatus(), QStringLiteral("Version 3.10"));
    EXPECT_EQ(dialog->firmwareIdent().bytes[0], 0x01);
    // The channel file is not checked at start.
    EXPECT_EQ(channelField()->text(), dir.filePath(QStringLiteral("not-yet.cdf")));
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainDialogTest, StoredFirmwarePathThatCannotBeUsedOnlyShowsInvalidFile) {
    const QString fifo = dir.filePath(QStringLiteral("pipe.bin"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path : {dir.filePath(QStringLiteral("gone.bin")), dir.path(), fifo,
                                writeFile(QStringLiteral("short.bin"), firmwareFile(9, {}, 34)),
                                writeFile(QStringLiteral("wrong.bin"), firmwareFile(10, {}, 64))}) {
        settings->writeFirmwarePath(path);
        openDialog();
        EXPECT_EQ(firmwareField()->text(), path);
        EXPECT_EQ(dialog->firmwareStatus(), QStringLiteral("Invalid file")) << path.toStdString();
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainDialogTest, FirmwareBrowseAsksForAnExistingBinFile) {
    openDialog();
    typeInto(firmwareField(), QStringLiteral("/somewhere/old.bin"));
    click("firmwareBrowse");
    ASSERT_EQ(fileRequests.size(), 1u);
    const FileDialogRequest& request = fileRequests[0];
    EXPECT_EQ(request.mode, FileDialogMode::open);
    EXPECT_TRUE(request.mustExist);
    EXPECT_EQ(request.initialPath, QStringLiteral("/somewhere/old.bin"));
    EXPECT_EQ(request.filter, QStringLiteral("Bin File (*.bin)|*.bin|All file (*.*)|*.*||"));
    EXPECT_EQ(request.defaultSuffix.toLower(), QStringLiteral("bin"));
}

TEST_F(MainDialogTest, FirmwareBrowseCancelledChangesNothing) {
    const QString firmware = writeFile(QStringLiteral("fw.bin"),
                                       firmwareFile(13, QByteArray("\x02\x00\x07\x00", 4), 64));
    settings->writeFirmwarePath(firmware);
    openDialog();
    dialog->browseFirmware();
    EXPECT_EQ(fileRequests.size(), 1u);
    EXPECT_EQ(dialog->firmwarePath(), firmware);
    EXPECT_EQ(firmwareField()->text(), firmware);
    EXPECT_EQ(dialog->firmwareStatus(), QStringLiteral("Version 2.07"));
    EXPECT_EQ(storedSettings().readFirmwarePath(), firmware);
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainDialogTest, FirmwareBrowseStoresTheChoiceAndReportsItsCheck) {
    const QString good = writeFile(QStringLiteral("good.bin"),
                                   firmwareFile(13, QByteArray("\x02\x00\x07\x00", 4), 64));
    const QString noVersion = writeFile(QStringLiteral("noversion.bin"), firmwareFile(9, {}, 64));
    const QString badTag =
        writeFile(QStringLiteral("badtag.bin"), firmwareFile(13, {}, 64, "INTPQ"));
    const QString tooShort = writeFile(QStringLiteral("short.bin"), firmwareFile(9, {}, 34));
    openDialog();

    fileAnswers = {good};
    dialog->browseFirmware();
    EXPECT_EQ(firmwareField()->text(), good);
    EXPECT_EQ(storedSettings().readFirmwarePath(), good);
    EXPECT_EQ(dialog->firmwareStatus(), QStringLiteral("Version 2.07"));
    EXPECT_TRUE(messages.empty());

    fileAnswers = {noVersion};
    dialog->browseFirmware();
    EXPECT_EQ(dialog->firmwareStatus(), QStringLiteral("Version [unknown]"));
    EXPECT_TRUE(messages.empty());

    fileAnswers = {badTag, tooShort};
    dialog->browseFirmware();
    dialog->browseFirmware();
    EXPECT_EQ(messageTexts(), (QStringList{invalidFirmware, cantRead}));
    EXPECT_EQ(dialog->firmwareStatus(), QStringLiteral("Invalid file"));
    EXPECT_EQ(storedSettings().readFirmwarePath(), tooShort);
    // A failed check keeps the last good identification.
    EXPECT_EQ(dialog->firmwareIdent().bytes[4], 0xFF);
}

TEST_F(MainDialogTest, FirmwareBrowseOfSomethingThatIsNotAFileSaysSoAfterTheStatus) {
    const QString good = writeFile(QStringLiteral("good.bin"),
                                   firmwareFile(13, QByteArray("\x02\x00\x07\x00", 4), 64));
    settings->writeFirmwarePath(good);
    openDialog();
    fileAnswers = {dir.path()};
    dialog->browseFirmware();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, cantOpen);
    EXPECT_EQ(messages[0].statusWhenShown, QStringLiteral("Invalid file"));
    EXPECT_EQ(messages[0].caption, QCoreApplication::applicationName());
    EXPECT_EQ(messages[0].icon, MessageIcon::stop);
    EXPECT_EQ(storedSettings().readFirmwarePath(), dir.path());
}

TEST_F(MainDialogTest, TypedFirmwarePathIsTakenOverBeforeTheDownloadRuns) {
    const QByteArray image = firmwareFile(13, QByteArray("\x03\x01\x00\x07", 4), 5000);
    const QString typed = writeFile(QStringLiteral("typed.bin"), image);
    openDialog();
    typeInto(firmwareField(), typed);
    click("firmwareDownload");

    ASSERT_EQ(firmwareHandOvers.size(), 1u);
    const FirmwareHandOver& handed = firmwareHandOvers[0];
    EXPECT_EQ(handed.owner, dialog.get());
    EXPECT_EQ(handed.image, image);
    EXPECT_EQ(handed.imageLength, 5000u);
    EXPECT_EQ(handed.identification.bytes,
              (std::array<std::uint8_t, 8>{0x01, 0x02, 0x03, 0x04, 0x03, 0x01, 0x00, 0x07}));
    // Stored and checked before the transfer window would open.
    EXPECT_EQ(handed.settingWhenRun, typed);
    EXPECT_EQ(handed.statusWhenRun, QStringLiteral("Version 3.10"));
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(fileRequests.empty());
}

TEST_F(MainDialogTest, SmallestFirmwareFileIsSentWholeAndOneByteLessIsRefused) {
    const QByteArray smallest = firmwareFile(9, {}, 35);
    openDialog();
    typeInto(firmwareField(), writeFile(QStringLiteral("35.bin"), smallest));
    click("firmwareDownload");
    ASSERT_EQ(firmwareHandOvers.size(), 1u);
    EXPECT_EQ(firmwareHandOvers[0].image, smallest);
    EXPECT_EQ(firmwareHandOvers[0].statusWhenRun, QStringLiteral("Version [unknown]"));
    EXPECT_EQ(firmwareHandOvers[0].identification.bytes[4], 0xFF);

    typeInto(firmwareField(), writeFile(QStringLiteral("34.bin"), firmwareFile(9, {}, 34)));
    click("firmwareDownload");
    EXPECT_EQ(firmwareHandOvers.size(), 1u);
    EXPECT_EQ(messageTexts(), QStringList{cantRead});
    EXPECT_EQ(dialog->firmwareStatus(), QStringLiteral("Invalid file"));
}

TEST_F(MainDialogTest, FirmwareDownloadWithoutPathBrowsesFirstAndStopsOnCancel) {
    openDialog();
    dialog->downloadFirmware();
    EXPECT_EQ(fileRequests.size(), 1u);
    EXPECT_TRUE(firmwareHandOvers.empty());
    EXPECT_TRUE(messages.empty());

    const QByteArray image = firmwareFile(13, QByteArray("\x01\x02\x03\x00", 4), 100);
    fileAnswers = {writeFile(QStringLiteral("chosen.bin"), image)};
    dialog->downloadFirmware();
    ASSERT_EQ(firmwareHandOvers.size(), 1u);
    EXPECT_EQ(firmwareHandOvers[0].image, image);
    EXPECT_EQ(dialog->firmwareStatus(), QStringLiteral("Version 1.23"));
}

TEST_F(MainDialogTest, FirmwareDownloadReportsFilesThatCannotBeUsed) {
    const QString good = writeFile(QStringLiteral("good.bin"),
                                   firmwareFile(13, QByteArray("\x02\x00\x07\x00", 4), 64));
    settings->writeFirmwarePath(good);
    openDialog();
    ASSERT_EQ(dialog->firmwareStatus(), QStringLiteral("Version 2.07"));

    // The file went away after it was chosen: the message comes before the status changes.
    ASSERT_TRUE(QFile::remove(good));
    dialog->downloadFirmware();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, cantOpen);
    EXPECT_EQ(messages[0].statusWhenShown, QStringLiteral("Version 2.07"));
    EXPECT_EQ(dialog->firmwareStatus(), QStringLiteral("Invalid file"));

    const QString fifo = dir.filePath(QStringLiteral("pipe.bin"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path :
         {fifo, dir.path(), QStringLiteral("/dev/zero"),
          writeFile(QStringLiteral("bad.bin"), firmwareFile(13, {}, 64, "intpr"))}) {
        typeInto(firmwareField(), path);
        click("firmwareDownload");
    }
    EXPECT_EQ(messageTexts(),
              (QStringList{cantOpen, cantOpen, cantOpen, cantOpen, invalidFirmware}));
    EXPECT_EQ(dialog->firmwareStatus(), QStringLiteral("Invalid file"));
    EXPECT_TRUE(firmwareHandOvers.empty());
}

TEST_F(MainDialogTest, FirmwareWithoutReadPermissionCannotBeOpened) {
    const QString locked = writeFile(QStringLiteral("locked.bin"), firmwareFile(9, {}, 64));
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::WriteOwner));
    if (::access(QFile::encodeName(locked).constData(), R_OK) == 0)
        GTEST_SKIP() << "running with the right to read any file";
    openDialog();
    typeInto(firmwareField(), locked);
    click("firmwareDownload");
    EXPECT_EQ(messageTexts(), QStringList{cantOpen});
    EXPECT_TRUE(firmwareHandOvers.empty());
}

TEST_F(MainDialogTest, PathsBeyondAsciiWorkEndToEnd) {
    const QByteArray image = firmwareFile(9, {}, 300);
    const QString firmware = writeFile(QStringLiteral("Fírmwäre ÿ 固件.bin"), image);
    const QString channels = writeFile(QStringLiteral("Kanäle – 频道.cdf"), channelFile("abcEND"));
    openDialog();
    typeInto(firmwareField(), firmware);
    click("firmwareDownload");
    typeInto(channelField(), channels);
    click("channelDownload");
    EXPECT_TRUE(messages.empty()) << messageTexts().join(u'|').toStdString();
    ASSERT_EQ(firmwareHandOvers.size(), 1u);
    EXPECT_EQ(firmwareHandOvers[0].image, image);
    EXPECT_EQ(channelDownloads.size(), 1u);
    EXPECT_EQ(storedSettings().readFirmwarePath(), firmware);
    EXPECT_EQ(storedSettings().readChannelPath(), channels);
}

namespace {
// The address space this process already uses.
rlim_t addressSpaceInUse() {
    std::ifstream statm("/proc/self/statm");
    unsigned long pages = 0;
    statm >> pages;
    return rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE));
}
} // namespace

TEST_F(MainDialogTest, FirmwareTooLargeForMemoryEndsTheDownloadSilently) {
    const QString huge = writeFile(QStringLiteral("huge.bin"),
                                   firmwareFile(13, QByteArray("\x03\x01\x00\x00", 4), 64));
    QFile sparse(huge);
    ASSERT_TRUE(sparse.open(QIODevice::ReadWrite));
    if (!sparse.resize(qint64(400) << 20))
        GTEST_SKIP() << "no sparse files here";
    sparse.close();
    settings->writeFirmwarePath(huge);
    openDialog();
    ASSERT_EQ(dialog->firmwareStatus(), QStringLiteral("Version 3.10"));

    // Leave room for everything but the 400 MiB buffer.
    rlimit original{};
    ASSERT_EQ(::getrlimit(RLIMIT_AS, &original), 0);
    rlimit limited = original;
    limited.rlim_cur = addressSpaceInUse() + (rlim_t(64) << 20);
    if (original.rlim_cur != RLIM_INFINITY && original.rlim_cur < limited.rlim_cur)
        GTEST_SKIP() << "address space already limited";
    ASSERT_EQ(::setrlimit(RLIMIT_AS, &limited), 0);
    dialog->downloadFirmware();
    ::setrlimit(RLIMIT_AS, &original);

    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(firmwareHandOvers.empty());
    EXPECT_EQ(dialog->firmwareStatus(), QStringLiteral("Version 3.10"));

    // The window goes on working.
    typeInto(firmwareField(), writeFile(QStringLiteral("small.bin"), firmwareFile(9, {}, 40)));
    click("firmwareDownload");
    EXPECT_EQ(firmwareHandOvers.size(), 1u);
}

TEST_F(MainDialogTest, ClearedFirmwareFieldStoresAnEmptyPathAndClearsTheStatus) {
    const QString good = writeFile(QStringLiteral("good.bin"),
                                   firmwareFile(13, QByteArray("\x02\x00\x07\x00", 4), 64));
    settings->writeFirmwarePath(good);
    openDialog();
    typeInto(firmwareField(), QString());
    channelField()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(dialog->firmwarePath(), QString());
    EXPECT_EQ(dialog->firmwareStatus(), QString());
    EXPECT_EQ(storedSettings().readFirmwarePath(), QString());
    EXPECT_TRUE(storedSettings().readChannelPath().isEmpty());

    openDialog();
    EXPECT_EQ(firmwareField()->text(), QString());
}

TEST_F(MainDialogTest, FocusLeavingTheFirmwareFieldChecksWithoutMessages) {
    const QString fifo = dir.filePath(QStringLiteral("pipe.bin"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    openDialog();
    typeInto(firmwareField(), fifo);
    channelField()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(dialog->firmwareStatus(), QStringLiteral("Invalid file"));
    EXPECT_EQ(storedSettings().readFirmwarePath(), fifo);

    typeInto(firmwareField(), writeFile(QStringLiteral("ok.bin"), firmwareFile(9, {}, 35)));
    channelField()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(dialog->firmwareStatus(), QStringLiteral("Version [unknown]"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainDialogTest, ChannelBrowseIsSaveStyleWithoutOverwritePrompt) {
    openDialog();
    typeInto(channelField(), QStringLiteral("/data/list.cdf"));
    click("channelBrowse");
    ASSERT_EQ(fileRequests.size(), 1u);
    const FileDialogRequest& request = fileRequests[0];
    EXPECT_EQ(request.mode, FileDialogMode::save);
    EXPECT_FALSE(request.mustExist);
    EXPECT_FALSE(request.confirmOverwrite);
    EXPECT_EQ(request.initialPath, QStringLiteral("/data/list.cdf"));
    EXPECT_EQ(request.filter,
              QStringLiteral("Channel Data File (*.CDF)|*.cdf|All file (*.*)|*.*||"));
    EXPECT_EQ(request.defaultSuffix.toLower(), QStringLiteral("cdf"));

    // The chosen file is taken over and stored, not opened.
    fileAnswers = {dir.filePath(QStringLiteral("new.cdf"))};
    click("channelBrowse");
    EXPECT_EQ(channelField()->text(), dir.filePath(QStringLiteral("new.cdf")));
    EXPECT_EQ(storedSettings().readChannelPath(), dir.filePath(QStringLiteral("new.cdf")));
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainDialogTest, ChannelActionsWithoutPathBrowseFirstAndStopOnCancel) {
    openDialog();
    click("channelUpload");
    click("channelDownload");
    click("channelEdit");
    EXPECT_EQ(fileRequests.size(), 3u);
    for (const FileDialogRequest& request : fileRequests)
        EXPECT_EQ(request.mode, FileDialogMode::save);
    EXPECT_TRUE(uploadPaths.isEmpty());
    EXPECT_TRUE(channelDownloads.empty());
    EXPECT_TRUE(editorPaths.isEmpty());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(storedSettings().readChannelPath(), QString());
}

TEST_F(MainDialogTest, ChannelDownloadHandsOverTheWholeFileAndItsBodyLength) {
    const QByteArray file = channelFile(QByteArray(3000, 'x') + "END");
    openDialog();
    typeInto(channelField(), writeFile(QStringLiteral("list.cdf"), file));
    click("channelDownload");
    ASSERT_EQ(channelDownloads.size(), 1u);
    EXPECT_EQ(channelDownloads[0].owner, dialog.get());
    EXPECT_EQ(channelDownloads[0].file, file);
    EXPECT_EQ(channelDownloads[0].bodyLength, std::uint32_t(file.size() - 14));
    EXPECT_TRUE(messages.empty());

    // The smallest file that passes: header and end mark.
    typeInto(channelField(), writeFile(QStringLiteral("17.cdf"), channelFile("END")));
    click("channelDownload");
    ASSERT_EQ(channelDownloads.size(), 2u);
    EXPECT_EQ(channelDownloads[1].bodyLength, 3u);
}

TEST_F(MainDialogTest, ChannelDownloadAndEditRefuseBadFiles) {
    const QString fifo = dir.filePath(QStringLiteral("pipe.cdf"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QList<std::pair<QString, QString>> cases{
        {writeFile(QStringLiteral("trailing.cdf"), channelFile("END\n")), invalidChannel},
        {writeFile(QStringLiteral("length.cdf"), channelFile("END", -1)), invalidChannel},
        {writeFile(QStringLiteral("magic.cdf"), "CDX" + channelFile("END").mid(3)), invalidChannel},
        {writeFile(QStringLiteral("short.cdf"), QByteArray("CDF\x01\x02", 5)), cantRead},
        {dir.filePath(QStringLiteral("missing.cdf")), cantOpen},
        {dir.path(), cantOpen},
        {fifo, cantOpen},
    };
    openDialog();
    for (const auto& [path, expected] : cases) {
        for (const char* action : {"channelDownload", "channelEdit"}) {
            messages.clear();
            typeInto(channelField(), path);
            click(action);
            EXPECT_EQ(messageTexts(), QStringList{expected}) << path.toStdString() << action;
        }
    }
    EXPECT_TRUE(channelDownloads.empty());
    EXPECT_TRUE(editorPaths.isEmpty());
    EXPECT_TRUE(fileRequests.empty());
}

TEST_F(MainDialogTest, UploadOntoANewPathIsHandedOverUnchecked) {
    const QString target = dir.filePath(QStringLiteral("from-receiver.cdf"));
    openDialog();
    typeInto(channelField(), target);
    click("channelUpload");
    EXPECT_EQ(uploadPaths, QStringList{target});
    EXPECT_EQ(dialog->channelPath(), target);
    EXPECT_EQ(storedSettings().readChannelPath(), target);
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(MainDialogTest, AfterAFailedUploadTheNextActionBrowsesFirst) {
    const QString target = writeFile(QStringLiteral("list.cdf"), channelFile("END"));
    openDialog();
    typeInto(channelField(), target);
    uploadCannotWrite = true;
    click("channelUpload");
    EXPECT_EQ(dialog->channelPath(), QString());
    // The field keeps its text and the setting is not changed.
    EXPECT_EQ(channelField()->text(), target);
    EXPECT_EQ(storedSettings().readChannelPath(), target);

    dialog->editChannels();
    EXPECT_EQ(fileRequests.size(), 1u);
    EXPECT_TRUE(editorPaths.isEmpty());

    // The field gaining and losing the focus copies its text back.
    channelField()->setFocus(Qt::MouseFocusReason);
    click("channelEdit");
    EXPECT_EQ(fileRequests.size(), 1u);
    EXPECT_EQ(editorPaths, QStringList{target});
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainDialogTest, EditorSaveAsIsAdoptedAndStored) {
    const QString original = writeFile(QStringLiteral("list.cdf"), channelFile("END"));
    const QString savedAs = dir.filePath(QStringLiteral("copy.cdf"));
    settings->writeChannelPath(original);
    openDialog();
    editorSavedAs = savedAs;
    dialog->editChannels();
    EXPECT_EQ(editorPaths, QStringList{original});
    EXPECT_EQ(dialog->channelPath(), savedAs);
    EXPECT_EQ(channelField()->text(), savedAs);
    EXPECT_EQ(storedSettings().readChannelPath(), savedAs);
}

TEST_F(MainDialogTest, EditorLeftWithoutRenameTouchesNeitherPathNorSettings) {
    const QString original = writeFile(QStringLiteral("list.cdf"), channelFile("END"));
    settings->writeChannelPath(original);
    openDialog();
    // Changed behind the window's back: a write by the window would show.
    settings->writeChannelPath(QStringLiteral("/elsewhere.cdf"));
    dialog->editChannels();
    EXPECT_EQ(editorPaths, QStringList{original});
    EXPECT_EQ(dialog->channelPath(), original);
    EXPECT_EQ(storedSettings().readChannelPath(), QStringLiteral("/elsewhere.cdf"));
}

TEST_F(MainDialogTest, EmptyHandOverDoesNothingAfterTheChecks) {
    const QString original = writeFile(QStringLiteral("list.cdf"), channelFile("END"));
    settings->writeChannelPath(original);
    settings->writeFirmwarePath(writeFile(QStringLiteral("fw.bin"), firmwareFile(9, {}, 40)));
    handOver = MainDialogHandOver();
    openDialog();
    dialog->downloadFirmware();
    dialog->downloadChannels();
    dialog->uploadChannels();
    dialog->editChannels();
    EXPECT_EQ(dialog->channelPath(), original);
    EXPECT_TRUE(messages.empty());
}

// Enter confirms a typed path as leaving the field does; it never closes the window.
TEST_F(MainDialogTest, EnterOnAPathFieldTakesThePathAndKeepsTheWindowOpen) {
    openDialog();
    const QString firmware = writeFile(QStringLiteral("fw.bin"),
                                       firmwareFile(13, QByteArray("\x02\x00\x07\x00", 4), 64));
    struct Case {
        QLineEdit* field;
        QString typed;
        std::function<QString()> taken;
        std::function<QString()> stored;
    };
    const Case cases[] = {
        {firmwareField(), firmware, [&] { return dialog->firmwarePath(); },
         [&] { return storedSettings().readFirmwarePath(); }},
        {channelField(), QStringLiteral("/typed/list.cdf"), [&] { return dialog->channelPath(); },
         [&] { return storedSettings().readChannelPath(); }},
    };
    for (const Case& c : cases) {
        typeInto(c.field, c.typed);
        for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
            QTest::keyClick(c.field, key,
                            key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
            EXPECT_TRUE(dialog->isVisible()) << c.typed.toStdString();
            EXPECT_TRUE(c.field->hasFocus());
        }
        EXPECT_EQ(c.taken(), c.typed);
        EXPECT_EQ(c.stored(), c.typed);
    }
    EXPECT_EQ(dialog->firmwareStatus(), QStringLiteral("Version 2.07")) << "checked on Enter";
    EXPECT_TRUE(messages.empty());
}

// The last channel transfer's one-line result stays until the next action.
TEST_F(MainDialogTest, TransferResultLineShownUntilTheNextAction) {
    settings->writeChannelPath(writeFile(QStringLiteral("list.cdf"), channelFile("abcEND")));
    openDialog();
    auto* line = dialog->findChild<QLabel*>(QStringLiteral("transferResult"));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(), QString());

    transferResult = QStringLiteral(
        "Channel data saved to receiver-backup-2026-12-08.cdf from COM1, 310 programs");
    click("channelUpload");
    EXPECT_EQ(dialog->transferResult(), transferResult);
    EXPECT_TRUE(line->isVisible());
    EXPECT_LE(line->geometry().bottom(), dialog->rect().bottom()) << "inside the window";
    EXPECT_LE(line->heightForWidth(line->width()), line->height()) << "shown whole";

    transferResult = QStringLiteral("Channel data sent to the receiver on COM1 from list.cdf");
    click("channelDownload");
    EXPECT_EQ(dialog->transferResult(), transferResult);
    ASSERT_EQ(channelDownloads.size(), 1u);
    EXPECT_EQ(channelDownloads[0].path, dialog->channelPath());

    click("channelBrowse"); // cancelled: still an action of its own
    EXPECT_EQ(dialog->transferResult(), QString());
}

// Every button says what it does; the transfers say which way the data goes.
TEST_F(MainDialogTest, ButtonsHaveShortTooltipsWithTheDirection) {
    openDialog();
    for (QPushButton* b : dialog->findChildren<QPushButton*>()) {
        EXPECT_FALSE(b->toolTip().isEmpty()) << b->objectName().toStdString();
        EXPECT_LE(b->toolTip().size(), 80) << b->objectName().toStdString();
    }
    EXPECT_TRUE(button("channelUpload")->toolTip().startsWith("Receiver to file"));
    EXPECT_TRUE(button("channelDownload")->toolTip().startsWith("File to receiver"));
    EXPECT_TRUE(button("firmwareDownload")->toolTip().startsWith("File to receiver"));
}

TEST_F(MainDialogTest, EnterOnAButtonPushesItAndEscapeCloses) {
    openDialog();
    button("channelBrowse")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(button("channelBrowse"), Qt::Key_Return);
    EXPECT_EQ(fileRequests.size(), 1u);
    EXPECT_TRUE(dialog->isVisible());

    QTest::keyClick(button("channelBrowse"), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

TEST_F(MainDialogTest, AboutBoxFromTheCommandAndFromF1) {
    openDialog();
    QString caption;
    QStringList texts;
    onNextModal([&](QWidget* window) {
        caption = window->windowTitle();
        for (QLabel* label : window->findChildren<QLabel*>())
            texts << label->text();
        EXPECT_NE(qobject_cast<AboutDialog*>(window), nullptr);
    });
    EXPECT_TRUE(dialog->onSystemCommand(MainDialog::aboutCommandId));
    EXPECT_EQ(caption, QStringLiteral("About RX7700."));
    EXPECT_TRUE(texts.contains(QStringLiteral("RX7700 Editor v.3.0")));
    EXPECT_TRUE(texts.contains(AboutDialog::distributorText()));

    bool opened = false;
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    onNextModal([&](QWidget* window) { opened = qobject_cast<AboutDialog*>(window) != nullptr; });
    QTest::keyClick(dialog.get(), Qt::Key_F1);
    EXPECT_TRUE(opened);

    // The low four bits of a command do not count; other commands are not this window's.
    opened = false;
    onNextModal([&](QWidget* window) { opened = qobject_cast<AboutDialog*>(window) != nullptr; });
    EXPECT_TRUE(dialog->onSystemCommand(MainDialog::aboutCommandId | 0x5));
    EXPECT_TRUE(opened);
    EXPECT_FALSE(dialog->onSystemCommand(0xF060));
}

TEST_F(MainDialogTest, AboutEntryInTheWindowsMenus) {
    openDialog();
    for (QWidget* target :
         {static_cast<QWidget*>(dialog.get()), static_cast<QWidget*>(firmwareField())}) {
        QStringList entries;
        onNextModal([&](QWidget* window) {
            for (QAction* action : window->actions())
                entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                target->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(target, &event);
        ASSERT_FALSE(entries.isEmpty());
        EXPECT_EQ(entries.last(), QStringLiteral("&About RX7700... "));
        if (target != dialog.get()) {
            // Below the field's own entries, after a separator.
            EXPECT_GT(entries.size(), 2);
            EXPECT_EQ(entries[entries.size() - 2], QStringLiteral("-"));
        }
    }
}

TEST_F(MainDialogTest, AboutBoxLayout) {
    AboutDialog about;
    about.show();
    const DialogUnits units(about.font());
    EXPECT_EQ(about.size(), units.size(261, 54));
    auto* ok = about.findChild<QPushButton*>(QStringLiteral("ok"));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    for (QLabel* label : about.findChildren<QLabel*>()) {
        EXPECT_TRUE(about.rect().contains(label->geometry())) << label->objectName().toStdString();
        if (!label->text().isEmpty()) {
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
                << label->text().toStdString();
        }
    }
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}
