#include "editor/favorite_names_dialog.h"

#include "channels/channel_records.h"
#include "channels/name_codec.h"
#include "widgets/dialog_units.h"
#include "widgets/message_box.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace {
constexpr int rowPitch = 16;
constexpr int firstRowTop = 8;
} // namespace

FavoriteNamesDialog::FavoriteNamesDialog(int groupCount, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle(QStringLiteral("Favorite Group Names"));
    const DialogUnits units(font());
    const int rows = std::clamp(groupCount, 1, ChannelLimits::maxFavoriteGroups);

    for (int row = 0; row < rows; ++row) {
        const int top = firstRowTop + rowPitch * row;
        auto* label = new QLabel(QString::number(row + 1), this);
        units.place(label, 10, top + 2, 10, 8);
        auto* edit = new QLineEdit(this);
        units.place(edit, 22, top, 130, 12);
        label->setBuddy(edit);
        m_edits.push_back(edit);
    }
    m_names.resize(std::size_t(rows));

    const int buttonTop = firstRowTop + rowPitch * rows + 6;
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    units.place(ok, 30, buttonTop, 50, 14);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &FavoriteNamesDialog::accept);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    units.place(cancel, 90, buttonTop, 50, 14);
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &FavoriteNamesDialog::reject);
    setFixedSize(units.size(162, buttonTop + 21));
}

void FavoriteNamesDialog::setName(int row, const QByteArray& name) {
    m_names.at(std::size_t(row)) = name;
    m_edits.at(std::size_t(row))->setText(NameCodec::toText(name));
}

QByteArray FavoriteNamesDialog::name(int row) const {
    return m_names.at(std::size_t(row));
}

void FavoriteNamesDialog::accept() {
    std::vector<QByteArray> names;
    for (QLineEdit* edit : m_edits) {
        const std::optional<QByteArray> bytes = NameCodec::fromText(edit->text());
        if (!bytes) {
            showMessage(this, NameCodec::refusalMessage(edit->text()));
            edit->setFocus();
            edit->selectAll();
            return;
        }
        names.push_back(*bytes);
    }
    m_names = std::move(names);
    QDialog::accept();
}
