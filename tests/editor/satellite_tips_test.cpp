// Tips on the "Satellite" windows' LNB and DiSEqC controls: what each does, and for a
// greyed-out control why, following the window's choices.
#include "channels/channel_database.h"
#include "editor/satellite_dialog143.h"
#include "editor/satellite_dialog144.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace {

// The reason a greyed-out control gives, or "" when it is not greyed out. Every control has a
// tip, greyed out or not.
QString whyGreyed(const QWidget* control) {
    const QString tip = control->toolTip();
    EXPECT_FALSE(tip.isEmpty()) << control->metaObject()->className();
    const qsizetype at = tip.indexOf(QStringLiteral("\nGreyed out: "));
    EXPECT_EQ(at >= 0, !control->isEnabled()) << tip.toStdString();
    return at < 0 ? QString() : tip.mid(at + 13);
}

TEST(SatelliteTips, Layout1SaysWhyEachControlIsGreyedOut) {
    ChannelDatabase database;
    database.layout = 1;
    database.lnbConfigs = {
        {10750, 10750, 4, 1, 0x01, 2, 1, 1}, // SINGLE, DiSEqC 1.0
        {9750, 10600, 2, 0, 0x22, 7, 0, 2},  // UNIV 2, DiSEqC 1.1
    };
    database.lnbConfigCount = 2;
    Satellite record;
    record.name = "Astra";
    SatelliteDialog143 dialog(database, database.appendSatellite(record));
    const QString noLink =
        QStringLiteral("\"No link\" has no LNB settings; choose an entry in \"LNB Config\".");
    const QString noType = QStringLiteral("Choose an \"LNB Type\" first.");
    const QString singleOnly = QStringLiteral("Only a \"SINGLE\" LNB uses this.");
    const QString switchOnly =
        QStringLiteral("Only the DiSEqC levels \"1.0\" and \"1.1\" use a switch.");
    const QString positionerOnly =
        QStringLiteral("Only the DiSEqC level \"1.2\" uses a positioner.");

    const struct {
        int config;
        int type;  // -1: as the entry has it
        int level; // -1: as the entry has it
        QString type_, frequency, power, level_, port, positioner;
    } cases[] = {
        {0, -1, -1, "", "", "", "", "", positionerOnly},
        {1, -1, -1, "", singleOnly, singleOnly, "", "", positionerOnly},
        {1, -1, SatelliteDialog143::level12, "", singleOnly, singleOnly, "", switchOnly, ""},
        {1, SatelliteDialog143::noType, -1, "", noType, noType, noType, noType, noType},
        {SatelliteDialog143::noLink, -1, -1, noLink, noLink, noLink, noLink, noLink, noLink},
    };
    for (const auto& c : cases) {
        dialog.configList()->setCurrentIndex(c.config);
        if (c.type >= 0)
            dialog.typeList()->setCurrentIndex(c.type);
        if (c.level >= 0)
            dialog.levelList()->setCurrentIndex(c.level);
        const std::string which = QStringLiteral("config %1 type %2 level %3")
                                      .arg(c.config)
                                      .arg(dialog.typeList()->currentIndex())
                                      .arg(dialog.levelList()->currentIndex())
                                      .toStdString();
        EXPECT_EQ(whyGreyed(dialog.configList()), QString()) << which;
        EXPECT_EQ(whyGreyed(dialog.typeList()), c.type_) << which;
        EXPECT_EQ(whyGreyed(dialog.frequencyEdit()), c.frequency) << which;
        EXPECT_EQ(whyGreyed(dialog.powerBox()), c.power) << which;
        EXPECT_EQ(whyGreyed(dialog.toneBox()), c.power) << which;
        EXPECT_EQ(whyGreyed(dialog.levelList()), c.level_) << which;
        EXPECT_EQ(whyGreyed(dialog.portList()), c.port) << which;
        EXPECT_EQ(whyGreyed(dialog.repeatList()), c.port) << which;
        EXPECT_EQ(whyGreyed(dialog.positionerBox()), c.positioner) << which;
        EXPECT_EQ(whyGreyed(dialog.indexEdit()), c.positioner) << which;
    }
    // A control's label says the same as the control.
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->buddy()) {
            EXPECT_EQ(label->toolTip(), label->buddy()->toolTip()) << label->text().toStdString();
        }
    }
}

TEST(SatelliteTips, Layout2SaysWhyEachControlIsGreyedOut) {
    ChannelDatabase database;
    database.layout = 2;
    database.headerFlags = ChannelDatabase::usalsFlag; // no skew settings
    Satellite record;
    record.name = "Hotbird";
    record.lnbType = SatelliteDialog144::universal;
    record.positionerControl = 0x80; // DiSEqC 1.2, no position number yet
    SatelliteDialog144 dialog(database, database.appendSatellite(record));

    EXPECT_EQ(whyGreyed(dialog.powerBox()),
              QStringLiteral("A universal LNB (\"UNIV\") gets them from the receiver as each "
                             "channel needs."));
    EXPECT_EQ(whyGreyed(dialog.frequencyEdit()),
              QStringLiteral("Only the LNB type \"CUSTOM\" takes a typed frequency."));
    EXPECT_EQ(whyGreyed(dialog.portList()),
              QStringLiteral("The satellite has no position number in the positioner."));
    EXPECT_TRUE(dialog.portList()->toolTip().startsWith("The positioner setting"));
    EXPECT_EQ(whyGreyed(dialog.skewOn()), QStringLiteral("This file holds no skew settings."));
    EXPECT_TRUE(dialog.levelList()->toolTip().contains("USALS"));

    dialog.typeList()->setCurrentIndex(SatelliteDialog144::custom);
    dialog.levelList()->setCurrentIndex(SatelliteDialog144::level10);
    EXPECT_EQ(whyGreyed(dialog.powerBox()), QString());
    EXPECT_EQ(whyGreyed(dialog.frequencyEdit()), QString());
    EXPECT_EQ(dialog.portList()->toolTip(),
              QStringLiteral("The switch port this LNB is connected to."));
    dialog.levelList()->setCurrentIndex(SatelliteDialog144::levelUsals);
    EXPECT_EQ(whyGreyed(dialog.portList()),
              QStringLiteral("Only the DiSEqC levels \"1.0\" and \"1.2\" use this list."));
}

} // namespace
