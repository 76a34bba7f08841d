#pragma once

#include <QString>

class QPrinter;

// What the user is told when a printer or a print-to-file would not start: nothing was
// printed, and what to check (the printer, or the file's folder and name).
QString printNotStartedText(const QPrinter& printer);
