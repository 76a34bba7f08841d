#include "editor/name_charset_chooser.h"

#include "base/name_settings.h"
#include "channels/name_codec.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

NameCharsetChooser::NameCharsetChooser(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("nameCharsetChooser"));
    auto* label = new QLabel(QStringLiteral("C&haracter set for names"), this);
    combo_ = new QComboBox(this);
    combo_->setObjectName(QStringLiteral("nameCharset"));
    label->setBuddy(combo_);
    for (int set = 0; set < nameCharsetCount; ++set)
        combo_->addItem(nameCharsetPlainName(NameCharset(set)),
                        nameCharsetIanaName(NameCharset(set)));
    // The box may be as narrow as the tree; its list stays wide enough for the longest name.
    combo_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo_->setMinimumContentsLength(8);
    int widest = 0;
    for (int set = 0; set < nameCharsetCount; ++set)
        widest = std::max(widest, combo_->fontMetrics().horizontalAdvance(combo_->itemText(set)));
    combo_->view()->setMinimumWidth(widest + combo_->fontMetrics().averageCharWidth() * 4);
    label->setWordWrap(true);
    setFocusProxy(combo_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(label);
    layout->addWidget(combo_);

    const NameCharset stored =
        nameCharsetFromName(NameSettings().readCharset()).value_or(defaultNameCharset);
    NameCodec::setCharset(stored);
    combo_->setCurrentIndex(int(stored));
    connect(combo_, &QComboBox::currentIndexChanged, this, &NameCharsetChooser::choose);
}

void NameCharsetChooser::choose(int index) {
    if (index < 0 || index >= nameCharsetCount || NameCharset(index) == NameCodec::charset())
        return;
    NameCodec::setCharset(NameCharset(index));
    NameSettings().writeCharset(nameCharsetIanaName(NameCharset(index)));
    emit charsetChanged();
}
