#pragma once

#include <QString>

#include <functional>

class QWidget;

enum class MessageIcon { none, stop, exclamation, question };

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

enum class MessageAnswer { yes, no, cancel };

// Asks a question with Yes, No and Cancel buttons and the question icon, with the application
// name as caption. Closing the box counts as Cancel.
MessageAnswer askYesNoCancel(QWidget* parent, const QString& text);

// Asks a question with Yes and No buttons and the question icon, with the application name
// as caption. No is the default; Escape and closing the box count as No.
MessageAnswer askYesNo(QWidget* parent, const QString& text);

// Tests answer questions instead of showing them; an empty responder restores the real box.
using QuestionResponder = std::function<MessageAnswer(const ShownMessage&)>;
void setQuestionResponder(QuestionResponder responder);
