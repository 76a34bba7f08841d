#include "widgets/message_box.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace {
MessageRecorder& recorder() {
    static MessageRecorder instance;
    return instance;
}

QuestionResponder& responder() {
    static QuestionResponder instance;
    return instance;
}

QMessageBox::Icon boxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::stop:
        return QMessageBox::Critical;
    case MessageIcon::exclamation:
        return QMessageBox::Warning;
    case MessageIcon::question:
        return QMessageBox::Question;
    case MessageIcon::none:
        break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

void showMessage(QWidget* parent, const QString& text, MessageIcon icon) {
    const QString caption = QCoreApplication::applicationName();
    if (recorder()) {
        recorder()({caption, text, icon});
        return;
    }
    QMessageBox box(boxIcon(icon), caption, text, QMessageBox::Ok, parent);
    box.exec();
}

void setMessageRecorder(MessageRecorder newRecorder) {
    recorder() = std::move(newRecorder);
}

MessageAnswer askYesNoCancel(QWidget* parent, const QString& text) {
    const QString caption = QCoreApplication::applicationName();
    if (responder())
        return responder()({caption, text, MessageIcon::question});
    QMessageBox box(QMessageBox::Question, caption, text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MessageAnswer::yes;
    case QMessageBox::No:
        return MessageAnswer::no;
    default:
        return MessageAnswer::cancel;
    }
}

MessageAnswer askYesNo(QWidget* parent, const QString& text) {
    const QString caption = QCoreApplication::applicationName();
    if (responder())
        return responder()({caption, text, MessageIcon::question});
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? MessageAnswer::yes : MessageAnswer::no;
}

void setQuestionResponder(QuestionResponder newResponder) {
    responder() = std::move(newResponder);
}
