#include "app/main_dialog.h"

#include "app/about_dialog.h"
#include "base/file_loading.h"
#include "base/last_settings.h"
#include "channels/channel_file_check.h"
#include "link/transfer_files.h"
#include "resources/app_icon.h"
#include "widgets/dialog_units.h"
#include "widgets/file_dialog.h"
#include "widgets/message_box.h"
#include "widgets/template_button.h"
#include "widgets/window_memory.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFile>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace {
const QString cantOpenMessage = QStringLiteral("Can't open the file");
const QString cantReadMessage = QStringLiteral("Can't read the file");
const QString invalidFirmwareMessage = QStringLiteral("Invalid firmware file");
const QString invalidChannelMessage = QStringLiteral("Invalid channel data file");
const QString invalidFileStatus = QStringLiteral("Invalid file");

const QString firmwareFilter = QStringLiteral("Bin File (*.bin)|*.bin|All file (*.*)|*.*||");
const QString channelFilter =
    QStringLiteral("Channel Data File (*.CDF)|*.cdf|All file (*.*)|*.*||");
// Lower case: on a case-sensitive file system the default extension has to match the files
// the filter lists.
const QString firmwareExtension = QStringLiteral("bin");
const QString channelExtension = QStringLiteral("cdf");

constexpr std::uint32_t channelHeaderSize = 14;

// `width` in dialog units; the buttons of this window are 14 units high.
QPushButton* makeButton(const QString& text, const QString& name, int width, QWidget* parent) {
    auto* button = new TemplateButton(text, width, 14, parent);
    button->setObjectName(name);
    // No button is a default button: Enter on a field takes its path (keyPressEvent).
    button->setAutoDefault(false);
    return button;
}

QLineEdit* makePathField(const QString& name, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setContextMenuPolicy(Qt::CustomContextMenu);
    return field;
}

// What the user is told when a Channel Data File fails its check.
const QString& channelCheckMessage(ChannelFileCheckResult result) {
    return result == ChannelFileCheckResult::unreadable ? cantReadMessage : invalidChannelMessage;
}
} // namespace

MainDialog::MainDialog(LastSettings& settings, MainDialogHandOver handOver, QWidget* parent)
    : QDialog(parent), settings_(settings), handOver_(std::move(handOver)),
      icon_(applicationIcon()) {
    buildControls();
    describeControls();
    onInit();
}

MainDialog::~MainDialog() {
    // The fields outlive this part of the object; their last focus change must not come here.
    firmwarePathEdit_->removeEventFilter(this);
    channelPathEdit_->removeEventFilter(this);
}

QString MainDialog::aboutEntryText() {
    return QStringLiteral("&About RX7700... ");
}

