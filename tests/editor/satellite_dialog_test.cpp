#include "channels/channel_database.h"
#include "channels/channel_file_generator.h"
#include "channels/channel_file_reader.h"
#include "channels/channel_file_writer.h"
#include "channels/name_codec.h"
#include "editor/satellite_dialog143.h"
#include "editor/satellite_dialog144.h"
#include "widgets/message_box.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

QStringList entries(const QComboBox* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->itemText(i);
    return texts;
}

QStringList numbers(int count) {
    QStringList texts;
    for (int i = 1; i <= count; ++i)
        texts << QString::number(i);
    return texts;
}

class SatelliteDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        setMessageRecorder([this](const ShownMessage& message) { messages << message.text; });
    }
    void TearDown() override { setMessageRecorder({}); }

    // A layout-1 database with two LNB entries and one satellite on the first.
    SatelliteNode* layout1(Satellite satellite = {}) {
        database.layout = 1;
        database.lnbConfigs = {
            {10750, 10750, 4, 1, 0x01, 2, 1, 1}, // SINGLE, 13V, tone on, DiSEqC 1.0 port 3
            {9750, 10600, 2, 0, 0x22, 7, 0, 2},  // UNIV 2, DiSEqC 1.1 port 8, repeat 2
            {5150, 5150, 4, 2, 0x08, 255, 0, 0}, // SINGLE C band, positioner, tone unset
        };
        database.lnbConfigCount = 3;
        satellite.name = "Astra";
        return database.appendSatellite(std::move(satellite));
    }

    SatelliteNode* layout2(std::uint8_t headerFlags, Satellite satellite) {
        database.layout = 2;
        database.headerFlags = headerFlags;
        if (satellite.name.isEmpty())
            satellite.name = "Hotbird";
        return database.appendSatellite(std::move(satellite));
    }

    template <typename Dialog>
    std::unique_ptr<Dialog> open(SatelliteNode* satellite) {
        auto dialog = std::make_unique<Dialog>(database, satellite);
        dialog->show();
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        return dialog;
    }

    // Clicks OK; true when the window closed with OK.
    static bool pressOk(QDialog& dialog) {
        for (QPushButton* button : dialog.findChildren<QPushButton*>())
            if (button->text() == QStringLiteral("OK"))
                QTest::mouseClick(button, Qt::LeftButton);
        return !dialog.isVisible() && dialog.result() == QDialog::Accepted;
    }

    static void type(QLineEdit* box, const QString& text) {
        box->selectAll();
        box->del();
        // Key clicks carry ASCII only; other characters arrive as typed text.
        for (const QChar character : text) {
            if (character.unicode() < 0x80)
                QTest::keyClick(box, char(character.unicode()));
            else
                box->insert(QString(character));
        }
    }

    ChannelDatabase database;
    QStringList messages;
};

TEST_F(SatelliteDialogTest, NoLinkDisablesTheLnbControlsAndWritesNoEntry) {
    SatelliteNode* satellite = layout1();
    const auto stored = database.lnbConfigs;
    auto dialog = open<SatelliteDialog143>(satellite);
    EXPECT_TRUE(dialog->typeList()->isEnabled());

    dialog->configList()->setCurrentIndex(SatelliteDialog143::noLink);
    // Only the name and the entry choice stay editable.
    for (QWidget* control : dialog->findChildren<QWidget*>())
        if (qobject_cast<QComboBox*>(control) || qobject_cast<QLineEdit*>(control) ||
            qobject_cast<QCheckBox*>(control) || qobject_cast<QRadioButton*>(control))
            EXPECT_EQ(control->isEnabled(),
                      control == dialog->nameEdit() || control == dialog->configList())
                << control->metaObject()->className();
    EXPECT_EQ(dialog->typeList()->currentIndex(), -1);

    ASSERT_TRUE(pressOk(*dialog));
    EXPECT_EQ(satellite->lnbConfigIndex, 16);
    EXPECT_EQ(database.lnbConfigs, stored);
    EXPECT_TRUE(dialog->dataChanged());
    EXPECT_EQ(dialog->treeIcon(), 7);
}

