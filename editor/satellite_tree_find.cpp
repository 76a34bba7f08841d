#include "editor/satellite_tree_find.h"

#include "editor/channel_document.h"
#include "editor/channel_search.h"
#include "editor/satellite_tree_model.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTreeView>

SatelliteTreeFind::SatelliteTreeFind(QLineEdit* field, QTreeView* tree, SatelliteTreeModel* model,
                                     const ChannelDocument& document, QObject* parent)
    : QObject(parent), m_field(field), m_tree(tree), m_model(model), m_document(document) {
    m_field->installEventFilter(this);
    connect(m_field, &QLineEdit::textEdited, this, [this] { find(false); });
}

bool SatelliteTreeFind::isOpen() const {
    return m_field->isVisible();
}

void SatelliteTreeFind::open() {
    m_field->show();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

void SatelliteTreeFind::close() {
    if (!m_field->isVisible())
        return;
    m_field->hide();
    m_tree->setFocus(Qt::OtherFocusReason);
}

void SatelliteTreeFind::find(bool fromCurrent) {
    if (!m_field->isVisible() || m_field->text().trimmed().isEmpty()) {
        m_field->setPalette(QPalette());
        return;
    }
    TreeNodeRef from;
    if (fromCurrent) {
        const QModelIndex current = m_tree->currentIndex();
        from = {SatelliteTreeModel::satelliteAt(current),
                SatelliteTreeModel::transponderAt(current), SatelliteTreeModel::programAt(current)};
    }
    const TreeNodeRef hit = findInTree(m_document.database(), m_field->text(), from);
    // A field tinted red says that nothing matches.
    QPalette palette;
    if (hit.isNull())
        palette.setColor(QPalette::Base, QColor(255, 210, 210));
    m_field->setPalette(palette);
    if (hit.isNull())
        return;
    const QModelIndex index = hit.satellite     ? m_model->indexOf(hit.satellite)
                              : hit.transponder ? m_model->indexOf(hit.transponder)
                                                : m_model->indexOf(hit.program);
    const bool typing = m_field->hasFocus();
    m_tree->setCurrentIndex(index);
    m_tree->scrollTo(index);
    // Filling the grid takes the focus; the user goes on typing.
    if (typing)
        m_field->setFocus(Qt::OtherFocusReason);
}

bool SatelliteTreeFind::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // Escape closes the search only, not the editor.
        if (key == Qt::Key_Escape) {
            close();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            find(true);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
