#include "editor/channel_list_printout.h"

#include "channels/channel_nodes.h"
#include "editor/favorite_mask.h"
#include "editor/program_list_model.h"

#include <QDateTime>
#include <QPrinter>
#include <QTextDocument>

namespace {

QString escaped(const QByteArray& name) {
    return ProgramListModel::nameText(name).toHtmlEscaped();
}

QString table(const char* title, const std::vector<ProgramNode*>& programs, int groupCount) {
    QString html =
        QStringLiteral("<h2>%1 (%2)</h2>").arg(QLatin1String(title)).arg(programs.size());
    if (programs.empty())
        return html + QStringLiteral("<p>No programs.</p>");
    html += QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"2\" border=\"0\">"
                           "<thead><tr><th align=\"right\" width=\"8%\">No.</th><th align=\"left\" "
                           "width=\"44%\">Name</th><th align=\"left\" width=\"34%\">Satellite</th>"
                           "<th align=\"left\" width=\"14%\">Fav</th></tr></thead>");
    html.reserve(html.size() + int(programs.size()) * 120);
    for (std::size_t i = 0; i < programs.size(); ++i) {
        const ProgramNode& program = *programs[i];
        html += QStringLiteral("<tr%1><td align=\"right\">%2</td><td>%3</td><td>%4</td>"
                               "<td>%5</td></tr>")
                    .arg(i % 2 ? QStringLiteral(" bgcolor=\"#eeeeee\"") : QString())
                    .arg(i + 1)
                    .arg(escaped(program.name), escaped(program.transponder()->satellite()->name),
                         FavoriteMask::text(program.pendingFavoriteMask, groupCount));
    }
    return html + QStringLiteral("</table>");
}

} // namespace

void fillChannelListDocument(QTextDocument& document, const ChannelListPrintout& printout) {
    const int groupCount = int(printout.groupNames.size());
    QString html =
        QStringLiteral("<html><body><h1>Channel List</h1><p>Printed %1")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    if (groupCount > 0) {
        QStringList groups;
        for (int g = 0; g < groupCount; ++g)
            groups << QStringLiteral("%1 %2").arg(g + 1).arg(
                escaped(printout.groupNames[std::size_t(g)]));
        html += QStringLiteral("<br>Favorite groups (Fav): ") + groups.join(QStringLiteral(", "));
    }
    html += QStringLiteral("</p>");
    html += table("TV", printout.tvList, groupCount);
    html += table("Radio", printout.radioList, groupCount);
    html += QStringLiteral("</body></html>");
    document.setHtml(html);
}

bool printChannelLists(QPrinter& printer, const ChannelListPrintout& printout) {
    QTextDocument document;
    QFont font = document.defaultFont();
    font.setPointSize(9);
    document.setDefaultFont(font);
    fillChannelListDocument(document, printout);
    document.print(&printer);
    // QTextDocument::print gives up quietly when its painter cannot begin; the printer says so.
    return printer.printerState() != QPrinter::Error;
}
