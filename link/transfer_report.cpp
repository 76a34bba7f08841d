#include "link/transfer_report.h"

#include "channels/channel_database.h"
#include "channels/channel_file_reader.h"

namespace {

QString portName(int port) {
    return QStringLiteral("COM%1").arg(port);
}

QString programsText(int count) {
    return count == 1 ? QStringLiteral("1 program") : QStringLiteral("%1 programs").arg(count);
}

QString uploadLine(const TransferReport& r) {
    const QString& file = r.fileName;
    const QString unchanged = QStringLiteral("%1 was not changed").arg(file);
    switch (r.outcome) {
    case TransferOutcome::succeeded:
        if (r.programs < 0)
            return QStringLiteral("Channel data saved to %1 from %2, but it does not read: check "
                                  "it with cdftool")
                .arg(file, portName(r.port));
        return QStringLiteral("Channel data saved to %1 from %2, %3")
            .arg(file, portName(r.port), programsText(r.programs));
    case TransferOutcome::unconfirmed: // every block arrived and reads whole: saved
        return QStringLiteral("Channel data saved to %1 from %2, %3; the receiver did not "
                              "confirm the end")
            .arg(file, portName(r.port), programsText(r.programs));
    case TransferOutcome::disconnected:
        return QStringLiteral("The line to the receiver on %1 was lost; %2")
            .arg(portName(r.port), unchanged);
    case TransferOutcome::refused:
        return QStringLiteral("The receiver on %1 refused the upload; %2")
            .arg(portName(r.port), unchanged);
    case TransferOutcome::noAnswer:
        return QStringLiteral("The receiver on %1 stopped answering; %2")
            .arg(portName(r.port), unchanged);
    case TransferOutcome::failed:
        if (r.saveFailed)
            return QStringLiteral("Channel data from %1 not saved: %2 could not be written")
                .arg(portName(r.port), file);
        if (r.port == 0)
            return QStringLiteral("No COM port could be opened; %1").arg(unchanged);
        return QStringLiteral("The upload from %1 failed; %2").arg(portName(r.port), unchanged);
    case TransferOutcome::running:
    case TransferOutcome::cancelled:
        return QStringLiteral("Upload cancelled; %1").arg(unchanged);
    default:
        return QStringLiteral("The upload did not finish; %1").arg(unchanged);
    }
}

QString downloadLine(const TransferReport& r) {
    const QString& file = r.fileName;
    const QString nothingSent = QStringLiteral("nothing was sent to the receiver");
    // Part of the body may have reached the receiver: only a whole download again is sure.
    const QString again = QStringLiteral("download %1 again").arg(file);
    switch (r.outcome) {
    case TransferOutcome::succeeded:
        return QStringLiteral("Channel data sent to the receiver on %1 from %2")
            .arg(portName(r.port), file);
    case TransferOutcome::refused:
        return QStringLiteral("The receiver on %1 refused %2; %3")
            .arg(portName(r.port), file, nothingSent);
    case TransferOutcome::unconfirmed:
        return QStringLiteral("The receiver on %1 did not confirm %2: check its channels")
            .arg(portName(r.port), file);
    case TransferOutcome::disconnected:
        return r.dataMoved ? QStringLiteral("The line to the receiver on %1 was lost midway: %2")
                                 .arg(portName(r.port), again)
                           : QStringLiteral("The line to the receiver on %1 was lost; %2")
                                 .arg(portName(r.port), nothingSent);
    case TransferOutcome::noAnswer:
        return r.dataMoved ? QStringLiteral("The receiver on %1 stopped answering midway: %2")
                                 .arg(portName(r.port), again)
                           : QStringLiteral("The receiver on %1 stopped answering; %2")
                                 .arg(portName(r.port), nothingSent);
    case TransferOutcome::failed:
        if (r.port == 0)
            return QStringLiteral("No COM port could be opened; %1").arg(nothingSent);
        return r.dataMoved ? QStringLiteral("The download to %1 failed midway: %2")
                                 .arg(portName(r.port), again)
                           : QStringLiteral("The download to %1 failed; %2")
                                 .arg(portName(r.port), nothingSent);
    case TransferOutcome::running:
    case TransferOutcome::cancelled:
        return r.dataMoved ? QStringLiteral("Download cancelled midway: %1").arg(again)
                           : QStringLiteral("Download cancelled; %1").arg(nothingSent);
    default:
        return r.dataMoved ? QStringLiteral("The download did not finish: %1").arg(again)
                           : QStringLiteral("The download did not finish; %1").arg(nothingSent);
    }
}

} // namespace

QString transferResultLine(const TransferReport& report) {
    switch (report.kind) {
    case TransferKind::channelUpload:
        return uploadLine(report);
    case TransferKind::channelDownload:
        return downloadLine(report);
    case TransferKind::firmwareDownload:
        break;
    }
    return {};
}

int channelProgramCount(std::span<const std::uint8_t> image) {
    ChannelDatabase database;
    const QByteArrayView bytes(reinterpret_cast<const char*>(image.data()),
                               qsizetype(image.size()));
    if (readChannelImage(database, bytes) != 0)
        return -1;
    return int(database.tvList.size() + database.radioList.size());
}
