#pragma once

// The search of the channel editor's satellite tree, in a field above the tree: typing selects
// the first node that answers to the text (channel_search.h), Enter the next one after the
// tree's current node, wrapping; a field tinted red says that nothing matches. Escape in the
// field closes the search only and gives the focus back to the tree.

#include <QObject>

class ChannelDocument;
class QLineEdit;
class QTreeView;
class SatelliteTreeModel;

class SatelliteTreeFind : public QObject {
    Q_OBJECT

public:
    // `field` is the window's search field; it starts hidden.
    SatelliteTreeFind(QLineEdit* field, QTreeView* tree, SatelliteTreeModel* model,
                      const ChannelDocument& document, QObject* parent);

    bool isOpen() const;
    // Shows the field with its text selected and the focus in it.
    void open();
    void close();
    // Selects the first match in the tree (fromCurrent false) or the next after the current
    // node, wrapping; nothing while the field is closed or empty.
    void find(bool fromCurrent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_field;
    QTreeView* m_tree;
    SatelliteTreeModel* m_model;
    const ChannelDocument& m_document;
};
