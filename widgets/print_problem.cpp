#include "widgets/print_problem.h"

#include <QDir>
#include <QPrinter>

QString printNotStartedText(const QPrinter& printer) {
    const QString file = printer.outputFileName();
    if (file.isEmpty()) {
        const QString name = printer.printerName();
        return QStringLiteral("Nothing was printed: the printer %1could not be started. Check "
                              "the printer and print again.")
            .arg(name.isEmpty() ? QString() : name + QLatin1Char(' '));
    }
    return QStringLiteral("Nothing was printed: %1 could not be written. Choose another folder "
                          "or name and print again.")
        .arg(QDir::toNativeSeparators(file));
}
