#pragma once

#include "editor/satellite_dialog.h"

#include <cstdint>

// The "Satellite" window of layout-2 files, where every satellite carries its own LNB,
// DiSEqC and positioner settings, its orbital position ("Degree") and, when the file has
// them, its skew settings.
class SatelliteDialog144 : public SatelliteDialog {
    Q_OBJECT

public:
    SatelliteDialog144(ChannelDatabase& database, SatelliteNode* satellite,
                       QWidget* parent = nullptr);

    // The "LNB Type" entries.
    static constexpr int universal = 0;
    static constexpr int c5150 = 1;
    static constexpr int custom = 9;
    // The "Level" entries.
    static constexpr int levelOff = 0;
    static constexpr int level10 = 1;
    static constexpr int level12 = 2;
    static constexpr int levelUsals = 3;

    // "Degree" as shown for a stored orbital position (tenths of a degree), and the stored
    // value for a typed number of degrees (truncated toward zero). Every position from -1800
    // to 1800 comes back unchanged.
    static QString degreeText(std::int16_t tenths);
    static std::int16_t tenthsFromDegrees(double degrees);

    QLineEdit* degreeEdit() const { return degreeEdit_; }
    QComboBox* levelList() const { return levelList_; }
    QLabel* portLabel() const { return portLabel_; }
    QComboBox* portList() const { return portList_; }
    QCheckBox* skewOn() const { return skewOn_; }
    QLineEdit* skewVEdit() const { return skewVEdit_; }
    QLineEdit* skewHEdit() const { return skewHEdit_; }

public slots:
    // Checks the typed values and writes the satellite; stays open after a refused value.
    void accept() override;

private:
    bool hasSkew() const;
    void fillPorts();
    void applyEnabling();

    QLineEdit* degreeEdit_ = nullptr;
    QComboBox* levelList_ = nullptr;
    QLabel* levelLabel_ = nullptr;
    QComboBox* portList_ = nullptr;
    QLabel* portLabel_ = nullptr;
    QGroupBox* dishBox_ = nullptr;
    QCheckBox* skewOn_ = nullptr;
    QLabel* skewVLabel_ = nullptr;
    QLineEdit* skewVEdit_ = nullptr;
    QLabel* skewHLabel_ = nullptr;
    QLineEdit* skewHEdit_ = nullptr;
};