TEST_F(SatelliteDialogTest, TreeIconFollowsTheLnbTypeAndFrequency) {
    struct Case {
        int layout;
        int type;
        const char* frequency;
        int icon;
    };
    const Case cases[] = {
        {1, 4, "5150", 0}, {1, 4, "10750", 1}, {1, 2, "9750", 2},
        {1, 0, "0", 7},    {2, 0, "5150", 2},  {2, 1, "10750", 0},
        {2, 9, "5150", 0}, {2, 9, "10750", 1}, {2, 6, "5150", 1},
    };
    for (const Case& c : cases) {
        database.clear();
        std::unique_ptr<SatelliteDialog> dialog;
        if (c.layout == 1) {
            auto d = open<SatelliteDialog143>(layout1());
            d->typeList()->setCurrentIndex(SatelliteDialog143::single);
            type(d->frequencyEdit(), QString::fromLatin1(c.frequency));
            d->typeList()->setCurrentIndex(c.type);
            dialog = std::move(d);
        } else {
            auto d = open<SatelliteDialog144>(layout2(0, Satellite{}));
            d->typeList()->setCurrentIndex(SatelliteDialog144::custom);
            type(d->frequencyEdit(), QString::fromLatin1(c.frequency));
            d->typeList()->setCurrentIndex(c.type);
            dialog = std::move(d);
        }
        ASSERT_TRUE(pressOk(*dialog)) << c.layout << " " << c.type;
        EXPECT_EQ(dialog->treeIcon(), c.icon) << c.layout << " " << c.type << " " << c.frequency;
    }
    // "UNIV" keeps only the 12 V bit of the LNB control.
    database.clear();
    Satellite universal;
    universal.lnbControl = 0x40 | 0x10 | 0x02;
    SatelliteNode* satellite = layout2(0, universal);
    ASSERT_TRUE(pressOk(*open<SatelliteDialog144>(satellite)));
    EXPECT_EQ(satellite->lnbControl, 0x40);
}

TEST_F(SatelliteDialogTest, PortListFollowsTheDiseqcLevel) {
    struct Case {
        int choice;
        QString label; // the 143 label is always "Port"
        QStringList ports;
        int selected;
        bool enabled;
    };
    const auto check = [](QComboBox* level, QComboBox* ports, QLabel* label, const Case& c) {
        level->setCurrentIndex(c.choice);
        EXPECT_EQ(entries(ports), c.ports) << c.choice;
        EXPECT_EQ(ports->currentIndex(), c.selected) << c.choice;
        EXPECT_EQ(ports->isEnabled(), c.enabled) << c.choice;
        EXPECT_EQ(label->text(), c.label) << c.choice;
    };

    auto d143 = open<SatelliteDialog143>(layout1());
    QLabel* portLabel143 = nullptr;
    for (QLabel* label : d143->findChildren<QLabel*>())
        if (label->buddy() == d143->portList())
            portLabel143 = label;
    ASSERT_NE(portLabel143, nullptr);
    const Case cases143[] = {
        {SatelliteDialog143::level10, "Port", numbers(4), 2, true},
        {SatelliteDialog143::level11, "Port", numbers(16), 2, true},
        {SatelliteDialog143::levelOff, "Port", {}, -1, false},
        {SatelliteDialog143::level12, "Port", {}, -1, false},
    };
    for (const Case& c : cases143)
        check(d143->levelList(), d143->portList(), portLabel143, c);
    // Level "OFF" stores port 255 into the entry.
    d143->levelList()->setCurrentIndex(SatelliteDialog143::levelOff);
    ASSERT_TRUE(pressOk(*d143));
    EXPECT_EQ(database.lnbConfigs[0].diseqcPort, 255);
    EXPECT_EQ(database.lnbConfigs[0].diseqcControl, 0x00);

    database.clear();
    Satellite positioner;
    positioner.positionerIndex = 5;
    positioner.positionerControl = 0x81;
    auto d144 = open<SatelliteDialog144>(layout2(0, positioner));
    const Case cases144[] = {
        {SatelliteDialog144::level10, "Port", numbers(4), 0, true},
        {SatelliteDialog144::level12, "Usage", {"NO", "SET"}, 1, true},
        {SatelliteDialog144::levelOff, "", {}, -1, false},
    };
    for (const Case& c : cases144)
        check(d144->levelList(), d144->portList(), d144->portLabel(), c);
}

