#include "editor/satellite_dialog_tips.h"

#include "channels/channel_records.h"
#include "editor/satellite_dialog143.h"
#include "editor/satellite_dialog144.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

ControlTips::ControlTips(QWidget* window) : QObject(window), window_(window) {}

QString ControlTips::tip(const QString& what, const QString& whyGreyed, bool greyed) {
    if (!greyed || whyGreyed.isEmpty())
        return what;
    return what + QStringLiteral("\nGreyed out: ") + whyGreyed;
}

void ControlTips::add(QWidget* control, Text what, Text whyGreyed) {
    entries_.push_back({control, std::move(what), std::move(whyGreyed)});
    // Greying out a group reaches the controls inside it as well.
    control->installEventFilter(this);
    refresh(entries_.back());
}

void ControlTips::add(QWidget* control, const QString& what, Text whyGreyed) {
    add(
        control, [what] { return what; }, std::move(whyGreyed));
}

void ControlTips::refreshOn(QComboBox* list) {
    connect(list, &QComboBox::currentIndexChanged, this, [this] { refresh(); });
}

void ControlTips::refresh() {
    for (const Entry& entry : entries_)
        refresh(entry);
}

void ControlTips::refresh(const Entry& entry) {
    if (!entry.control)
        return;
    const bool greyed = !entry.control->isEnabled();
    const QString text =
        tip(entry.what(), greyed && entry.whyGreyed ? entry.whyGreyed() : QString(), greyed);
    entry.control->setToolTip(text);
    // The label in front of a control explains it too.
    for (QLabel* label : window_->findChildren<QLabel*>())
        if (label->buddy() == entry.control)
            label->setToolTip(text);
}

bool ControlTips::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::EnabledChange)
        for (const Entry& entry : entries_)
            if (entry.control == watched)
                refresh(entry);
    return false;
}

namespace {

QString powerText() {
    return QStringLiteral("The LNB's supply: Auto, 13 V, 18 V or off.");
}
QString toneText() {
    return QStringLiteral("The 22 kHz tone to the LNB, on or off.");
}
QString supplyText() {
    return QStringLiteral("The receiver's 12 V output, on or off.");
}
QString frequencyText() {
    return QStringLiteral("The LNB's local oscillator frequency in MHz (5150 for a C-band LNB).");
}

} // namespace

void addSatelliteTips(SatelliteDialog143& d) {
    auto* tips = new ControlTips(&d);
    const auto noEntry = [&d] {
        return d.configList()->currentIndex() == SatelliteDialog143::noLink
                   ? QStringLiteral("\"No link\" has no LNB settings; choose an entry in "
                                    "\"LNB Config\".")
                   : QStringLiteral("The entry is not in this file's LNB table; choose another "
                                    "in \"LNB Config\".");
    };
    // The rules of the window, in order: an entry, then a type, then what the type and the
    // level use.
    const auto needsType = [&d, noEntry] {
        return d.typeList()->isEnabled() ? QStringLiteral("Choose an \"LNB Type\" first.")
                                         : noEntry();
    };
    const auto unless = [&d, needsType](const char* reason) {
        return [&d, needsType, reason] {
            return d.levelList()->isEnabled() ? QString::fromLatin1(reason) : needsType();
        };
    };

    tips->add(d.configList(),
              QStringLiteral("The entry of the file's shared LNB table this satellite uses. "
                             "Edits below change the entry for every satellite that uses it."));
    tips->add(d.typeList(),
              QStringLiteral("UNIV 1 to UNIV 3 for a universal LNB, SINGLE for a "
                             "single-oscillator LNB."),
              noEntry);
    const char* singleOnly = "Only a \"SINGLE\" LNB uses this.";
    tips->add(d.frequencyEdit(), frequencyText(), unless(singleOnly));
    tips->add(d.powerBox(), powerText(), unless(singleOnly));
    tips->add(d.toneBox(), toneText(), unless(singleOnly));
    tips->add(d.supplyOn()->parentWidget(), supplyText(), needsType);
    tips->add(d.levelList(),
              QStringLiteral("DiSEqC: OFF, 1.0 (a switch with 4 ports), 1.1 (a switch with 16 "
                             "ports) or 1.2 (a dish positioner)."),
              needsType);
    const char* switchOnly = "Only the DiSEqC levels \"1.0\" and \"1.1\" use a switch.";
    tips->add(d.portList(), QStringLiteral("The switch port this LNB is connected to."),
              unless(switchOnly));
    tips->add(d.repeatList(),
              QStringLiteral("How often the switch command is repeated (for switches in a "
                             "cascade)."),
              unless(switchOnly));
    const char* positionerOnly = "Only the DiSEqC level \"1.2\" uses a positioner.";
    tips->add(d.positionerBox(), QStringLiteral("The DiSEqC 1.2 dish positioner."),
              unless(positionerOnly));
    tips->add(d.usageList(),
              QStringLiteral("The positioner setting for this satellite: NO or SET."),
              unless(positionerOnly));
    tips->add(d.indexEdit(),
              QStringLiteral("The satellite's position number in the positioner, 0 to 255."),
              unless(positionerOnly));
    for (QComboBox* list : {d.configList(), d.typeList(), d.levelList()})
        tips->refreshOn(list);
}

