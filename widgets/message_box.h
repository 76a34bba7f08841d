#pragma once

#include <QString>

#include <functional>

class QWidget;

enum class MessageIcon { none, stop };

struct ShownMessage {
    QString caption;
    QString text;
    MessageIcon icon;
};

// Shows a modal message box owned by `parent`, with the application name as caption and one
// OK button. Every window reports failures through here.
void showMessage(QWidget* parent, const QString& text, MessageIcon icon = MessageIcon::stop);

// Tests route messages to a recorder instead of a modal box; an empty recorder restores the
// real box.
using MessageRecorder = std::function<void(const ShownMessage&)>;
void setMessageRecorder(MessageRecorder recorder);
