#include "editor/channel_select_menu.h"

#include "channels/channel_matching.h"
#include "channels/program_cleanup.h"
#include "editor/program_list_model.h"
#include "editor/program_list_view.h"
#include "editor/reference_file.h"

ChannelSelectMenu::ChannelSelectMenu(const ChannelDatabase& database, const Lists& lists,
                                     QWidget* parent)
    : QMenu(parent), m_database(database), m_lists(lists) {
    setObjectName(QStringLiteral("selectMenu"));
    connect(this, &QMenu::aboutToShow, this, &ChannelSelectMenu::fill);
}

void ChannelSelectMenu::fill() {
    clear();
    const auto count = [this](const auto& rule) {
        int total = 0;
        for (const auto& [view, model] : m_lists)
            for (const bool picked : rule(model->programs()))
                total += picked ? 1 : 0;
        return total;
    };
    const auto entry = [this, &count](const char* text, const char* name, auto rule) {
        QAction* action =
            addAction(QStringLiteral("%1 (%2)").arg(QString::fromLatin1(text)).arg(count(rule)));
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, [this, rule] { selectWhere(rule); });
    };
    entry("&Scrambled programs", "selectScrambled", &ProgramCleanup::scrambled);
    entry("&Duplicates", "selectDuplicates", &ProgramCleanup::duplicates);
    entry("Programs without a &name", "selectUnnamed", &ProgramCleanup::unnamed);
    QAction* notIn = addAction(QStringLiteral("Programs not in a &file..."));
    notIn->setObjectName(QStringLiteral("selectNotInFile"));
    connect(notIn, &QAction::triggered, this, &ChannelSelectMenu::selectNotInFile);
    addSeparator();
    int selectedRows = 0;
    for (const auto& [view, model] : m_lists)
        selectedRows += int(view->selectedRows().size());
    QAction* remove = addAction(QStringLiteral("Dele&te Selected (%1)").arg(selectedRows));
    remove->setObjectName(QStringLiteral("deleteSelected"));
    remove->setEnabled(selectedRows > 0);
    connect(remove, &QAction::triggered, this, [this] {
        std::vector<ProgramNode*> programs;
        for (const auto& [view, model] : m_lists)
            for (int row : view->selectedRows())
                programs.push_back(model->programAt(row));
        emit deleteRequested(programs);
    });
}

void ChannelSelectMenu::selectWhere(const Rule& rule) {
    for (const auto& [view, model] : m_lists) {
        const std::vector<bool> picked = rule(model->programs());
        std::vector<int> rows;
        for (std::size_t row = 0; row < picked.size(); ++row)
            if (picked[row])
                rows.push_back(int(row));
        view->selectRows(rows);
    }
    emit selected();
}

void ChannelSelectMenu::selectNotInFile() {
    // The questions belong to the window, not to the button that holds the menu.
    const std::optional<ReferenceFile> reference = readReferenceFile(parentWidget()->window());
    if (!reference)
        return;
    const ChannelMatches matches = matchChannels(m_database, reference->channels);
    selectWhere([&matches](const std::vector<ProgramNode*>& programs) {
        return ProgramCleanup::notIn(programs, matches);
    });
}