TEST_F(SatelliteDialogTest, RefusedValuesKeepTheWindowOpenWithTheBoxFocused) {
    struct Case {
        int layout;
        std::function<QLineEdit*(QDialog&)> box;
        const char* text;
        QString message;
    };
    const auto index143 = [](QDialog& d) {
        auto& dialog = static_cast<SatelliteDialog143&>(d);
        dialog.configList()->setCurrentIndex(2); // the positioner entry
        return dialog.indexEdit();
    };
    const auto frequency143 = [](QDialog& d) {
        return static_cast<SatelliteDialog143&>(d).frequencyEdit();
    };
    const auto frequency144 = [](QDialog& d) {
        auto& dialog = static_cast<SatelliteDialog144&>(d);
        dialog.typeList()->setCurrentIndex(SatelliteDialog144::custom);
        return dialog.frequencyEdit();
    };
    const auto degree = [](QDialog& d) { return static_cast<SatelliteDialog144&>(d).degreeEdit(); };
    const auto skewV = [](QDialog& d) { return static_cast<SatelliteDialog144&>(d).skewVEdit(); };
    const auto skewH = [](QDialog& d) { return static_cast<SatelliteDialog144&>(d).skewHEdit(); };
    const auto name = [](QDialog& d) { return d.findChild<QLineEdit*>(); };
    const Case cases[] = {
        {1, index143, "256", "Please enter an integer between 0 and 255."},
        {1, index143, "", "Please enter an integer."},
        {1, frequency143, "70000", "Please enter an integer between 0 and 65535."},
        {1, frequency143, "", "Please enter a positive integer."},
        {2, frequency144, "65536", "Please enter an integer between 0 and 65535."},
        {2, degree, "180.5", "Please enter a number between -180 and 180."},
        {2, degree, "east", "Please enter a number."},
        {2, skewH, "181", "Please enter an integer between 0 and 180."},
        {2, skewV, "256", "Please enter an integer between 0 and 255."},
        {2, name, "Türksat \u20ac", NameCodec::refusalMessage(QStringLiteral("Türksat \u20ac"))},
    };
    for (const Case& c : cases) {
        database.clear();
        std::unique_ptr<QDialog> dialog;
        if (c.layout == 1)
            dialog = open<SatelliteDialog143>(layout1());
        else
            dialog = open<SatelliteDialog144>(layout2(0x01, Satellite{}));
        const Satellite satellite = *database.satelliteAt(0);
        const auto configs = database.lnbConfigs;
        QLineEdit* box = c.box(*dialog);
        type(box, QString::fromUtf8(c.text));
        messages.clear();

        EXPECT_FALSE(pressOk(*dialog)) << c.text;
        EXPECT_EQ(messages, QStringList{c.message});
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_TRUE(box->hasFocus()) << c.text;
        EXPECT_EQ(*database.satelliteAt(0), satellite) << c.text;
        EXPECT_EQ(database.lnbConfigs, configs);
    }
}

TEST_F(SatelliteDialogTest, ChoosingAnotherEntryAndBackShowsTheStoredValues) {
    auto dialog = open<SatelliteDialog143>(layout1());
    type(dialog->frequencyEdit(), QStringLiteral("11300"));
    dialog->levelList()->setCurrentIndex(SatelliteDialog143::level11);
    dialog->portList()->setCurrentIndex(12);
    dialog->powerButton(3)->setChecked(true);

    dialog->configList()->setCurrentIndex(1);
    EXPECT_EQ(dialog->typeList()->currentText(), QStringLiteral("UNIV 2"));
    EXPECT_EQ(dialog->frequencyEdit()->text(), QStringLiteral("9750"));
    EXPECT_EQ(dialog->portList()->currentText(), QStringLiteral("8"));
    EXPECT_EQ(dialog->repeatList()->currentText(), QStringLiteral("2"));
    // Shown though only "SINGLE" lets them be changed.
    EXPECT_FALSE(dialog->powerBox()->isEnabled());
    EXPECT_TRUE(dialog->powerButton(0)->isChecked());
    EXPECT_FALSE(dialog->toneOn()->isChecked());

    dialog->configList()->setCurrentIndex(0);
    EXPECT_EQ(dialog->frequencyEdit()->text(), QStringLiteral("10750"));
    EXPECT_EQ(dialog->levelList()->currentText(), QStringLiteral("1.0"));
    EXPECT_EQ(dialog->portList()->currentText(), QStringLiteral("3"));
    EXPECT_TRUE(dialog->powerButton(1)->isChecked());
    EXPECT_TRUE(dialog->toneOn()->isChecked());
    ASSERT_TRUE(pressOk(*dialog));
    EXPECT_FALSE(dialog->dataChanged());
}

