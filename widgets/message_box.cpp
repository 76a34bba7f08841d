#include "widgets/message_box.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace {
MessageRecorder& recorder() {
    static MessageRecorder instance;
    return instance;
}
} // namespace

void showMessage(QWidget* parent, const QString& text, MessageIcon icon) {
    const QString caption = QCoreApplication::applicationName();
    if (recorder()) {
        recorder()({caption, text, icon});
        return;
    }
    QMessageBox box(icon == MessageIcon::stop ? QMessageBox::Critical : QMessageBox::NoIcon,
                    caption, text, QMessageBox::Ok, parent);
    box.exec();
}

void setMessageRecorder(MessageRecorder newRecorder) {
    recorder() = std::move(newRecorder);
}
