#pragma once

// Short explanations on the "Satellite" windows' LNB and DiSEqC controls. A greyed-out control
// also says why it is greyed out, and its text follows the window as choices change.

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

class QComboBox;
class QWidget;
class SatelliteDialog143;
class SatelliteDialog144;
struct Satellite;

class ControlTips : public QObject {
    Q_OBJECT

public:
    using Text = std::function<QString()>;

    // Owned by `window`.
    explicit ControlTips(QWidget* window);

    // The tip of `control` and of the labels that name it: `what` it does, and while it is
    // greyed out also `whyGreyed`. Both are asked again whenever the tip is brought up to date.
    void add(QWidget* control, Text what, Text whyGreyed = {});
    void add(QWidget* control, const QString& what, Text whyGreyed = {});
    // Brings every tip up to date after each change of `list`.
    void refreshOn(QComboBox* list);
    void refresh();

    // The text of a tip.
    static QString tip(const QString& what, const QString& whyGreyed, bool greyed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        QPointer<QWidget> control;
        Text what;
        Text whyGreyed;
    };
    void refresh(const Entry& entry);

    QWidget* window_;
    std::vector<Entry> entries_;
};

// The tips of each window; called once its controls are built and filled.
void addSatelliteTips(SatelliteDialog143& dialog);
void addSatelliteTips(SatelliteDialog144& dialog, const Satellite& satellite);
