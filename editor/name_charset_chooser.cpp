#include "editor/name_charset_chooser.h"

#include "base/name_settings.h"
#include "channels/name_codec.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>

NameCharsetChooser::NameCharsetChooser(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("nameCharsetChooser"));
    auto* label = new QLabel(QStringLiteral("C&haracter set for names"), this);
    combo_ = new QComboBox(this);
    combo_->setObjectName(QStringLiteral("nameCharset"));
    label->setBuddy(combo_);
    for (int set = 0; set < nameCharsetCount; ++set)
        combo_->addItem(nameCharsetPlainName(NameCharset(set)),
                        nameCharsetIanaName(NameCharset(set)));
    // Wide enough for the list's longest name even where the box itself is narrow.
    combo_->view()->setMinimumWidth(combo_->minimumSizeHint().width());
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
