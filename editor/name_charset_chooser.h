#pragma once

#include <QComboBox>
#include <QWidget>

// "Character set for names": a label and a drop-down list of the offered sets by their plain
// names. Created, it applies the set stored in the settings ([Names] Charset; an unknown or
// missing one gives ISO-8859-1); choosing another one applies it at once, stores it and reports
// charsetChanged. Only how names look changes: no record is touched.
class NameCharsetChooser : public QWidget {
    Q_OBJECT
public:
    explicit NameCharsetChooser(QWidget* parent = nullptr);

    QComboBox* comboBox() const { return combo_; }

signals:
    void charsetChanged();

private:
    void choose(int index);

    QComboBox* combo_ = nullptr;
};
