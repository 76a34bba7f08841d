#pragma once

// "Favorite Group Names": one labelled edit box per favourite group, in group order. The
// caller fills the names before running it and reads them back after OK. A name the file
// cannot hold (a character outside the name decoding, or longer than a name may be) is
// refused with the reason and the window stays open on that box.

#include <QByteArray>
#include <QDialog>

#include <vector>

class QLineEdit;

class FavoriteNamesDialog : public QDialog {
    Q_OBJECT

public:
    // One row per group: 4 and 8 are the receiver's two variants; any other count from 1 to
    // 8 shows just that many rows, so no group that does not exist is offered.
    explicit FavoriteNamesDialog(int groupCount, QWidget* parent = nullptr);

    int nameCount() const { return int(m_edits.size()); }
    // Row n is group n+1.
    void setName(int row, const QByteArray& name);
    QByteArray name(int row) const;
    QLineEdit* nameEdit(int row) const { return m_edits.at(std::size_t(row)); }

public slots:
    void accept() override;

private:
    std::vector<QLineEdit*> m_edits;
    std::vector<QByteArray> m_names;
};
