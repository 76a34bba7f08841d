#pragma once

#include "channels/channel_nodes.h"

#include <QAbstractItemModel>
#include <QIcon>

#include <array>
#include <unordered_map>

class ChannelDocument;

// The satellites, their transponders and programs of a ChannelDocument as a tree for a view.
// The index of an item holds its node (nodes never move while they exist); labels and images
// are read from the records when asked for, so the tree shows exactly the database after every
// change the document reports.
class SatelliteTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum class NodeKind { none, satellite, transponder, program };
    // The number of the tree image an item shows (an int).
    static constexpr int imageRole = Qt::UserRole + 1;

    explicit SatelliteTreeModel(ChannelDocument& document, QObject* parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    static NodeKind kindOf(const QModelIndex& index);
    static SatelliteNode* satelliteAt(const QModelIndex& index);
    static TransponderNode* transponderAt(const QModelIndex& index);
    static ProgramNode* programAt(const QModelIndex& index);

    QModelIndex indexOf(const SatelliteNode* satellite) const;
    QModelIndex indexOf(const TransponderNode* transponder) const;
    QModelIndex indexOf(const ProgramNode* program) const;

    // The satellite settings windows decide the image a satellite shows once they have
    // changed it; until then it follows the satellite's LNB setting.
    int satelliteImageOf(const SatelliteNode* satellite) const;
    void setSatelliteImage(const SatelliteNode* satellite, int image);
    // Every satellite's image again: in files of layout 1 satellites share LNB table entries,
    // so one satellite's window changes the image of the others on the same entry.
    void refreshSatelliteImages();

    // Every satellite and program label again, after the character set of names changed.
    void refreshNames();

private:
    QModelIndex makeIndex(int row, const void* node, NodeKind kind) const;
    int imageOf(const QModelIndex& index) const;
    void connectDocument();

    ChannelDocument& document_;
    std::array<QIcon, 8> icons_;
    std::unordered_map<const SatelliteNode*, int> satelliteImages_;
};
