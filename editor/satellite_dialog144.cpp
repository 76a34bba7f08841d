#include "editor/satellite_dialog144.h"

#include "channels/channel_database.h"
#include "editor/satellite_dialog_tips.h"
#include "widgets/dialog_units.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <algorithm>
#include <cmath>

QString SatelliteDialog144::degreeText(std::int16_t tenths) {
    return QString::asprintf("%.*g", 15, tenths * 0.1);
}

std::int16_t SatelliteDialog144::tenthsFromDegrees(double degrees) {
    return std::int16_t(std::trunc(degrees * 10));
}

SatelliteDialog144::SatelliteDialog144(ChannelDatabase& database, SatelliteNode* satellite,
                                       QWidget* parent)
    : SatelliteDialog(database, satellite, parent) {
    const DialogUnits units(font());
    const Satellite& stored = *satellite_;

    buildNameRow(units);
    auto* degreeLabel = new QLabel(QStringLiteral("Degree"), this);
    units.place(degreeLabel, labelLeft, 26, fieldLeft - labelLeft - 2, 8);
    degreeEdit_ = new QLineEdit(this);
    units.place(degreeEdit_, fieldLeft, 24, 36, 12);
    degreeLabel->setBuddy(degreeEdit_);
    const int columnBottom =
        buildLnbColumn(units, 40,
                       {QStringLiteral("UNIV"), QStringLiteral("5150"), QStringLiteral("9750"),
                        QStringLiteral("10000"), QStringLiteral("10050"), QStringLiteral("10600"),
                        QStringLiteral("10750"), QStringLiteral("11200"), QStringLiteral("11475"),
                        QStringLiteral("CUSTOM")});

    const int innerLeft = rightColumnLeft + 6;
    const int innerLabel = 30;
    const int innerList = 50;
    auto* diseqcBox = new QGroupBox(QStringLiteral("DiSEqC"), this);
    units.place(diseqcBox, rightColumnLeft, 36, rightColumnWidth, 46);
    QStringList levels{QStringLiteral("OFF"), QStringLiteral("1.0"), QStringLiteral("1.2")};
    if (database_.headerFlags & ChannelDatabase::usalsFlag)
        levels << QStringLiteral("USALS");
    levelList_ = addList(units, levelLabel_, QStringLiteral("Level"), innerLeft, 48, innerLabel,
                         innerList, levels);
    portList_ = addList(units, portLabel_, QString(), innerLeft, 64, innerLabel, innerList);

    dishBox_ = new QGroupBox(QStringLiteral("Dish contorl"), this);
    units.place(dishBox_, rightColumnLeft, 86, rightColumnWidth, 60);
    skewOn_ = new QCheckBox(QStringLiteral("Skew"), this);
    units.place(skewOn_, innerLeft, 98, innerList, 10);
    skewVLabel_ = new QLabel(QStringLiteral("V"), this);
    units.place(skewVLabel_, innerLeft, 114, innerLabel, 8);
    skewVEdit_ = addDigitsBox(units, innerLeft + innerLabel + 2, 112, 30);
    skewVLabel_->setBuddy(skewVEdit_);
    skewHLabel_ = new QLabel(QStringLiteral("H"), this);
    units.place(skewHLabel_, innerLeft, 130, innerLabel, 8);
    skewHEdit_ = addDigitsBox(units, innerLeft + innerLabel + 2, 128, 30);
    skewHLabel_->setBuddy(skewHEdit_);

    buildButtons(units, std::max(columnBottom, 86 + 60) + 8);

    degreeEdit_->setText(degreeText(stored.orbitalPosition));
    typeList_->setCurrentIndex(stored.lnbType < typeList_->count() ? stored.lnbType : -1);
    frequencyEdit_->setText(QString::number(stored.lnbFrequency1));
    supplyOn_->setChecked(stored.lnbControl & 0x40);
    const bool skew = hasSkew();
    skewOn_->setChecked(skew && stored.skewEnabled);
    skewVEdit_->setText(QString::number(skew ? stored.skewV : 0));
    skewHEdit_->setText(QString::number(skew ? stored.skewH : 0));
    const bool universalType = stored.lnbType == universal;
    toneOn_->setChecked(!universalType && (stored.lnbControl & 0x10));
    setPower(universalType ? 0 : stored.lnbControl & 0x03);
    int level = levelOff;
    if (stored.positionerControl & 0x80)
        level = (stored.positionerControl & 0x08) ? levelUsals : level12;
    else if (stored.diseqcControl & 0x10)
        level = level10;
    // Without "USALS" on offer such a satellite opens at "OFF".
    levelList_->setCurrentIndex(level < levelList_->count() ? level : levelOff);
    fillPorts();
    applyEnabling();

    connect(typeList_, &QComboBox::currentIndexChanged, this, &SatelliteDialog144::applyEnabling);
    connect(levelList_, &QComboBox::currentIndexChanged, this, [this] {
        fillPorts();
        applyEnabling();
    });
    addSatelliteTips(*this, stored);
}

