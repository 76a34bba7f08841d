#include "link/boot_mode_dialog.h"

#include "widgets/dialog_units.h"
#include "widgets/message_box.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

BootModeDialog::BootModeDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      group_(new QButtonGroup(this)) {
    setWindowTitle(QStringLiteral("Boot mode"));
    const DialogUnits units(font());

    // The template was laid out for a narrower font: a text that needs more room widens the
    // window rather than being cut off.
    int extraWidth = 0;
    const auto addText = [&](const char* text, int left, int top, int width, int height) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        units.place(label, left, top, width, height);
        const int needed = label->sizeHint().width();
        if (needed > label->width()) {
            extraWidth = std::max(extraWidth, needed - label->width());
            label->resize(needed, label->height());
        }
    };
    addText("The receiver was not detected...", 19, 14, 118, 13);
    addText("If you want to download the firmware in the boot mode,", 19, 33, 170, 13);
    addText("click OK button below and AC power on your receiver.", 19, 45, 170, 9);
    setFixedSize(units.x(209) + extraWidth, units.y(134));

    auto* box = new QGroupBox(QStringLiteral("COM port setting"), this);
    units.place(box, 19, 67, 170, 34);
    box->resize(box->width() + extraWidth, box->height());

    for (int i = 0; i < int(ports_.size()); ++i) {
        auto* port = new QRadioButton(QStringLiteral("COM%1").arg(i + 1), this);
        units.place(port, 32 + 36 * i, 81, 35, 10);
        port->move(port->x() + extraWidth / 2, port->y());
        port->raise();
        group_->addButton(port, i);
        ports_[std::size_t(i)] = port;
    }

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    units.place(ok, 45, 113, 50, 14);
    ok->move(ok->x() + extraWidth / 2, ok->y());
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &BootModeDialog::accept);

    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    units.place(cancel, 114, 113, 50, 14);
    cancel->move(cancel->x() + extraWidth / 2, cancel->y());
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &BootModeDialog::reject);
}

void BootModeDialog::setPortIndex(int index) {
    if (index >= 0 && index < int(ports_.size())) {
        ports_[std::size_t(index)]->setChecked(true);
        return;
    }
    // An exclusive group keeps one button checked; clearing needs it relaxed for a moment.
    group_->setExclusive(false);
    for (QRadioButton* port : ports_)
        port->setChecked(false);
    group_->setExclusive(true);
}

int BootModeDialog::portIndex() const {
    return group_->checkedId();
}

void BootModeDialog::accept() {
    if (portIndex() < 0) {
        showMessage(this, QStringLiteral("Select COM port..."), MessageIcon::none);
        return;
    }
    QDialog::accept();
}
