#pragma once

// The printed channel list: the TV list, then the radio list, each program on one line with
// its channel number, name, satellite and favourite groups, and the group names as a key.
// Long lists run over as many pages as they need; the column heads repeat on every page.

#include <QByteArray>

#include <vector>

class ProgramNode;
class QPrinter;
class QTextDocument;

struct ChannelListPrintout {
    std::vector<ProgramNode*> tvList;
    std::vector<ProgramNode*> radioList;
    // Names of the groups in use, group 1 first.
    std::vector<QByteArray> groupNames;
};

// The printout as a document (for the printer, or to read it in a test).
void fillChannelListDocument(QTextDocument& document, const ChannelListPrintout& printout);

// False when the printer or the output file would not start, so nothing was printed.
bool printChannelLists(QPrinter& printer, const ChannelListPrintout& printout);
