#pragma once

// One channel list of the "Channel List" window: rows are references to program records,
// in the order that will be saved. The records stay in the database; the model only orders
// references to them and shows their current values, so a changed favourite mask shows as
// soon as its row is refreshed.

#include <QAbstractTableModel>

#include <vector>

class ProgramNode;

class ProgramListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { nameColumn, caColumn, transponderColumn, favoriteColumn, columnCount_ };

    explicit ProgramListModel(QObject* parent = nullptr);

    // Favourite groups in use: the "Fav" column shows the numbers of these groups only.
    void setGroupCount(int groupCount);

    void setPrograms(std::vector<ProgramNode*> programs);
    const std::vector<ProgramNode*>& programs() const { return m_programs; }
    ProgramNode* programAt(int row) const;

    // Stable sort by a column's key (equal keys keep their order); descending swaps the
    // operands of the comparison. Selection and current row follow their programs.
    void sortByColumn(int column, bool descending);

    // Removes one row (the program stays in the database).
    void removeProgramRow(int row);
    // Shows the current favourite mask of the row's program again.
    void refreshFavorites(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                  const QModelIndex& destinationParent, int destinationChild) override;

private:
    std::vector<ProgramNode*> m_programs;
    int m_groupCount = 0;
};
