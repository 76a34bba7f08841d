#include "editor/satellite_tree_model.h"

#include "editor/channel_document.h"
#include "editor/tree_node_look.h"
#include "resources/tree_images.h"

namespace {
// The node kind rides in the two low bits of the node's address, which are always zero for
// these objects.
constexpr quintptr kindMask = 0x3;
static_assert(alignof(SatelliteNode) >= 4 && alignof(TransponderNode) >= 4 &&
              alignof(ProgramNode) >= 4);

void* nodeOf(const QModelIndex& index) {
    return reinterpret_cast<void*>(index.internalId() & ~kindMask);
}
} // namespace

SatelliteTreeModel::SatelliteTreeModel(ChannelDocument& document, QObject* parent)
    : QAbstractItemModel(parent), document_(document) {
    for (int image = 0; image < int(icons_.size()); ++image)
        icons_[std::size_t(image)] = treeIcon(image);
    connectDocument();
}

void SatelliteTreeModel::connectDocument() {
    ChannelDocument* document = &document_;
    connect(document, &ChannelDocument::aboutToReset, this, [this] { beginResetModel(); });
    connect(document, &ChannelDocument::reset, this, [this] {
        satelliteImages_.clear();
        endResetModel();
    });
    connect(document, &ChannelDocument::transponderAboutToBeInserted, this,
            [this](SatelliteNode* satellite, int row) {
                beginInsertRows(indexOf(satellite), row, row);
            });
    connect(document, &ChannelDocument::transponderInserted, this, [this] { endInsertRows(); });
    connect(document, &ChannelDocument::transponderAboutToBeRemoved, this,
            [this](SatelliteNode* satellite, int row) {
                beginRemoveRows(indexOf(satellite), row, row);
            });
    connect(document, &ChannelDocument::transponderRemoved, this, [this] { endRemoveRows(); });
    connect(document, &ChannelDocument::programAboutToBeInserted, this,
            [this](TransponderNode* transponder, int row) {
                beginInsertRows(indexOf(transponder), row, row);
            });
    connect(document, &ChannelDocument::programInserted, this, [this] { endInsertRows(); });
    connect(document, &ChannelDocument::programAboutToBeRemoved, this,
            [this](TransponderNode* transponder, int row) {
                beginRemoveRows(indexOf(transponder), row, row);
            });
    connect(document, &ChannelDocument::programRemoved, this, [this] { endRemoveRows(); });
    auto changed = [this](const QModelIndex& index) {
        if (index.isValid())
            emit dataChanged(index, index);
    };
    connect(document, &ChannelDocument::satelliteChanged, this,
            [this, changed](SatelliteNode* node) {
                changed(indexOf(node));
                // Layout 1 satellites share LNB table entries: a change made through one, or
                // its undo, changes the image of the others on the same entry.
                if (document_.database().layout == 1)
                    refreshSatelliteImages();
            });
    connect(document, &ChannelDocument::transponderChanged, this,
            [this, changed](TransponderNode* node) { changed(indexOf(node)); });
    connect(document, &ChannelDocument::programChanged, this,
            [this, changed](ProgramNode* node) { changed(indexOf(node)); });
}

QModelIndex SatelliteTreeModel::makeIndex(int row, const void* node, NodeKind kind) const {
    return createIndex(row, 0, reinterpret_cast<quintptr>(node) | quintptr(kind));
}

SatelliteTreeModel::NodeKind SatelliteTreeModel::kindOf(const QModelIndex& index) {
    return index.isValid() ? NodeKind(index.internalId() & kindMask) : NodeKind::none;
}

SatelliteNode* SatelliteTreeModel::satelliteAt(const QModelIndex& index) {
    return kindOf(index) == NodeKind::satellite ? static_cast<SatelliteNode*>(nodeOf(index))
                                                : nullptr;
}

TransponderNode* SatelliteTreeModel::transponderAt(const QModelIndex& index) {
    return kindOf(index) == NodeKind::transponder ? static_cast<TransponderNode*>(nodeOf(index))
                                                  : nullptr;
}

ProgramNode* SatelliteTreeModel::programAt(const QModelIndex& index) {
    return kindOf(index) == NodeKind::program ? static_cast<ProgramNode*>(nodeOf(index)) : nullptr;
}

QModelIndex SatelliteTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0)
        return {};
    switch (kindOf(parent)) {
    case NodeKind::none:
        if (SatelliteNode* node = document_.database().satelliteAt(row))
            return makeIndex(row, node, NodeKind::satellite);
        return {};
    case NodeKind::satellite:
        if (TransponderNode* node = satelliteAt(parent)->transponderAt(row))
            return makeIndex(row, node, NodeKind::transponder);
        return {};
    case NodeKind::transponder:
        if (ProgramNode* node = transponderAt(parent)->programAt(row))
            return makeIndex(row, node, NodeKind::program);
        return {};
    case NodeKind::program:
        return {};
    }
    return {};
}

