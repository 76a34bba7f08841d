#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class GridCtrl;
class QComboBox;
class QWidget;
class QKeyEvent;

// Makes one column of a grid hold an audio language chosen from the known codes rather than
// typed text: its cells never open the grid's text box. Space, F2, F4, Alt+Down, a second
// click or a double-click open a list of the codes with their names over the cell; a letter
// opens it at the first code that begins with it, and further letters narrow the jump as in
// any list. Enter or a click takes the entry, Escape leaves the cell as it was; Delete and
// Backspace empty the cell (no language). So a cell only ever holds a code of the table or
// nothing, and no typed text can be cut to a code behind the user's back.
class LanguageCellChooser : public QObject {
    Q_OBJECT

public:
    // Owned by the grid. The column's cells that exist now and every row added later are
    // covered.
    LanguageCellChooser(GridCtrl* grid, int column);

    // Opens the list over the cell of `row`, with `typed` as a first jump; false when the
    // cell cannot be shown or a list is already open.
    bool open(int row, const QString& typed = {});
    // The list while it is open, else nullptr.
    QComboBox* list() const;

    // The list's first entry, which empties the cell; the codes follow in alphabetical order,
    // each with its language's name ("fra  French").
    static QString noLanguageText();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void protectRows(int first, int last);
    bool handleKey(const QKeyEvent& key);
    void openLater(int row);
    void finish(bool take);

    GridCtrl* grid_;
    // Taken once: while the grid is being destroyed its viewport() may no longer be asked.
    QWidget* viewport_;
    int column_;
    int row_ = -1;
    QPointer<QComboBox> list_;
    bool pressedOnFocus_ = false;
};
