// name_table_generator OUT: writes the compiled-in name tables (name_charset_tables.cpp) from
// this machine's QStringDecoder. Run by hand when a set is added; a test keeps the committed
// file honest.

#include "channels/name_tables/name_table_derivation.h"

#include <QCoreApplication>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fputs("Usage: name_table_generator OUT\n", stderr);
        return 2;
    }
    const QString source = nameTablesSource();
    if (source.isEmpty()) {
        std::fputs("name_table_generator: this Qt cannot decode every offered set (no ICU?)\n",
                   stderr);
        return 1;
    }
    QSaveFile file(args[1]);
    if (!file.open(QIODevice::WriteOnly) || file.write(source.toUtf8()) < 0 || !file.commit()) {
        std::fprintf(stderr, "name_table_generator: cannot write %s\n", qPrintable(args[1]));
        return 1;
    }
    return 0;
}
