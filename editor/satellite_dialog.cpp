#include "editor/satellite_dialog.h"

#include "channels/channel_nodes.h"
#include "channels/name_codec.h"
#include "widgets/dialog_units.h"
#include "widgets/message_box.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include <algorithm>
#include <limits>

namespace {

// The digits of a typed integer, blanks around them allowed; nothing when the text is not one.
// Values too long for the type count as the largest (or smallest) one, which every range
// check then refuses.
std::optional<long long> parseInteger(const QString& text, bool allowSign) {
    static const QRegularExpression signedForm(QStringLiteral("^\\s*([+-]?)(\\d+)\\s*$"));
    static const QRegularExpression unsignedForm(QStringLiteral("^\\s*(\\+?)(\\d+)\\s*$"));
    const QRegularExpressionMatch match = (allowSign ? signedForm : unsignedForm).match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const bool negative = match.captured(1) == QLatin1String("-");
    bool ok = false;
    const long long magnitude = match.captured(2).toLongLong(&ok);
    if (!ok)
        return negative ? std::numeric_limits<long long>::min()
                        : std::numeric_limits<long long>::max();
    return negative ? -magnitude : magnitude;
}

} // namespace

QString SatelliteDialog::integerMessage() {
    return QStringLiteral("Please enter an integer.");
}

QString SatelliteDialog::positiveIntegerMessage() {
    return QStringLiteral("Please enter a positive integer.");
}

QString SatelliteDialog::numberMessage() {
    return QStringLiteral("Please enter a number.");
}

QString SatelliteDialog::integerRangeMessage(long long lowest, long long highest) {
    return QStringLiteral("Please enter an integer between %1 and %2.").arg(lowest).arg(highest);
}

QString SatelliteDialog::numberRangeMessage(double lowest, double highest) {
    return QStringLiteral("Please enter a number between %1 and %2.").arg(lowest).arg(highest);
}

