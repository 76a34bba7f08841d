#include "editor/satellite_dialog143.h"

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

namespace {

QStringList numbered(int count) {
    QStringList entries;
    for (int i = 1; i <= count; ++i)
        entries << QString::number(i);
    return entries;
}

// Selects `index`, or nothing when the list has no such entry.
void selectOrNone(QComboBox* list, int index) {
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

} // namespace

SatelliteDialog143::SatelliteDialog143(ChannelDatabase& database, SatelliteNode* satellite,
                                       QWidget* parent)
    : SatelliteDialog(database, satellite, parent) {
    const DialogUnits units(font());
    const int labelWidth = fieldLeft - labelLeft - 2;

    buildNameRow(units);
    configList_ = addList(units, configLabel_, QStringLiteral("LNB Config"), labelLeft, 24,
                          labelWidth, 50, numbered(16) << QStringLiteral("No link"));
    const int columnBottom =
        buildLnbColumn(units, 40,
                       {QString(), QStringLiteral("UNIV 1"), QStringLiteral("UNIV 2"),
                        QStringLiteral("UNIV 3"), QStringLiteral("SINGLE")});

    const int innerLeft = rightColumnLeft + 6;
    const int innerLabel = 30;
    const int innerList = 50;
    diseqcBox_ = new QGroupBox(QStringLiteral("DiSEqC"), this);
    units.place(diseqcBox_, rightColumnLeft, 36, rightColumnWidth, 62);
    levelList_ =
        addList(units, levelLabel_, QStringLiteral("Level"), innerLeft, 48, innerLabel, innerList,
                {QStringLiteral("OFF"), QStringLiteral("1.0"), QStringLiteral("1.1"),
                 QStringLiteral("1.2")});
    portList_ =
        addList(units, portLabel_, QStringLiteral("Port"), innerLeft, 64, innerLabel, innerList);
    repeatList_ = addList(
        units, repeatLabel_, QStringLiteral("Repeat"), innerLeft, 80, innerLabel, innerList,
        {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});

    positionerBox_ = new QGroupBox(QStringLiteral("DiSEqC Positioner"), this);
    units.place(positionerBox_, rightColumnLeft, 102, rightColumnWidth, 46);
    usageList_ = addList(units, usageLabel_, QStringLiteral("Usage"), innerLeft, 114, innerLabel,
                         innerList, {QStringLiteral("NO"), QStringLiteral("SET")});
    indexLabel_ = new QLabel(QStringLiteral("Index"), this);
    units.place(indexLabel_, innerLeft, 132, innerLabel, 8);
    indexEdit_ = addDigitsBox(units, innerLeft + innerLabel + 2, 130, 30);
    indexLabel_->setBuddy(indexEdit_);

    buildButtons(units, std::max(columnBottom, 102 + 46) + 8);

    // The satellite's own values, then those of its LNB configuration.
    selectOrNone(usageList_, int(satellite_->positionerUsage) - 1);
    indexEdit_->setText(QString::number(satellite_->positionerIndex));
    selectOrNone(configList_, satellite_->lnbConfigIndex);
    loadConfig();

    connect(configList_, &QComboBox::currentIndexChanged, this,
            &SatelliteDialog143::onConfigChanged);
    connect(typeList_, &QComboBox::currentIndexChanged, this, &SatelliteDialog143::applyEnabling);
    connect(levelList_, &QComboBox::currentIndexChanged, this, &SatelliteDialog143::onLevelChanged);
    addSatelliteTips(*this);
}

int SatelliteDialog143::configIndex() const {
    const int chosen = configList_->currentIndex();
    return chosen >= 0 ? chosen : satellite_->lnbConfigIndex;
}

LnbConfig* SatelliteDialog143::config() const {
    return database_.lnbConfigAt(std::uint8_t(configIndex()));
}

void SatelliteDialog143::loadConfig() {
    const LnbConfig* entry = config();
    if (!entry) {
        typeList_->setCurrentIndex(-1);
        frequencyEdit_->setText(QStringLiteral("0"));
        supplyOn_->setChecked(false);
        toneOn_->setChecked(false);
        setPower(-1);
        levelList_->setCurrentIndex(-1);
        repeatList_->setCurrentIndex(-1);
        fillPorts(-1);
        applyEnabling();
        return;
    }
    selectOrNone(typeList_, entry->lnbType);
    frequencyEdit_->setText(QString::number(entry->lnbFrequency1));
    supplyOn_->setChecked(entry->supply12V != 0);
    // Shown whatever the type, so that choosing "SINGLE" shows what is stored.
    toneOn_->setChecked(entry->tone22k == 1);
    setPower(entry->lnbPower);
    levelList_->setCurrentIndex((entry->diseqcControl & 0x08) ? level12
                                                              : (entry->diseqcControl & 0x03));
    selectOrNone(repeatList_, entry->diseqcControl >> 4);
    fillPorts(entry->diseqcPort);
    applyEnabling();
}

void SatelliteDialog143::fillPorts(int port) {
    const int level = levelList_->currentIndex();
    const int count = level == level10 ? 4 : level == level11 ? 16 : 0;
    const QSignalBlocker quiet(portList_);
    portList_->clear();
    portList_->addItems(numbered(count));
    selectOrNone(portList_, port);
}

void SatelliteDialog143::applyEnabling() {
    // Without an entry there is nothing the LNB controls could be stored into.
    const bool linked = config() != nullptr;
    const int type = typeList_->currentIndex();
    const int level = levelList_->currentIndex();
    const bool typed = linked && type != noType;
    const bool isSingle = typed && type == single;
    const bool ports = typed && (level == level10 || level == level11);
    const bool positioner = typed && level == level12;

    typeLabel_->setEnabled(linked);
    typeList_->setEnabled(linked);
    supplyBox_->setEnabled(typed);
    levelLabel_->setEnabled(typed);
    levelList_->setEnabled(typed);
    for (QWidget* widget :
         {static_cast<QWidget*>(powerBox_), static_cast<QWidget*>(toneBox_),
          static_cast<QWidget*>(frequencyLabel_), static_cast<QWidget*>(frequencyEdit_),
          static_cast<QWidget*>(frequencyUnit_)})
        widget->setEnabled(isSingle);
    for (QWidget* widget : {portLabel_, repeatLabel_})
        widget->setEnabled(ports);
    portList_->setEnabled(ports);
    repeatList_->setEnabled(ports);
    positionerBox_->setEnabled(positioner);
    usageLabel_->setEnabled(positioner);
    usageList_->setEnabled(positioner);
    indexLabel_->setEnabled(positioner);
    indexEdit_->setEnabled(positioner);
}

void SatelliteDialog143::onConfigChanged() {
    // Edits of the entry shown before are dropped: the new entry is shown as stored.
    loadConfig();
}

void SatelliteDialog143::onLevelChanged() {
    // The chosen port stays when the new level offers it; without one, the stored port.
    const LnbConfig* entry = config();
    const int chosen = portList_->currentIndex();
    fillPorts(chosen >= 0 ? chosen : entry ? entry->diseqcPort : -1);
    applyEnabling();
}

void SatelliteDialog143::accept() {
    LnbConfig* entry = config();
    const int level = levelList_->currentIndex();
    const bool positioner = level == level12;

    const std::optional<QByteArray> name = readName();
    if (!name)
        return;
    // "Index" is stored only with level "1.2"; otherwise its box is disabled and ignored.
    std::optional<long long> index = 0;
    if (positioner && !(index = readInteger(indexEdit_, 0, 255)))
        return;
    std::optional<std::uint16_t> frequency = 0;
    if (entry && !(frequency = readFrequency()))
        return;

    store(satellite_->lnbConfigIndex, configIndex());
    treeIcon_ = noLnbIcon;
    if (entry) {
        if (typeList_->currentIndex() >= 0)
            store(entry->lnbType, typeList_->currentIndex());
        if (store(entry->lnbFrequency1, *frequency))
            store(entry->lnbFrequency2, *frequency);
        store(entry->supply12V, supplyOn_->isChecked() ? 1 : 0);
        if (entry->lnbType == single) {
            if (power() >= 0)
                store(entry->lnbPower, power());
            // A stored "not set" (0) stays until the user turns the tone on or off.
            if (toneOn_->isChecked() != (entry->tone22k == 1))
                store(entry->tone22k, toneOn_->isChecked() ? 1 : 2);
        }
        const int repeat = repeatList_->currentIndex();
        const int repeatBits = repeat >= 0 ? repeat << 4 : (entry->diseqcControl & 0xF0);
        store(entry->diseqcControl, (positioner ? 0x08 : level) | repeatBits);
        if (portList_->count() == 0)
            store(entry->diseqcPort, 255);
        else if (portList_->currentIndex() >= 0)
            store(entry->diseqcPort, portList_->currentIndex());

        if (entry->lnbType >= 1 && entry->lnbType <= 3)
            treeIcon_ = universalIcon;
        else if (entry->lnbType == single)
            treeIcon_ = entry->lnbFrequency1 == 5150 ? cBandIcon : singleIcon;
    }

    if (positioner) {
        store(satellite_->positionerUsage, usageList_->currentIndex() + 1);
        store(satellite_->positionerIndex, *index);
    } else {
        store(satellite_->positionerUsage, 0);
        store(satellite_->positionerIndex, 0);
    }
    storeName(*name);
    QDialog::accept();
}