void MainDialog::buildControls() {
    setWindowTitle(QStringLiteral("RX7700  v3.0"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);

    const DialogUnits units(font());

    firmwarePathEdit_ = makePathField(QStringLiteral("firmwarePath"), this);
    firmwareBrowseButton_ =
        makeButton(QStringLiteral("Browse"), QStringLiteral("firmwareBrowse"), 36, this);
    firmwareDownloadButton_ =
        makeButton(QStringLiteral("Download"), QStringLiteral("firmwareDownload"), 59, this);

    channelPathEdit_ = makePathField(QStringLiteral("channelPath"), this);
    channelBrowseButton_ =
        makeButton(QStringLiteral("Browse"), QStringLiteral("channelBrowse"), 36, this);
    uploadButton_ = makeButton(QStringLiteral("Upload"), QStringLiteral("channelUpload"), 59, this);
    channelDownloadButton_ =
        makeButton(QStringLiteral("Download"), QStringLiteral("channelDownload"), 59, this);
    editButton_ = makeButton(QStringLiteral("Edit"), QStringLiteral("channelEdit"), 59, this);

    firmwareStatus_ = new QLabel(this);
    firmwareStatus_->setObjectName(QStringLiteral("firmwareStatus"));
    firmwareStatus_->setAlignment(Qt::AlignCenter);
    firmwareStatus_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    firmwareStatus_->setFixedSize(units.size(109, 12));

    // The path fields take the width the window gains; the boxes keep their height. At the
    // usual size this is the layout of the dialog template.
    const auto pathRow = [&units](QLineEdit* field, QPushButton* browse) {
        field->setMinimumWidth(units.x(60));
        field->setFixedHeight(units.y(14));
        auto* row = new QHBoxLayout;
        row->setSpacing(units.x(4));
        row->addWidget(field, 1);
        row->addWidget(browse);
        return row;
    };
    const auto boxLayout = [&units](QGroupBox* box) {
        box->setFixedHeight(units.y(65));
        auto* column = new QVBoxLayout(box);
        column->setContentsMargins(units.x(6), units.y(2), units.x(6), units.y(7));
        column->setSpacing(units.y(4));
        return column;
    };

    // Group boxes first, so that they lie below the controls they frame.
    auto* firmwareBox = new QGroupBox(QStringLiteral("Firmware"), this);
    QVBoxLayout* firmwareColumn = boxLayout(firmwareBox);
    firmwareColumn->addLayout(pathRow(firmwarePathEdit_, firmwareBrowseButton_));
    auto* firmwareRow = new QHBoxLayout;
    firmwareRow->setSpacing(units.x(10));
    firmwareRow->addWidget(firmwareStatus_);
    firmwareRow->addStretch(1);
    firmwareRow->addWidget(firmwareDownloadButton_);
    firmwareColumn->addStretch(1);
    firmwareColumn->addLayout(firmwareRow);

    auto* channelBox = new QGroupBox(QStringLiteral("Channel Data"), this);
    QVBoxLayout* channelColumn = boxLayout(channelBox);
    channelColumn->addLayout(pathRow(channelPathEdit_, channelBrowseButton_));
    auto* channelRow = new QHBoxLayout;
    channelRow->setSpacing(0);
    channelRow->addStretch(1);
    for (QPushButton* button : {uploadButton_, channelDownloadButton_, editButton_})
        channelRow->addWidget(button);
    channelColumn->addStretch(1);
    channelColumn->addLayout(channelRow);

    // Under the boxes, two text lines high: a long file name wraps instead of cutting off how
    // the transfer ended.
    transferResult_ = new QLabel(this);
    transferResult_->setObjectName(QStringLiteral("transferResult"));
    transferResult_->setWordWrap(true);
    transferResult_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    transferResult_->setFixedHeight(units.y(16));

    auto* window = new QVBoxLayout(this);
    window->setContentsMargins(units.x(8), units.y(5), units.x(6), units.y(7));
    window->setSpacing(units.y(8));
    window->addWidget(firmwareBox);
    window->addWidget(channelBox);
    window->addWidget(transferResult_);
    window->addStretch(1);

    // The template's size with the transfer result's two lines below the boxes.
    WindowMemory::attach(this, QStringLiteral("Main window"), units.size(207, 176),
                         settings_.store());

    QWidget::setTabOrder(firmwarePathEdit_, firmwareBrowseButton_);
    QWidget::setTabOrder(firmwareBrowseButton_, firmwareDownloadButton_);
    QWidget::setTabOrder(firmwareDownloadButton_, channelPathEdit_);
    QWidget::setTabOrder(channelPathEdit_, channelBrowseButton_);
    QWidget::setTabOrder(channelBrowseButton_, uploadButton_);
    QWidget::setTabOrder(uploadButton_, channelDownloadButton_);
    QWidget::setTabOrder(channelDownloadButton_, editButton_);

    connect(firmwareBrowseButton_, &QPushButton::clicked, this, &MainDialog::browseFirmware);
    connect(firmwareDownloadButton_, &QPushButton::clicked, this, &MainDialog::downloadFirmware);
    connect(channelBrowseButton_, &QPushButton::clicked, this, &MainDialog::browseChannelFile);
    connect(uploadButton_, &QPushButton::clicked, this, &MainDialog::uploadChannels);
    connect(channelDownloadButton_, &QPushButton::clicked, this, &MainDialog::downloadChannels);
    connect(editButton_, &QPushButton::clicked, this, &MainDialog::editChannels);

    // A click on a button takes the focus from a field before the button's handler runs, so
    // a typed path is always taken over first.
    firmwarePathEdit_->installEventFilter(this);
    channelPathEdit_->installEventFilter(this);

    // There is no system menu to extend here: the About entry sits in the window's context
    // menu (also below the path fields' own entries) and on F1.
    aboutAction_ = new QAction(aboutEntryText(), this);
    aboutAction_->setShortcut(QKeySequence::HelpContents);
    aboutAction_->setShortcutContext(Qt::WindowShortcut);
    addAction(aboutAction_);
    connect(aboutAction_, &QAction::triggered, this, [this] { onSystemCommand(aboutCommandId); });
    for (QLineEdit* field : {firmwarePathEdit_, channelPathEdit_}) {
        connect(field, &QWidget::customContextMenuRequested, this,
                [this, field](const QPoint& position) { showPathMenu(field, position); });
    }
}

void MainDialog::describeControls() {
    firmwarePathEdit_->setToolTip(
        QStringLiteral("The firmware image file (.bin) for the receiver"));
    firmwareBrowseButton_->setToolTip(QStringLiteral("Choose a firmware image file (.bin)"));
    firmwareDownloadButton_->setToolTip(
        QStringLiteral("File to receiver: write this firmware into the receiver"));
    firmwareStatus_->setToolTip(QStringLiteral("The version of the chosen firmware file"));
    channelPathEdit_->setToolTip(
        QStringLiteral("The Channel Data File (.cdf) to upload into, download or edit"));
    channelBrowseButton_->setToolTip(
        QStringLiteral("Choose a Channel Data File (.cdf), or name a new one for an upload"));
    uploadButton_->setToolTip(
        QStringLiteral("Receiver to file: save the receiver's channel data in this file"));
    channelDownloadButton_->setToolTip(
        QStringLiteral("File to receiver: send this file's channel data into the receiver"));
    editButton_->setToolTip(QStringLiteral("Open this file in the channel editor"));
}

void MainDialog::onInit() {
    setWindowIcon(icon_);

    firmwarePath_ = settings_.readFirmwarePath();
    if (!firmwarePath_.isEmpty()) {
        firmwarePathEdit_->setText(firmwarePath_);
        refreshFirmwareStatus();
    }

    channelPath_ = settings_.readChannelPath();
    if (!channelPath_.isEmpty())
        channelPathEdit_->setText(channelPath_);
}

QString MainDialog::firmwareStatus() const {
    return firmwareStatus_->text();
}

QString MainDialog::transferResult() const {
    return transferResult_->text();
}

void MainDialog::startAction() {
    showTransferResult(QString());
}

void MainDialog::showTransferResult(const QString& text) {
    transferResult_->setText(text);
    transferResult_->setToolTip(text); // the whole line where a long file name cuts it
}

void MainDialog::showFirmwareStatus(const QString& text) {
    firmwareStatus_->setText(text);
}

void MainDialog::showFirmwareCheckResult(FirmwareCheckResult result) {
    showFirmwareStatus(result == FirmwareCheckResult::ok
                           ? QStringLiteral("Version ") + firmwareIdent_.versionText()
                           : invalidFileStatus);
}

void MainDialog::refreshFirmwareStatus() {
    QFile file;
    if (!openRegularFile(file, firmwarePath_)) {
        showFirmwareStatus(invalidFileStatus);
        return;
    }
    const FirmwareCheckResult result = checkFirmwareFile(file, firmwareIdent_);
    file.close();
    showFirmwareCheckResult(result);
}

void MainDialog::browseFirmware() {
    startAction();
    FileDialogRequest request;
    request.mode = FileDialogMode::open;
    request.initialPath = firmwarePath_;
    request.filter = firmwareFilter;
    request.defaultSuffix = firmwareExtension;
    request.mustExist = true;
    const QString chosen = runFileDialog(this, request);
    if (chosen.isEmpty())
        return;
    firmwarePath_ = chosen;
    settings_.writeFirmwarePath(firmwarePath_);
    firmwarePathEdit_->setText(firmwarePath_);

    QFile file;
    if (!openRegularFile(file, firmwarePath_)) {
        showFirmwareStatus(invalidFileStatus);
        showMessage(this, cantOpenMessage);
        return;
    }
    const FirmwareCheckResult result = checkFirmwareFile(file, firmwareIdent_);
    if (result == FirmwareCheckResult::invalid)
        showMessage(this, invalidFirmwareMessage);
    else if (result == FirmwareCheckResult::unreadable)
        showMessage(this, cantReadMessage);
    file.close();
    showFirmwareCheckResult(result);
}

void MainDialog::downloadFirmware() {
    startAction();
    if (firmwarePath_.isEmpty()) {
        browseFirmware();
        if (firmwarePath_.isEmpty())
            return;
    }

    LoadedFile image;
    const TransferFileResult result = loadFirmwareForTransfer(firmwarePath_, image, firmwareIdent_);
    if (result == TransferFileResult::noBuffer) {
        showFirmwareCheckResult(FirmwareCheckResult::ok); // the check itself passed
        return;
    }
    if (result != TransferFileResult::ok) {
        showMessage(this, transferFileMessage(result));
        showFirmwareStatus(invalidFileStatus);
        return;
    }
    showFirmwareCheckResult(FirmwareCheckResult::ok);

    if (handOver_.runFirmwareDownload)
        handOver_.runFirmwareDownload(this, FirmwareImage{firmwareIdent_, image.bytes()});
}

void MainDialog::browseChannelFile() {
    startAction();
    FileDialogRequest request;
    request.mode = FileDialogMode::save;
    request.initialPath = channelPath_;
    request.filter = channelFilter;
    request.defaultSuffix = channelExtension;
    request.confirmOverwrite = false;
    const QString chosen = runFileDialog(this, request);
    if (chosen.isEmpty())
        return;
    channelPath_ = chosen;
    channelPathEdit_->setText(channelPath_);
    settings_.writeChannelPath(channelPath_);
}

bool MainDialog::ensureChannelPath() {
    if (channelPath_.isEmpty())
        browseChannelFile();
    return !channelPath_.isEmpty();
}

bool MainDialog::openCheckedChannelFile(QFile& file) {
    if (!openRegularFile(file, channelPath_)) {
        showMessage(this, cantOpenMessage);
        return false;
    }
    const ChannelFileCheckResult result = checkChannelFile(file);
    if (result != ChannelFileCheckResult::ok) {
        file.close();
        showMessage(this, channelCheckMessage(result));
        return false;
    }
    return true;
}

void MainDialog::uploadChannels() {
    startAction();
    if (!ensureChannelPath())
        return;
    // The file is written by the transfer; it need not exist yet.
    if (handOver_.runChannelUpload)
        showTransferResult(handOver_.runChannelUpload(this, channelPath_));
}

void MainDialog::downloadChannels() {
    startAction();
    if (!ensureChannelPath())
        return;
    LoadedFile channelFile;
    const TransferFileResult result = loadChannelsForTransfer(channelPath_, channelFile);
    if (result == TransferFileResult::noBuffer)
        return;
    if (result != TransferFileResult::ok) {
        showMessage(this, transferFileMessage(result));
        return;
    }
    const auto bytes = channelFile.bytes();

    if (handOver_.runChannelDownload) {
        showTransferResult(handOver_.runChannelDownload(
            this, bytes, std::uint32_t(bytes.size() - channelHeaderSize), channelPath_));
    }
}

void MainDialog::editChannels() {
    startAction();
    if (!ensureChannelPath())
        return;
    {
        QFile file;
        if (!openCheckedChannelFile(file))
            return;
    }

    const QString editorPath =
        handOver_.runChannelEditor ? handOver_.runChannelEditor(this, channelPath_) : channelPath_;
    if (editorPath != channelPath_) {
        channelPath_ = editorPath;
        channelPathEdit_->setText(channelPath_);
        settings_.writeChannelPath(channelPath_);
    }
}

void MainDialog::firmwarePathEdited() {
    firmwarePath_ = firmwarePathEdit_->text();
    settings_.writeFirmwarePath(firmwarePath_);
    if (firmwarePath_.isEmpty()) {
        showFirmwareStatus(QString());
        return;
    }
    refreshFirmwareStatus();
}

void MainDialog::channelPathEdited() {
    channelPath_ = channelPathEdit_->text();
    settings_.writeChannelPath(channelPath_);
}

bool MainDialog::onSystemCommand(int commandId) {
    if ((commandId & 0xFFF0) != aboutCommandId)
        return false;
    AboutDialog about(this);
    about.exec();
    return true;
}

void MainDialog::done(int result) {
    // Closing takes the focus from a path field like any other focus change: what was typed
    // there is kept.
    QWidget* focused = focusWidget();
    if (focused == firmwarePathEdit_)
        firmwarePathEdited();
    else if (focused == channelPathEdit_)
        channelPathEdited();
    QDialog::done(result);
}

bool MainDialog::eventFilter(QObject* watched, QEvent* event) {
    // A pop-up menu on the field leaves the typing where it is.
    if (event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        if (watched == firmwarePathEdit_)
            firmwarePathEdited();
        else if (watched == channelPathEdit_)
            channelPathEdited();
    }
    return QDialog::eventFilter(watched, event);
}

void MainDialog::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool plain = event->modifiers() == Qt::NoModifier ||
                       (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
    if (enter && plain) {
        // Enter pushes the button that has the focus. On a path field it takes the typed path,
        // as leaving the field does: confirming a path must never end the program.
        QWidget* focused = focusWidget();
        if (auto* button = qobject_cast<QPushButton*>(focused); button && button->hasFocus())
            button->click();
        else if (focused == firmwarePathEdit_)
            firmwarePathEdited();
        else if (focused == channelPathEdit_)
            channelPathEdited();
        return;
    }
    QDialog::keyPressEvent(event);
}

void MainDialog::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(aboutAction_);
    menu.exec(event->globalPos());
}

void MainDialog::showPathMenu(QLineEdit* field, const QPoint& position) {
    const std::unique_ptr<QMenu> menu(field->createStandardContextMenu());
    menu->addSeparator();
    menu->addAction(aboutAction_);
    menu->exec(field->mapToGlobal(position));
}
