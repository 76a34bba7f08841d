#pragma once

#include <QDialog>

#include <array>

class QButtonGroup;
class QRadioButton;

// Asks for the COM port of a receiver that did not answer, and tells the user to switch it
// on, so that the firmware can go in through its boot loader.
class BootModeDialog : public QDialog {
    Q_OBJECT

public:
    explicit BootModeDialog(QWidget* parent = nullptr);

    // 0 to 3 selects "COM1" to "COM4"; any other value selects none.
    void setPortIndex(int index);
    // The selected index, 0 to 3, or -1 when none is selected.
    int portIndex() const;

    QRadioButton* portButton(int index) const { return ports_.at(std::size_t(index)); }

public slots:
    // Closes with OK only when a port is selected.
    void accept() override;

private:
    QButtonGroup* group_;
    std::array<QRadioButton*, 4> ports_{};
};
