#pragma once

#include <QDialog>

#include <array>
#include <cstdint>
#include <optional>

class ChannelDatabase;
class DialogUnits;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class SatelliteNode;

// What the two "Satellite" windows share: the name, LNB frequency, LNB power, 22 kHz and 12 V
// controls, the reading of typed numbers with the usual input-check messages, and the results
// the editor reads after OK. The windows edit the records only when OK is pressed, and write a
// field only when its new value differs from the stored one; Cancel writes nothing. The
// satellite must be a node of the database the window is given.
class SatelliteDialog : public QDialog {
    Q_OBJECT

public:
    // Some field of the satellite or of its LNB configuration was written.
    bool dataChanged() const { return dataChanged_; }
    // The satellite's name was written.
    bool nameChanged() const { return nameChanged_; }
    // The image the satellite's tree item should show now.
    int treeIcon() const { return treeIcon_; }

    // The controls both windows have, for tests and tools that drive them.
    QLineEdit* nameEdit() const { return nameEdit_; }
    QComboBox* typeList() const { return typeList_; }
    QLineEdit* frequencyEdit() const { return frequencyEdit_; }
    QGroupBox* powerBox() const { return powerBox_; }
    QRadioButton* powerButton(int index) const { return powerButtons_.at(std::size_t(index)); }
    QGroupBox* toneBox() const { return toneBox_; }
    QCheckBox* toneOn() const { return toneOn_; }
    QCheckBox* supplyOn() const { return supplyOn_; }

    // The input-check messages.
    static QString integerMessage();
    static QString positiveIntegerMessage();
    static QString numberMessage();
    static QString integerRangeMessage(long long lowest, long long highest);
    static QString numberRangeMessage(double lowest, double highest);

    // The icon numbers of the satellite tree.
    static constexpr int cBandIcon = 0;
    static constexpr int singleIcon = 1;
    static constexpr int universalIcon = 2;
    static constexpr int noLnbIcon = 7;

protected:
    SatelliteDialog(ChannelDatabase& database, SatelliteNode* satellite, QWidget* parent);

    // Builders, called by each window in the order of its controls (which is the Tab order).
    void buildNameRow(const DialogUnits& units);
    // "LNB Type" at `typeTop`, "Custom Freq." below it, then the "LNB Power", "22KHz" and "12V"
    // groups; returns the bottom of the column.
    int buildLnbColumn(const DialogUnits& units, int typeTop, const QStringList& types);
    void buildButtons(const DialogUnits& units, int top);

    // A label and a drop-down list on one row of a column.
    QComboBox* addList(const DialogUnits& units, QLabel*& label, const QString& text, int left,
                       int top, int labelWidth, int listWidth, const QStringList& entries = {});
    QLineEdit* addDigitsBox(const DialogUnits& units, int left, int top, int width);

    // 0 to 3, or -1 when no button is checked; setPower with any other value clears them.
    int power() const;
    void setPower(int power);

    // Writes `value` into `field` when it differs, and notes the change.
    template <typename Field, typename Value>
    bool store(Field& field, Value value) {
        if (field == Field(value))
            return false;
        field = Field(value);
        dataChanged_ = true;
        return true;
    }

    // Shows `message`, gives `box` the focus with its text selected, and returns false.
    bool refuse(QLineEdit* box, const QString& message);
    // The typed number of a box, or nothing after its message was shown. An integer is a
    // decimal number with an optional sign, a positive integer has no sign; blanks around
    // the digits are allowed.
    std::optional<long long> readInteger(QLineEdit* box, long long lowest, long long highest);
    std::optional<long long> readPositiveInteger(QLineEdit* box, long long highest);
    std::optional<long long> readByte(QLineEdit* box, long long lowest, long long highest);
    std::optional<double> readNumber(QLineEdit* box, double lowest, double highest);
    // The edited name as bytes, or nothing after its message was shown. An untouched box gives
    // the stored bytes, whatever they hold.
    std::optional<QByteArray> readName();
    void storeName(const QByteArray& name);
    // "Custom Freq.", at most what its 16-bit field holds.
    std::optional<std::uint16_t> readFrequency();

    ChannelDatabase& database_;
    SatelliteNode* satellite_;
    bool dataChanged_ = false;
    bool nameChanged_ = false;
    int treeIcon_ = noLnbIcon;

    QLineEdit* nameEdit_ = nullptr;
    QString shownName_;
    QComboBox* typeList_ = nullptr;
    QLabel* typeLabel_ = nullptr;
    QLabel* frequencyLabel_ = nullptr;
    QLineEdit* frequencyEdit_ = nullptr;
    QLabel* frequencyUnit_ = nullptr;
    QGroupBox* powerBox_ = nullptr;
    QButtonGroup* powerGroup_ = nullptr;
    std::array<QRadioButton*, 4> powerButtons_{};
    QGroupBox* toneBox_ = nullptr;
    QCheckBox* toneOn_ = nullptr;
    QGroupBox* supplyBox_ = nullptr;
    QCheckBox* supplyOn_ = nullptr;

    // The common geometry of both windows, in dialog units.
    static constexpr int labelLeft = 7;
    static constexpr int fieldLeft = 60;
    static constexpr int columnWidth = 124;
    static constexpr int rightColumnLeft = 138;
    static constexpr int rightColumnWidth = 115;
    static constexpr int windowWidth = 260;
};