bool SatelliteDialog144::hasSkew() const {
    return database_.headerFlags & ChannelDatabase::skewFlag;
}

void SatelliteDialog144::fillPorts() {
    // The choice always comes from the stored record, also after a change of level.
    const Satellite& stored = *satellite_;
    const int level = levelList_->currentIndex();
    portList_->clear();
    if (level == level10) {
        portLabel_->setText(QStringLiteral("Port"));
        portList_->addItems(
            {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});
        portList_->setCurrentIndex(stored.diseqcPort < 4 ? stored.diseqcPort : -1);
    } else if (level == level12) {
        portLabel_->setText(QStringLiteral("Usage"));
        portList_->addItems({QStringLiteral("NO"), QStringLiteral("SET")});
        portList_->setCurrentIndex(stored.positionerControl & 0x01);
    } else {
        portLabel_->clear();
    }
}

void SatelliteDialog144::applyEnabling() {
    const int type = typeList_->currentIndex();
    const int level = levelList_->currentIndex();
    const bool powered = type != universal;
    powerBox_->setEnabled(powered);
    toneBox_->setEnabled(powered);
    const bool isCustom = type == custom;
    frequencyLabel_->setEnabled(isCustom);
    frequencyEdit_->setEnabled(isCustom);
    frequencyUnit_->setEnabled(isCustom);
    // A positioner's "Usage" only means something once the satellite has a position number.
    const bool ports = level == level10 || (level == level12 && satellite_->positionerIndex != 0);
    portLabel_->setEnabled(ports);
    portList_->setEnabled(ports);
    const bool skew = hasSkew();
    for (QWidget* widget : {static_cast<QWidget*>(dishBox_), static_cast<QWidget*>(skewOn_),
                            static_cast<QWidget*>(skewVLabel_), static_cast<QWidget*>(skewVEdit_),
                            static_cast<QWidget*>(skewHLabel_), static_cast<QWidget*>(skewHEdit_)})
        widget->setEnabled(skew);
}

void SatelliteDialog144::accept() {
    Satellite& stored = *satellite_;

    const std::optional<QByteArray> name = readName();
    if (!name)
        return;
    const std::optional<std::uint16_t> frequency = readFrequency();
    if (!frequency)
        return;
    const std::optional<double> degrees = readNumber(degreeEdit_, -180, 180);
    if (!degrees)
        return;
    const std::optional<long long> skewH = readByte(skewHEdit_, 0, 180);
    if (!skewH)
        return;
    const std::optional<long long> skewV = readByte(skewVEdit_, 0, 180);
    if (!skewV)
        return;

    storeName(*name);
    if (store(stored.lnbFrequency1, *frequency))
        store(stored.lnbFrequency2, *frequency);

    const int type = typeList_->currentIndex();
    int control = supplyOn_->isChecked() ? 0x40 : 0;
    if (type != universal)
        control |= std::max(power(), 0) | (toneOn_->isChecked() ? 0x10 : 0);
    store(stored.lnbControl, control);
    if (type == universal)
        treeIcon_ = universalIcon;
    else if (type == c5150 || (type == custom && *frequency == 5150))
        treeIcon_ = cBandIcon;
    else
        treeIcon_ = singleIcon;
    if (type >= 0)
        store(stored.lnbType, type);

    switch (levelList_->currentIndex()) {
    case level10:
        if (portList_->currentIndex() >= 0)
            store(stored.diseqcPort, portList_->currentIndex());
        store(stored.diseqcControl, 0x10);
        store(stored.positionerControl, 0);
        break;
    case level12:
        store(stored.diseqcControl, 0);
        store(stored.positionerControl, 0x80 | std::max(portList_->currentIndex(), 0));
        break;
    case levelUsals:
        store(stored.diseqcControl, 0);
        store(stored.positionerControl, 0x88);
        break;
    default:
        store(stored.diseqcControl, 0);
        store(stored.positionerControl, 0);
        break;
    }

    store(stored.orbitalPosition, tenthsFromDegrees(*degrees));
    if (hasSkew()) {
        store(stored.skewEnabled, skewOn_->isChecked() ? 1 : 0);
        store(stored.skewV, *skewV);
        store(stored.skewH, *skewH);
    }
    QDialog::accept();
}
