#pragma once

#include <QLineEdit>

// What started an in-place edit; it decides the first state of the edit box and whether the
// arrow and page keys end the edit.
struct GridEditStart {
    enum class Kind {
        mouse,      // second click or double-click: caret at the end
        returnKey,  // Enter: caret at the end
        backspace,  // the last character is deleted
        character,  // the text is replaced by the character (a space selects the text instead)
        navigation, // Tab, Page Up/Down, Home, End or an arrow: the whole text is selected
    };
    Kind kind = Kind::mouse;
    QString character;
};

// How an edit ended.
enum class GridEditEnd {
    keep,   // Enter, or the box lost the focus: the text is kept
    revert, // Escape: the previous text comes back
    move,   // Tab, an arrow or a page key: the text is kept and the focus cell moves
};

// The single-line box placed over a cell while it is edited in place. It takes every key that
// matters to the edit (Enter, Escape, Tab) before the dialog sees it, and grows to the right
// while the user types, never past the grid's edge.
class GridCellEditor : public QLineEdit {
    Q_OBJECT
public:
    explicit GridCellEditor(QWidget* parent);

    void begin(const QString& text, const GridEditStart& start);

    // Places the box over `cell`; it may grow up to `maxRight` (same coordinates).
    void placeOver(const QRect& cell, int maxRight);

signals:
    void finished(GridEditEnd how, int key, Qt::KeyboardModifiers modifiers);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void fitWidth();

    QRect cellRect_;
    int maxRight_ = 0;
    bool arrowsEndEdit_ = false;
};
