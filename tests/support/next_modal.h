#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Runs `inspect` on the next modal window or pop-up menu that opens within two seconds, then
// closes it. For windows that run their own event loop (exec) where the test cannot reach
// them otherwise.
inline void onNextModal(std::function<void(QWidget*)> inspect) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout,
                     [timer, ticks = 0, inspect = std::move(inspect)]() mutable {
                         QWidget* popup = QApplication::activePopupWidget();
                         QWidget* window = popup ? popup : QApplication::activeModalWidget();
                         if (!window && ++ticks < 400)
                             return;
                         timer->stop();
                         timer->deleteLater();
                         if (window) {
                             inspect(window);
                             window->close();
                         }
                     });
    timer->start();
}
