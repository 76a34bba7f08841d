#include "widgets/print_problem.h"

#include <QDir>
#include <QPrinter>

QString printNotStartedText(const QPrinter& printer) {
    const QString file = printer.outputFileName();
    if (file.isEmpty())
        return QStringLiteral("Nothing was printed: the printer %1 could not be started. Check "
                              "the printer and print again.")
            .arg(printer.printerName());
    return QStringLiteral("Nothing was printed: %1 could not be written. Choose another folder "
                          "or name and print again.")
        .arg(QDir::toNativeSeparators(file));
}
