#include "tests/e2e/transfer_e2e_fixture.h"

#include "app/transfer_hand_over.h"
#include "channels/channel_file_generator.h"
#include "tests/support/test_environment.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include <sys/resource.h>

void TransferEndToEnd::SetUp() {
    ASSERT_TRUE(dir.isValid());
    setMessageRecorder([this](const ShownMessage& message) { messages.push_back(message); });
    setQuestionResponder([this](const ShownMessage& question) {
        questions << question.text;
        return questionAnswer;
    });
    receiver = std::make_unique<SimulatedReceiver>(dir.path());
    connectTransferWindows(handOver);
}

void TransferEndToEnd::TearDown() {
    rejectOpenDialogs();
    mainWindow.reset();
    if (receiver)
        receiver->stop();
    setMessageRecorder({});
    setQuestionResponder({});
}

void TransferEndToEnd::startReceiver(std::vector<std::string> args) {
    ASSERT_TRUE(receiver->start(std::move(args))) << receiver->errorLog();
}

void TransferEndToEnd::openMainWindow() {
    mainWindow = std::make_unique<MainDialog>(settings, handOver);
    mainWindow->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(mainWindow.get()));
}

void TransferEndToEnd::clickMain(const char* objectName) {
    auto* button = mainWindow->findChild<QPushButton*>(QString::fromLatin1(objectName));
    ASSERT_NE(button, nullptr) << objectName;
    QTest::mouseClick(button, Qt::LeftButton);
}

void TransferEndToEnd::typeIntoMain(const char* fieldName, const QString& text) {
    auto* field = mainWindow->findChild<QLineEdit*>(QString::fromLatin1(fieldName));
    ASSERT_NE(field, nullptr) << fieldName;
    mainWindow->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(mainWindow.get()));
    field->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(field->hasFocus());
    field->selectAll();
    QTest::keyClicks(field, text);
    ASSERT_EQ(field->text(), text);
}

TransferDialog* TransferEndToEnd::transferWindow() {
    // The boot-mode prompt is modal above the transfer window; look through it.
    QWidget* modal = QApplication::activeModalWidget();
    while (modal) {
        if (auto* window = qobject_cast<TransferDialog*>(modal))
            return window;
        modal = modal->parentWidget();
    }
    return nullptr;
}

ModalScript& TransferEndToEnd::startOnceDetected(ModalScript& script) {
    return script.then(
        "receiver detected", [] { return statusIs("Version 1.00 detected..."); },
        [] { clickTransferButton(); });
}

bool TransferEndToEnd::statusIs(const QString& text) {
    TransferDialog* window = transferWindow();
    return window && window->statusLine()->text() == text;
}

bool TransferEndToEnd::statusStartsWith(const QString& text) {
    TransferDialog* window = transferWindow();
    return window && window->statusLine()->text().startsWith(text);
}

bool TransferEndToEnd::buttonIs(const QString& text, bool enabled) {
    TransferDialog* window = transferWindow();
    return window && window->button()->text() == text && window->button()->isEnabled() == enabled;
}

bool TransferEndToEnd::captionHasRoom(const TransferDialog& window) {
    QFont title = window.font();
    title.setBold(true);
    const int buttons = 4 * QFontMetrics(window.font()).height();
    return window.width() >= QFontMetrics(title).horizontalAdvance(window.windowTitle()) + buttons;
}

void TransferEndToEnd::clickTransferButton() {
    TransferDialog* window = transferWindow();
    ASSERT_NE(window, nullptr);
    QTest::mouseClick(window->button(), Qt::LeftButton);
}

void TransferEndToEnd::observeTransferWindow(ModalScript& script) {
    script.setObserver([this] {
        TransferDialog* window = transferWindow();
        if (!window)
            return;
        const QString status = window->statusLine()->text();
        if (statuses.isEmpty() || statuses.last() != status)
            statuses.append(status);
        const QString caption = window->windowTitle();
        if (captions.isEmpty() || captions.last() != caption)
            captions.append(caption);
    });
}

bool TransferEndToEnd::sawStatusStartingWith(const QString& text) const {
    for (const QString& status : statuses)
        if (status.startsWith(text))
            return true;
    return false;
}

double TransferEndToEnd::processCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double TransferEndToEnd::cpuShareWhileIdle(std::chrono::milliseconds duration) {
    const double before = processCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
    return (processCpuSeconds() - before) / (double(clock.elapsed()) / 1000.0);
}

QByteArray TransferEndToEnd::readFile(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool TransferEndToEnd::writeFile(const QString& name, const QByteArray& bytes) {
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

namespace e2e {

QByteArray firmwareFile(int size, std::uint8_t d1, std::uint8_t d2, std::uint8_t d3) {
    // 21 leading bytes, the block length 13, the tag, the identification value, the version.
    QByteArray bytes(21, '\x3C');
    bytes += char(13);
    bytes += "INTPR";
    bytes += "RX77";
    bytes += char(d1);
    bytes += char(d2);
    bytes += char(d3);
    bytes += char(0);
    for (int i = int(bytes.size()); i < size; ++i)
        bytes += char((i * 131 + i / 1024) & 0xFF);
    bytes.truncate(size);
    return bytes;
}

QByteArray generatedChannelFile(int programs, std::uint32_t seed, std::uint8_t layout) {
    ChannelGeneratorOptions options;
    options.seed = seed;
    options.layout = layout;
    options.programs = programs;
    QByteArray image;
    return generateChannelImage(options, image) == 0 ? image : QByteArray();
}

} // namespace e2e
