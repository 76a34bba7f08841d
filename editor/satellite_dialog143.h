#pragma once

#include "editor/satellite_dialog.h"

struct LnbConfig;

// The "Satellite" window of layout-1 files. The satellite picks one entry of the database's
// shared LNB configuration table ("LNB Config"); the LNB controls show and edit that entry,
// so an edit applies to every satellite that uses it. The satellite itself keeps its name and
// its DiSEqC positioner settings.
//
// Lists left without a selection (a stored value the list does not offer) keep the stored
// value. "LNB Power" and "22KHz" are shown for every LNB type and stored only for "SINGLE",
// the one type for which they can be changed.
class SatelliteDialog143 : public SatelliteDialog {
    Q_OBJECT

public:
    SatelliteDialog143(ChannelDatabase& database, SatelliteNode* satellite,
                       QWidget* parent = nullptr);

    // Index 16 of "LNB Config": the satellite uses no entry.
    static constexpr int noLink = 16;
    // The "LNB Type" entries.
    static constexpr int noType = 0;
    static constexpr int single = 4;
    // The "Level" entries.
    static constexpr int levelOff = 0;
    static constexpr int level10 = 1;
    static constexpr int level11 = 2;
    static constexpr int level12 = 3;

    QComboBox* configList() const { return configList_; }
    QComboBox* levelList() const { return levelList_; }
    QComboBox* portList() const { return portList_; }
    QComboBox* repeatList() const { return repeatList_; }
    QGroupBox* positionerBox() const { return positionerBox_; }
    QComboBox* usageList() const { return usageList_; }
    QLineEdit* indexEdit() const { return indexEdit_; }

public slots:
    // Checks the typed values and writes the records; stays open after a refused value.
    void accept() override;

private:
    // The table position the window works on: the "LNB Config" choice, or the stored one when
    // the list cannot show it.
    int configIndex() const;
    LnbConfig* config() const;
    void loadConfig();
    void fillPorts(int port);
    void applyEnabling();

    void onConfigChanged();
    void onLevelChanged();

    QComboBox* configList_ = nullptr;
    QLabel* configLabel_ = nullptr;
    QGroupBox* diseqcBox_ = nullptr;
    QComboBox* levelList_ = nullptr;
    QLabel* levelLabel_ = nullptr;
    QComboBox* portList_ = nullptr;
    QLabel* portLabel_ = nullptr;
    QComboBox* repeatList_ = nullptr;
    QLabel* repeatLabel_ = nullptr;
    QGroupBox* positionerBox_ = nullptr;
    QComboBox* usageList_ = nullptr;
    QLabel* usageLabel_ = nullptr;
    QLineEdit* indexEdit_ = nullptr;
    QLabel* indexLabel_ = nullptr;
};
