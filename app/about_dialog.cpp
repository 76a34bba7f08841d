#include "app/about_dialog.h"

#include "widgets/dialog_units.h"
#include "resources/app_icon.h"

#include <QLabel>
#include <QPushButton>

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About RX7700."));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    const DialogUnits units(font());
    setFixedSize(units.size(261, 54));

    // An icon control takes the icon's own size, 32 x 32 pixels, at its template position.
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(applicationIcon().pixmap(32, 32));
    icon->setGeometry(units.x(11), units.y(17), 32, 32);

    auto* title = new QLabel(QStringLiteral("RX7700 Editor v.3.0"), this);
    title->setObjectName(QStringLiteral("title"));
    units.place(title, 40, 10, 119, 8);

    auto* distributor = new QLabel(this);
    distributor->setObjectName(QStringLiteral("distributor"));
    units.place(distributor, 40, 25, 156, 8);
    distributor->setText(distributorText());

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    units.place(ok, 205, 14, 39, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

QString AboutDialog::distributorText() {
    return QStringLiteral("Distributed by the RX7700 utility authors");
}
