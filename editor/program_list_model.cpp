#include "editor/program_list_model.h"

#include "channels/channel_nodes.h"
#include "channels/name_codec.h"
#include "editor/favorite_mask.h"

#include <algorithm>
#include <numeric>

namespace {

// "S" marks a program with either of the scrambling bits.
int caKey(const ProgramNode& program) {
    return program.programFlags & 0x90;
}

const QByteArray& satelliteName(const ProgramNode& program) {
    return program.transponder()->satellite()->name;
}

} // namespace

QString ProgramListModel::nameText(const QByteArray& name) {
    return NameCodec::toText(name);
}

ProgramListModel::ProgramListModel(QObject* parent) : QAbstractTableModel(parent) {}

void ProgramListModel::setGroupCount(int groupCount) {
    m_groupCount = groupCount;
    if (!m_programs.empty())
        emit dataChanged(index(0, favoriteColumn), index(rowCount() - 1, favoriteColumn));
}

void ProgramListModel::setPrograms(std::vector<ProgramNode*> programs, std::vector<int> places) {
    beginResetModel();
    m_programs = std::move(programs);
    m_places = places.size() == m_programs.size() ? std::move(places) : std::vector<int>();
    endResetModel();
}

ProgramNode* ProgramListModel::programAt(int row) const {
    return row >= 0 && row < rowCount() ? m_programs[std::size_t(row)] : nullptr;
}

int ProgramListModel::numberAt(int row) const {
    return (m_places.empty() ? row : m_places[std::size_t(row)]) + 1;
}

void ProgramListModel::sortByColumn(int column, bool descending) {
    const std::size_t count = m_programs.size();
    std::vector<int> order(count);
    std::iota(order.begin(), order.end(), 0);

    // Keys are computed once per row, not once per comparison.
    std::vector<int> numbers;
    std::vector<QCollatorSortKey> names;
    if (column == nameColumn) {
        // As a reader of the names' language orders them, whatever case they are in.
        const QCollator& collator = NameCodec::collator();
        names.reserve(count);
        for (const ProgramNode* program : m_programs)
            names.push_back(collator.sortKey(nameText(program->name)));
    } else {
        numbers.reserve(count);
        for (int row = 0; row < int(count); ++row) {
            const ProgramNode& program = *m_programs[std::size_t(row)];
            numbers.push_back(column == numberColumn        ? numberAt(row)
                              : column == caColumn          ? caKey(program)
                              : column == satelliteColumn   ? int(program.satelliteIndex)
                              : column == transponderColumn ? int(program.transponderIndex)
                                                            : int(program.pendingFavoriteMask));
        }
    }
    const auto less = [&](int a, int b) {
        return names.empty() ? numbers[std::size_t(a)] < numbers[std::size_t(b)]
                             : names[std::size_t(a)].compare(names[std::size_t(b)]) < 0;
    };
    if (descending)
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return less(b, a); });
    else
        std::stable_sort(order.begin(), order.end(), less);

    reorder(order);
}

bool ProgramListModel::reorder(const std::vector<int>& order) {
    const std::size_t count = m_programs.size();
    if (order.size() != count)
        return false;
    std::vector<int> newRowOf(count, -1);
    bool moved = false;
    for (std::size_t row = 0; row < count; ++row) {
        const int from = order[row];
        if (from < 0 || std::size_t(from) >= count || newRowOf[std::size_t(from)] >= 0)
            return false;
        newRowOf[std::size_t(from)] = int(row);
        moved |= from != int(row);
    }
    if (!moved)
        return false;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<ProgramNode*> reordered(count);
    for (std::size_t row = 0; row < count; ++row)
        reordered[row] = m_programs[std::size_t(order[row])];
    m_programs = std::move(reordered);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before)
        after.push_back(index(newRowOf[std::size_t(old.row())], old.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    // The numbers stay with the places, so every row may show another one.
    if (count > 0)
        emit dataChanged(index(0, numberColumn), index(int(count) - 1, numberColumn));
    return true;
}

void ProgramListModel::removeProgramRow(int row) {
    if (!programAt(row))
        return;
    beginRemoveRows({}, row, row);
    m_programs.erase(m_programs.begin() + row);
    if (!m_places.empty())
        m_places.erase(m_places.begin() + row);
    endRemoveRows();
}

void ProgramListModel::refreshFavorites(int row) {
    if (programAt(row))
        emit dataChanged(index(row, favoriteColumn), index(row, favoriteColumn));
}

int ProgramListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_programs.size());
}

int ProgramListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columnCount_;
}

QVariant ProgramListModel::data(const QModelIndex& index, int role) const {
    const ProgramNode* program = programAt(index.row());
    if (!program)
        return {};
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case numberColumn:
        return numberAt(index.row());
    case nameColumn:
        return nameText(program->name);
    case satelliteColumn:
        return nameText(satelliteName(*program));
    case caColumn:
        return caKey(*program) != 0 ? QStringLiteral("S") : QString();
    case transponderColumn:
        return QString::number(program->transponderIndex);
    case favoriteColumn:
        return FavoriteMask::text(program->pendingFavoriteMask, m_groupCount);
    default:
        return {};
    }
}

QVariant ProgramListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case numberColumn:
        return QStringLiteral("No.");
    case nameColumn:
        return QStringLiteral("Name");
    case satelliteColumn:
        return QStringLiteral("Satellite");
    case caColumn:
        return QStringLiteral("CA");
    case transponderColumn:
        return QStringLiteral("TP Idx");
    case favoriteColumn:
        return QStringLiteral("Fav");
    default:
        return {};
    }
}

Qt::ItemFlags ProgramListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}

bool ProgramListModel::moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                                const QModelIndex& destinationParent, int destinationChild) {
    const int rows = rowCount();
    if (sourceParent.isValid() || destinationParent.isValid() || count < 1 || sourceRow < 0 ||
        sourceRow + count > rows || destinationChild < 0 || destinationChild > rows ||
        (destinationChild >= sourceRow && destinationChild <= sourceRow + count))
        return false;
    beginMoveRows({}, sourceRow, sourceRow + count - 1, {}, destinationChild);
    const auto first = m_programs.begin() + sourceRow;
    const auto last = first + count;
    if (destinationChild < sourceRow)
        std::rotate(m_programs.begin() + destinationChild, first, last);
    else
        std::rotate(first, last, m_programs.begin() + destinationChild);
    endMoveRows();
    if (rows > 0)
        emit dataChanged(index(0, numberColumn), index(rows - 1, numberColumn));
    return true;
}
