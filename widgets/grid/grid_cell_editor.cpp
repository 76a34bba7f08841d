#include "widgets/grid/grid_cell_editor.h"

#include <QFocusEvent>
#include <QKeyEvent>

GridCellEditor::GridCellEditor(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    connect(this, &QLineEdit::textChanged, this, &GridCellEditor::fitWidth);
}

void GridCellEditor::begin(const QString& text, const GridEditStart& start) {
    using Kind = GridEditStart::Kind;
    arrowsEndEdit_ = start.kind != Kind::mouse;
    switch (start.kind) {
    case Kind::mouse:
    case Kind::returnKey:
        setText(text);
        end(false);
        break;
    case Kind::backspace:
        setText(text.left(text.size() - 1));
        end(false);
        break;
    case Kind::character:
        if (start.character == QLatin1String(" ")) {
            setText(text);
            selectAll();
        } else {
            setText(start.character);
            end(false);
        }
        break;
    case Kind::navigation:
        setText(text);
        selectAll();
        break;
    }
}

void GridCellEditor::placeOver(const QRect& cell, int maxRight) {
    cellRect_ = cell;
    maxRight_ = maxRight;
    fitWidth();
}

void GridCellEditor::fitWidth() {
    if (cellRect_.isEmpty())
        return;
    const QFontMetrics metrics(font());
    const int wanted = metrics.horizontalAdvance(text() + QStringLiteral("  "));
    int width = std::max(cellRect_.width(), wanted);
    width = std::max(cellRect_.width(), std::min(width, maxRight_ - cellRect_.left() + 1));
    setGeometry(cellRect_.left(), cellRect_.top(), width, cellRect_.height());
}

bool GridCellEditor::event(QEvent* event) {
    // Tab would otherwise move the keyboard focus to the next control of the dialog.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            emit finished(GridEditEnd::move, key->key(), key->modifiers());
            return true;
        }
    }
    // Keep Enter and Escape from the dialog's default and cancel buttons while editing.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();
            return true;
        default:
            break;
        }
    }
    return QLineEdit::event(event);
}

void GridCellEditor::keyPressEvent(QKeyEvent* event) {
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit finished(GridEditEnd::keep, event->key(), event->modifiers());
        return;
    case Qt::Key_Escape:
        emit finished(GridEditEnd::revert, event->key(), event->modifiers());
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (arrowsEndEdit_ || ctrl) {
            emit finished(GridEditEnd::move, event->key(), event->modifiers());
            return;
        }
        // Up, Down and the page keys mean nothing to a one-line box; they must not reach the
        // grid behind it either.
        if (event->key() != Qt::Key_Left && event->key() != Qt::Key_Right) {
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QLineEdit::keyPressEvent(event);
}

void GridCellEditor::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // The box's own context menu takes the focus for a moment; that does not end the edit.
    if (event->reason() != Qt::PopupFocusReason)
        emit finished(GridEditEnd::keep, 0, Qt::NoModifier);
}