TEST_F(SatelliteDialogTest, PowerAndToneAreStoredOnlyWhereTheyCanBeChanged) {
    const struct {
        int entry;
        std::function<void(SatelliteDialog143&)> edit;
        std::uint8_t power;
        std::uint8_t tone;
        bool changed;
    } cases[] = {
        // SINGLE: what the user sets is stored, 1 on and 2 off.
        {0, [](SatelliteDialog143& d) { d.toneOn()->setChecked(false); }, 1, 2, true},
        {0, [](SatelliteDialog143& d) { d.powerButton(2)->setChecked(true); }, 2, 1, true},
        // A tone the entry does not set stays so until the user turns it on or off.
        {2, [](SatelliteDialog143&) {}, 2, 0, false},
        {2, [](SatelliteDialog143& d) { d.toneOn()->setChecked(true); }, 2, 1, true},
        // UNIV 2: the disabled controls leave the stored values alone.
        {1, [](SatelliteDialog143&) {}, 0, 2, false},
        // Edits made while "SINGLE" was chosen are stored with it.
        {1,
         [](SatelliteDialog143& d) {
             d.typeList()->setCurrentIndex(SatelliteDialog143::single);
             d.powerButton(3)->setChecked(true);
             d.toneOn()->setChecked(true);
         },
         3, 1, true},
    };
    for (const auto& c : cases) {
        database.clear();
        Satellite satellite;
        satellite.lnbConfigIndex = std::uint8_t(c.entry);
        satellite.positionerUsage = c.entry == 2 ? 1 : 0;
        auto dialog = open<SatelliteDialog143>(layout1(satellite));
        c.edit(*dialog);
        ASSERT_TRUE(pressOk(*dialog));
        const LnbConfig& entry = database.lnbConfigs[std::size_t(c.entry)];
        EXPECT_EQ(entry.lnbPower, c.power) << c.entry;
        EXPECT_EQ(entry.tone22k, c.tone) << c.entry;
        EXPECT_EQ(dialog->dataChanged(), c.changed) << c.entry;
    }
}

TEST_F(SatelliteDialogTest, DegreeIsStoredInTenthsAndEveryPositionRoundTrips) {
    const struct {
        const char* text;
        std::int16_t tenths;
    } cases[] = {{"19.2", 192}, {"-0.55", -5}, {"180", 1800}, {" -180 ", -1800}, {"0.09", 0}};
    for (const auto& c : cases) {
        database.clear();
        SatelliteNode* satellite = layout2(0, Satellite{});
        auto dialog = open<SatelliteDialog144>(satellite);
        type(dialog->degreeEdit(), QString::fromLatin1(c.text));
        ASSERT_TRUE(pressOk(*dialog)) << c.text;
        EXPECT_EQ(satellite->orbitalPosition, c.tenths) << c.text;
    }
    EXPECT_EQ(SatelliteDialog144::degreeText(192), QStringLiteral("19.2"));
    EXPECT_EQ(SatelliteDialog144::degreeText(-50), QStringLiteral("-5"));
    for (int tenths = -1800; tenths <= 1800; ++tenths) {
        const QString text = SatelliteDialog144::degreeText(std::int16_t(tenths));
        ASSERT_EQ(SatelliteDialog144::tenthsFromDegrees(text.toDouble()), tenths) << tenths;
    }
}

TEST_F(SatelliteDialogTest, UsalsIsOfferedOnlyWithItsHeaderFlag) {
    Satellite usals;
    usals.positionerControl = 0x88;
    for (const std::uint8_t flags : {0x00, 0x02}) {
        database.clear();
        SatelliteNode* satellite = layout2(flags, usals);
        auto dialog = open<SatelliteDialog144>(satellite);
        const QStringList expected =
            flags ? QStringList{"OFF", "1.0", "1.2", "USALS"} : QStringList{"OFF", "1.0", "1.2"};
        EXPECT_EQ(entries(dialog->levelList()), expected);
        EXPECT_EQ(dialog->levelList()->currentText(), flags ? "USALS" : "OFF");
        ASSERT_TRUE(pressOk(*dialog));
        EXPECT_EQ(satellite->positionerControl, flags ? 0x88 : 0x00);
    }
}

