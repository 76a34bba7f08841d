#include "tests/e2e/modal_script.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>

#include <gtest/gtest.h>

namespace {
constexpr int checkPeriodMs = 5;
}

ModalScript::ModalScript(std::chrono::milliseconds limit) : limit_(limit) {
    timer_.setInterval(checkPeriodMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] { check(); });
}

ModalScript::~ModalScript() {
    timer_.stop();
}

ModalScript& ModalScript::then(const QString& what, std::function<bool()> ready,
                               std::function<void()> act) {
    steps_.push_back({what, std::move(ready), std::move(act)});
    return *this;
}

void ModalScript::start() {
    clock_.start();
    timer_.start();
}

void ModalScript::finish() {
    while (!done() && !timedOut_)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
}

QString ModalScript::waitingFor() const {
    return next_ < steps_.size() ? steps_[next_].what : QString();
}

void ModalScript::check() {
    if (clock_.elapsed() > limit_.count()) {
        giveUp();
        return;
    }
    if (observer_)
        observer_();
    if (acting_ || next_ >= steps_.size())
        return;
    Step& step = steps_[next_];
    if (!step.ready())
        return;
    ++next_;
    if (!step.act)
        return;
    // From a fresh event: an action that opens a modal window blocks only itself.
    acting_ = true;
    QTimer::singleShot(0, &timer_, [this, act = step.act] {
        acting_ = false;
        act();
    });
}

void ModalScript::giveUp() {
    timer_.stop();
    timedOut_ = true;
    ADD_FAILURE() << "gave up after " << limit_.count()
                  << " ms waiting for: " << waitingFor().toStdString();
    rejectOpenDialogs();
}

void rejectOpenDialogs() {
    // A rejected dialog returns from its modal loop; the next one below is then active.
    for (int round = 0; round < 10; ++round) {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* open = qobject_cast<QDialog*>(widget);
                    open && open->isModal() && open->isVisible())
                    dialog = open;
        }
        if (!dialog)
            return;
        dialog->reject();
        QCoreApplication::processEvents();
    }
}