QModelIndex SatelliteTreeModel::parent(const QModelIndex& child) const {
    if (const TransponderNode* transponder = transponderAt(child))
        return indexOf(transponder->satellite());
    if (const ProgramNode* program = programAt(child))
        return indexOf(program->transponder());
    return {};
}

int SatelliteTreeModel::rowCount(const QModelIndex& parent) const {
    switch (kindOf(parent)) {
    case NodeKind::none:
        return parent.isValid() ? 0 : document_.database().satelliteCount();
    case NodeKind::satellite:
        return satelliteAt(parent)->transponderCount();
    case NodeKind::transponder:
        return transponderAt(parent)->programCount();
    case NodeKind::program:
        return 0;
    }
    return 0;
}

int SatelliteTreeModel::columnCount(const QModelIndex& /*parent*/) const {
    return 1;
}

int SatelliteTreeModel::imageOf(const QModelIndex& index) const {
    if (const SatelliteNode* satellite = satelliteAt(index))
        return satelliteImageOf(satellite);
    if (const TransponderNode* transponder = transponderAt(index))
        return transponderImage(*transponder);
    if (const ProgramNode* program = programAt(index))
        return programImage(*program);
    return -1;
}

QVariant SatelliteTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        if (const SatelliteNode* satellite = satelliteAt(index))
            return satelliteLabel(*satellite);
        if (const TransponderNode* transponder = transponderAt(index))
            return transponderLabel(*transponder);
        if (const ProgramNode* program = programAt(index))
            return programLabel(*program);
        return {};
    case Qt::DecorationRole: {
        const int image = imageOf(index);
        return image >= 0 && image < int(icons_.size()) ? icons_[std::size_t(image)] : QIcon();
    }
    case imageRole:
        return imageOf(index);
    default:
        return {};
    }
}

Qt::ItemFlags SatelliteTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (kindOf(index) == NodeKind::program)
        flags |= Qt::ItemNeverHasChildren;
    return flags;
}

QModelIndex SatelliteTreeModel::indexOf(const SatelliteNode* satellite) const {
    const int row = document_.database().indexOf(satellite);
    return row < 0 ? QModelIndex() : makeIndex(row, satellite, NodeKind::satellite);
}

QModelIndex SatelliteTreeModel::indexOf(const TransponderNode* transponder) const {
    if (!transponder || !transponder->satellite())
        return {};
    const int row = transponder->satellite()->indexOf(transponder);
    return row < 0 ? QModelIndex() : makeIndex(row, transponder, NodeKind::transponder);
}

QModelIndex SatelliteTreeModel::indexOf(const ProgramNode* program) const {
    if (!program || !program->transponder())
        return {};
    const int row = program->transponder()->indexOf(program);
    return row < 0 ? QModelIndex() : makeIndex(row, program, NodeKind::program);
}

int SatelliteTreeModel::satelliteImageOf(const SatelliteNode* satellite) const {
    if (const auto it = satelliteImages_.find(satellite); it != satelliteImages_.end())
        return it->second;
    return satelliteImage(document_.database(), *satellite);
}

void SatelliteTreeModel::setSatelliteImage(const SatelliteNode* satellite, int image) {
    satelliteImages_[satellite] = image;
    const QModelIndex index = indexOf(satellite);
    if (index.isValid())
        emit dataChanged(index, index, {Qt::DecorationRole, imageRole});
}

void SatelliteTreeModel::refreshSatelliteImages() {
    if (const int satellites = document_.database().satelliteCount(); satellites > 0)
        emit dataChanged(index(0, 0), index(satellites - 1, 0), {Qt::DecorationRole, imageRole});
}

void SatelliteTreeModel::refreshNames() {
    const ChannelDatabase& database = document_.database();
    const int satellites = database.satelliteCount();
    if (satellites == 0)
        return;
    const QVector<int> roles{Qt::DisplayRole};
    emit dataChanged(index(0, 0), index(satellites - 1, 0), roles);
    for (const auto& satellite : database.satellites())
        for (const auto& transponder : satellite->transponders())
            if (const int programs = transponder->programCount(); programs > 0) {
                const QModelIndex parent = indexOf(transponder.get());
                emit dataChanged(index(0, 0, parent), index(programs - 1, 0, parent), roles);
            }
}