TEST_F(SatelliteDialogTest, OkWithoutEditsRewritesOnlyWhatIsNotInItsFixedForm) {
    // Already in the fixed form: nothing written.
    Satellite onPositioner;
    onPositioner.lnbConfigIndex = 2;
    onPositioner.positionerUsage = 2;
    onPositioner.positionerIndex = 9;
    auto d143 = open<SatelliteDialog143>(layout1(onPositioner));
    ASSERT_TRUE(pressOk(*d143));
    EXPECT_FALSE(d143->dataChanged());
    EXPECT_EQ(d143->treeIcon(), 0);

    database.clear();
    Satellite hotbird;
    hotbird.lnbType = 6;
    hotbird.lnbControl = 0x40 | 0x10 | 0x01;
    hotbird.diseqcControl = 0x10;
    hotbird.diseqcPort = 2;
    hotbird.orbitalPosition = 130;
    hotbird.skewEnabled = 1;
    hotbird.skewV = 40;
    hotbird.skewH = 140;
    auto d144 = open<SatelliteDialog144>(layout2(0x03, hotbird));
    ASSERT_TRUE(pressOk(*d144));
    EXPECT_FALSE(d144->dataChanged());
    EXPECT_FALSE(d144->nameChanged());

    // Not yet in it: positioner values below level "1.2" become 0.
    database.clear();
    Satellite stray;
    stray.positionerUsage = 2;
    stray.positionerIndex = 9;
    SatelliteNode* satellite = layout1(stray);
    auto dialog = open<SatelliteDialog143>(satellite);
    ASSERT_TRUE(pressOk(*dialog));
    EXPECT_TRUE(dialog->dataChanged());
    EXPECT_EQ(satellite->positionerUsage, 0);
    EXPECT_EQ(satellite->positionerIndex, 0);

    // The name alone.
    database.clear();
    satellite = layout2(0x03, hotbird);
    d144 = open<SatelliteDialog144>(satellite);
    type(d144->nameEdit(), QStringLiteral("Hot Bird 13\u00b0E"));
    ASSERT_TRUE(pressOk(*d144));
    EXPECT_TRUE(d144->dataChanged());
    EXPECT_TRUE(d144->nameChanged());
    EXPECT_EQ(satellite->name, QByteArray("Hot Bird 13\xb0"
                                          "E"));
    hotbird.name = satellite->name;
    EXPECT_EQ(satellite->record(), hotbird);
}

// Every satellite of generated files: OK without edits either refuses a stored value the
// window cannot take, or writes at most the fixed forms; a second OK then writes nothing, and
// the file still holds what the records say.
TEST_F(SatelliteDialogTest, SatellitesReadFromFilesSettleInOneOk) {
    for (const std::uint8_t layout : {1, 2}) {
        ChannelGeneratorOptions options;
        options.seed = 7 + layout;
        options.layout = layout;
        options.programs = 1000;
        QByteArray image;
        ASSERT_EQ(generateChannelImage(options, image), 0);
        ASSERT_EQ(readChannelImage(database, image), 0);
        ASSERT_GE(database.satelliteCount(), 5);
        for (int i = 0; i < database.satelliteCount(); ++i) {
            SatelliteNode* satellite = database.satelliteAt(i);
            const QByteArray name = satellite->name;
            const auto openDialog = [&]() -> std::unique_ptr<SatelliteDialog> {
                if (layout == 1)
                    return open<SatelliteDialog143>(satellite);
                return open<SatelliteDialog144>(satellite);
            };
            messages.clear();
            auto first = openDialog();
            if (!pressOk(*first)) {
                // Only stored values out of the window's ranges are refused; brought into
                // range, the satellite is taken.
                ASSERT_EQ(layout, 2);
                ASSERT_EQ(messages.size(), 1);
                EXPECT_TRUE(messages[0] == SatelliteDialog::numberRangeMessage(-180, 180) ||
                            messages[0] == SatelliteDialog::integerRangeMessage(0, 180))
                    << messages[0].toStdString();
                first->reject();
                satellite->orbitalPosition = std::int16_t(satellite->orbitalPosition % 1801);
                satellite->skewH = std::uint8_t(satellite->skewH % 181);
                first = openDialog();
                ASSERT_TRUE(pressOk(*first)) << messages.join(' ').toStdString();
            }
            EXPECT_EQ(satellite->name, name);
            auto second = openDialog();
            ASSERT_TRUE(pressOk(*second));
            EXPECT_FALSE(second->dataChanged()) << "layout " << int(layout) << " satellite " << i;
            EXPECT_EQ(second->treeIcon(), first->treeIcon());
        }

        QByteArray saved;
        ASSERT_EQ(encodeChannelImage(database, saved), 0);
        ChannelDatabase reread;
        ASSERT_EQ(readChannelImage(reread, saved), 0);
        EXPECT_EQ(reread.lnbConfigs, database.lnbConfigs);
        for (int i = 0; i < database.satelliteCount(); ++i)
            EXPECT_EQ(reread.satelliteAt(i)->record(), database.satelliteAt(i)->record()) << i;
    }
}

} // namespace