SatelliteDialog::SatelliteDialog(ChannelDatabase& database, SatelliteNode* satellite,
                                 QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      database_(database), satellite_(satellite) {
    setWindowTitle(QStringLiteral("Satellite"));
}

void SatelliteDialog::buildNameRow(const DialogUnits& units) {
    auto* label = new QLabel(QStringLiteral("Name"), this);
    units.place(label, labelLeft, 9, fieldLeft - labelLeft - 2, 8);
    nameEdit_ = new QLineEdit(this);
    nameEdit_->setMaxLength(NameCodec::maxNameBytes);
    units.place(nameEdit_, fieldLeft, 7, windowWidth - 7 - fieldLeft, 12);
    nameEdit_->setText(NameCodec::toText(satellite_->name));
    // What the box holds before any edit: an untouched name keeps its stored bytes.
    shownName_ = nameEdit_->text();
}

QComboBox* SatelliteDialog::addList(const DialogUnits& units, QLabel*& label, const QString& text,
                                    int left, int top, int labelWidth, int listWidth,
                                    const QStringList& entries) {
    label = new QLabel(text, this);
    units.place(label, left, top + 2, labelWidth, 8);
    auto* list = new QComboBox(this);
    list->addItems(entries);
    units.place(list, left + labelWidth + 2, top, listWidth, 12);
    label->setBuddy(list);
    return list;
}

QLineEdit* SatelliteDialog::addDigitsBox(const DialogUnits& units, int left, int top, int width) {
    auto* box = new QLineEdit(this);
    // Digits only, as the receiver's numbers are typed; the value is checked on OK.
    static const QRegularExpression digits(QStringLiteral("\\d*"));
    box->setValidator(new QRegularExpressionValidator(digits, box));
    units.place(box, left, top, width, 12);
    return box;
}

int SatelliteDialog::buildLnbColumn(const DialogUnits& units, int typeTop,
                                    const QStringList& types) {
    typeList_ = addList(units, typeLabel_, QStringLiteral("LNB Type"), labelLeft, typeTop,
                        fieldLeft - labelLeft - 2, 62, types);

    const int frequencyTop = typeTop + 16;
    frequencyLabel_ = new QLabel(QStringLiteral("Custom Freq."), this);
    units.place(frequencyLabel_, labelLeft, frequencyTop + 2, fieldLeft - labelLeft - 2, 8);
    frequencyEdit_ = addDigitsBox(units, fieldLeft, frequencyTop, 36);
    frequencyLabel_->setBuddy(frequencyEdit_);
    frequencyUnit_ = new QLabel(QStringLiteral("[MHz]"), this);
    units.place(frequencyUnit_, fieldLeft + 39, frequencyTop + 2, 26, 8);

    const int powerTop = frequencyTop + 17;
    powerBox_ = new QGroupBox(QStringLiteral("LNB Power"), this);
    units.place(powerBox_, labelLeft, powerTop, columnWidth, 28);
    powerGroup_ = new QButtonGroup(this);
    const char* const powers[] = {"Auto", "13V", "18V", "Off"};
    int buttonsWidth = 0;
    for (int i = 0; i < 4; ++i) {
        auto* button = new QRadioButton(QString::fromLatin1(powers[i]), powerBox_);
        powerGroup_->addButton(button, i);
        powerButtons_[std::size_t(i)] = button;
        buttonsWidth += button->sizeHint().width();
    }
    // The four buttons spread evenly over the group, whatever room their texts need.
    const int inner = powerBox_->width() - units.x(12);
    const int gap = std::max(0, (inner - buttonsWidth) / 3);
    int left = units.x(6);
    for (QRadioButton* button : powerButtons_) {
        const int width = button->sizeHint().width();
        button->setGeometry(left, units.y(13), width, units.y(10));
        left += width + gap;
    }

    const int switchTop = powerTop + 32;
    const int half = (columnWidth - 4) / 2;
    toneBox_ = new QGroupBox(QStringLiteral("22KHz"), this);
    units.place(toneBox_, labelLeft, switchTop, half, 28);
    toneOn_ = new QCheckBox(QStringLiteral("On"), toneBox_);
    units.place(toneOn_, 8, 13, half - 12, 10);
    supplyBox_ = new QGroupBox(QStringLiteral("12V"), this);
    units.place(supplyBox_, labelLeft + half + 4, switchTop, half, 28);
    supplyOn_ = new QCheckBox(QStringLiteral("On"), supplyBox_);
    units.place(supplyOn_, 8, 13, half - 12, 10);
    return switchTop + 28;
}

void SatelliteDialog::buildButtons(const DialogUnits& units, int top) {
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    units.place(ok, windowWidth - 7 - 50 - 6 - 50, top, 50, 14);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    units.place(cancel, windowWidth - 7 - 50, top, 50, 14);
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    setFixedSize(units.size(windowWidth, top + 14 + 7));
    nameEdit_->setFocus();
}

int SatelliteDialog::power() const {
    return powerGroup_->checkedId();
}

void SatelliteDialog::setPower(int power) {
    if (power >= 0 && power < int(powerButtons_.size())) {
        powerButtons_[std::size_t(power)]->setChecked(true);
        return;
    }
    // An exclusive group keeps one button checked; clearing needs it relaxed for a moment.
    powerGroup_->setExclusive(false);
    for (QRadioButton* button : powerButtons_)
        button->setChecked(false);
    powerGroup_->setExclusive(true);
}

bool SatelliteDialog::refuse(QLineEdit* box, const QString& message) {
    showMessage(this, message);
    box->setFocus();
    box->selectAll();
    return false;
}

std::optional<long long> SatelliteDialog::readInteger(QLineEdit* box, long long lowest,
                                                      long long highest) {
    const std::optional<long long> value = parseInteger(box->text(), true);
    if (!value) {
        refuse(box, integerMessage());
        return std::nullopt;
    }
    if (*value < lowest || *value > highest) {
        refuse(box, integerRangeMessage(lowest, highest));
        return std::nullopt;
    }
    return value;
}

std::optional<long long> SatelliteDialog::readPositiveInteger(QLineEdit* box, long long highest) {
    const std::optional<long long> value = parseInteger(box->text(), false);
    if (!value) {
        refuse(box, positiveIntegerMessage());
        return std::nullopt;
    }
    if (*value > highest) {
        refuse(box, integerRangeMessage(0, highest));
        return std::nullopt;
    }
    return value;
}

std::optional<long long> SatelliteDialog::readByte(QLineEdit* box, long long lowest,
                                                   long long highest) {
    const std::optional<long long> value = parseInteger(box->text(), true);
    if (!value || *value < 0 || *value > 255) {
        refuse(box, integerRangeMessage(0, 255));
        return std::nullopt;
    }
    if (*value < lowest || *value > highest) {
        refuse(box, integerRangeMessage(lowest, highest));
        return std::nullopt;
    }
    return value;
}

std::optional<double> SatelliteDialog::readNumber(QLineEdit* box, double lowest, double highest) {
    bool ok = false;
    const double value = QLocale::c().toDouble(box->text().trimmed(), &ok);
    if (!ok) {
        refuse(box, numberMessage());
        return std::nullopt;
    }
    // Written so that a value that is not a number fails too.
    if (!(value >= lowest && value <= highest)) {
        refuse(box, numberRangeMessage(lowest, highest));
        return std::nullopt;
    }
    return value;
}

std::optional<QByteArray> SatelliteDialog::readName() {
    const QString text = nameEdit_->text();
    if (text == shownName_)
        return satellite_->name;
    std::optional<QByteArray> bytes = NameCodec::fromText(text);
    if (!bytes) {
        refuse(nameEdit_, NameCodec::refusalMessage(text));
        return std::nullopt;
    }
    return bytes;
}

void SatelliteDialog::storeName(const QByteArray& name) {
    if (store(satellite_->name, name))
        nameChanged_ = true;
}

std::optional<std::uint16_t> SatelliteDialog::readFrequency() {
    // The field holds 16 bits; a larger value would be stored as another frequency.
    const std::optional<long long> value =
        readPositiveInteger(frequencyEdit_, std::numeric_limits<std::uint16_t>::max());
    if (!value)
        return std::nullopt;
    return std::uint16_t(*value);
}