void addSatelliteTips(SatelliteDialog144& d, const Satellite& satellite) {
    auto* tips = new ControlTips(&d);
    const std::uint8_t position = satellite.positionerIndex;

    tips->add(d.degreeEdit(),
              QStringLiteral("The satellite's orbital position in degrees, -180 to 180."));
    tips->add(d.typeList(),
              QStringLiteral("The LNB's local oscillator frequency in MHz: UNIV for a universal "
                             "LNB, CUSTOM to type it in \"Custom Freq.\"."));
    tips->add(d.frequencyEdit(), frequencyText(), [] {
        return QStringLiteral("Only the LNB type \"CUSTOM\" takes a typed frequency.");
    });
    const auto universal = [] {
        return QStringLiteral("A universal LNB (\"UNIV\") gets them from the receiver as each "
                              "channel needs.");
    };
    tips->add(d.powerBox(), powerText(), universal);
    tips->add(d.toneBox(), toneText(), universal);
    tips->add(d.supplyOn()->parentWidget(), supplyText());
    tips->add(d.levelList(), [&d] {
        QString text = QStringLiteral("DiSEqC: OFF, 1.0 (a switch with 4 ports), 1.2 (a dish "
                                      "positioner)");
        if (d.levelList()->count() > SatelliteDialog144::levelUsals)
            text += QStringLiteral(" or USALS (a positioner aimed by \"Degree\")");
        return text + QLatin1Char('.');
    });
    tips->add(
        d.portList(),
        [&d] {
            switch (d.levelList()->currentIndex()) {
            case SatelliteDialog144::level10:
                return QStringLiteral("The switch port this LNB is connected to.");
            case SatelliteDialog144::level12:
                return QStringLiteral("The positioner setting for this satellite: NO or SET.");
            default:
                return QStringLiteral("The switch port (DiSEqC 1.0) or the positioner setting "
                                      "(DiSEqC 1.2).");
            }
        },
        [&d, position] {
            if (d.levelList()->currentIndex() == SatelliteDialog144::level12 && position == 0)
                return QStringLiteral("The satellite has no position number in the positioner.");
            return QStringLiteral("Only the DiSEqC levels \"1.0\" and \"1.2\" use this list.");
        });
    const auto noSkew = [] { return QStringLiteral("This file holds no skew settings."); };
    const QString skew = QStringLiteral(
        "Skew: the LNB's turn for vertical (V) and horizontal (H) polarization, 0 to 180.");
    for (QWidget* control :
         {static_cast<QWidget*>(d.skewOn()), static_cast<QWidget*>(d.skewVEdit()),
          static_cast<QWidget*>(d.skewHEdit())})
        tips->add(control, skew, noSkew);
    for (QComboBox* list : {d.typeList(), d.levelList()})
        tips->refreshOn(list);
}
