#pragma once

// One channel list of the "Channel List" window: rows are references to program records,
// in the order that will be saved. The records stay in the database; the model only orders
// references to them and shows their current values, so a changed favourite mask shows as
// soon as its row is refreshed. "No." is the program's channel number: its place in the
// whole list, which follows the rows as they move.

#include <QAbstractTableModel>

#include <vector>

class ProgramNode;

class ProgramListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        numberColumn,
        nameColumn,
        caColumn,
        satelliteColumn,
        transponderColumn,
        favoriteColumn,
        columnCount_
    };

    explicit ProgramListModel(QObject* parent = nullptr);

    // Every name (program, satellite) is shown and compared as this text.
    static QString nameText(const QByteArray& name);

    // Favourite groups in use: the "Fav" column shows the numbers of these groups only.
    void setGroupCount(int groupCount);

    // `places` (ascending, one per row) are the rows' places in the whole list when the rows
    // are a part of it (one satellite's programs); empty when the rows are the whole list.
    void setPrograms(std::vector<ProgramNode*> programs, std::vector<int> places = {});
    const std::vector<ProgramNode*>& programs() const { return m_programs; }
    ProgramNode* programAt(int row) const;
    // The channel number shown in "No." (1-based).
    int numberAt(int row) const;

    // Stable sort by a column's key (equal keys keep their order); descending swaps the
    // operands of the comparison. Selection and current row follow their programs.
    void sortByColumn(int column, bool descending);
    // Puts the rows in a new order: `order[newRow]` is the row it comes from (a permutation of
    // all rows). Selection and current row follow their programs. False when nothing moved.
    bool reorder(const std::vector<int>& order);

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
    std::vector<int> m_places;
    int m_groupCount = 0;
};
