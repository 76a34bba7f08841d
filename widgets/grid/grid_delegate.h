#pragma once

#include <QPointer>
#include <QStyledItemDelegate>

class GridCellEditor;
class GridCtrl;

// Draws the grid's data cells and makes the in-place edit box. The edit itself (first state,
// ending keys, storing the text) is run by the grid, so the usual commit-on-key handling of
// Qt's delegates is switched off here.
class GridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit GridDelegate(GridCtrl* grid);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    // The box made by the last createEditor().
    GridCellEditor* lastEditor() const { return lastEditor_; }

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    GridCtrl* grid_;
    mutable QPointer<GridCellEditor> lastEditor_;
};
