// rx7700ctl: the receiver's transfers from the command line, for scripts and remote sessions.
#include "ctl/console_transfer.h"
#include "ctl/ctl_command.h"
#include "ctl/exit_code.h"
#include "ctl/interrupt_signals.h"
#include "ctl/port_choice.h"
#include "ctl/progress_meter.h"
#include "link/channel_download_check.h"
#include "link/transfer_files.h"
#include "link/upload_save.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

namespace {

void printError(const QString& message) {
    std::fprintf(stderr, "rx7700ctl: %s\n", qPrintable(message));
}

int usageError(const QString& message) {
    printError(message);
    std::fputs(qPrintable(ctlUsage()), stderr);
    return exitUsage;
}

// "52583737 (RX77)": the identification word in hex, and as text when it reads as one.
QString identificationText(const IdentificationRecord& ident) {
    QString hex;
    QString text;
    bool printable = true;
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t byte = ident.bytes[std::size_t(i)];
        hex += QString::asprintf("%02X", unsigned(byte));
        printable = printable && byte >= 0x20 && byte < 0x7F;
        text += QChar(byte);
    }
    return printable ? QStringLiteral("%1 (%2)").arg(hex, text) : hex;
}

QString loadFailureText(TransferFileResult result) {
    const QString text = transferFileMessage(result);
    return text.isEmpty() ? QStringLiteral("Not enough memory to read the file") : text;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments();
    arguments.removeFirst();

    CtlCommand command;
    QString error;
    if (!parseCtlCommand(arguments, command, error))
        return usageError(error);
    if (command.help) {
        std::fputs(qPrintable(ctlUsage()), stdout);
        return exitDone;
    }
    const SettingsStore settings = programSettings();
    PortChoice ports;
    if (!PortChoice::choose(command.port, settings, ports, error))
        return usageError(error);

    // The same checks as the main window makes before it opens a transfer.
    LoadedFile file;
    IdentificationRecord ident;
    TransferFileResult loaded = TransferFileResult::ok;
    if (command.action == CtlCommand::Action::flash)
        loaded = loadFirmwareForTransfer(command.file, file, ident);
    else if (command.action == CtlCommand::Action::download)
        loaded = loadChannelsForTransfer(command.file, file);
    if (loaded != TransferFileResult::ok) {
        printError(QStringLiteral("%1: %2").arg(command.file, loadFailureText(loaded)));
        return exitFailed;
    }
    // The transfer guards the window's hand-over applies: a file the receiver would read
    // wrongly never reaches it, and an upload path is known to be writable before it starts.
    if (command.action == CtlCommand::Action::download) {
        if (const QString refusal = channelDownloadRefusal(file.bytes()); !refusal.isEmpty()) {
            printError(QStringLiteral("%1: %2").arg(command.file, refusal));
            return exitFailed;
        }
    }
    if (command.action == CtlCommand::Action::upload && !uploadPathWritable(command.file)) {
        printError(ctlUploadSaveMessage(uploadCannotCreate, command.file));
        return exitFailed;
    }

    std::unique_ptr<ProgressMeter> meter;
    if (!command.quiet) {
        meter = std::make_unique<ProgressMeter>(
            [](const QByteArray& bytes) {
                std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
                std::fflush(stderr);
            },
            ::isatty(STDERR_FILENO) == 1);
    }
    ConsoleTransfer transfer(
        [&ports](TransferFlags& flags) { return makeSerialEndpointFor(flags, ports.locator()); },
        ports, LastSettings(settings), std::move(meter), command.timeout);
    switch (command.action) {
    case CtlCommand::Action::probe:
        transfer.setProbe();
        break;
    case CtlCommand::Action::upload:
        transfer.setUpload(command.file);
        break;
    case CtlCommand::Action::download:
        transfer.setChannelDownload(file.bytes());
        break;
    case CtlCommand::Action::flash:
        transfer.setFirmware(FirmwareImage{ident, file.bytes()}, command.boot);
        break;
    }

    const InterruptSignals interrupts(
        [&transfer](int signalNumber) { transfer.interrupt(signalNumber); });
    const int code = transfer.run();
    if (code != exitDone) {
        printError(transfer.message());
        return code;
    }
    if (command.action == CtlCommand::Action::probe) {
        const TransferMachine& machine = transfer.machine();
        std::printf("port: %s\nidentification: %s\nversion: %s\n",
                    qPrintable(ports.describe(machine.detectedPort())),
                    qPrintable(identificationText(machine.receiverIdent())),
                    qPrintable(machine.receiverIdent().versionText()));
    }
    return exitDone;
}
