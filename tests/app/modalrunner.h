// Drives modal dialogs from inside their own event loop: the tests act on a dialog the way a
// user would, once it is up.
#ifndef MODALRUNNER_H
#define MODALRUNNER_H

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

// Once a visible modal widget of type T is up, runs action on it (from the modal loop). Gives up
// with a test failure after 20 s, and closes the modal widget that is up when an action has not
// returned after 20 s, so that no test hangs. Returns the watch; deleting it cancels the watch.
template <class T> QTimer* whenModal(std::function<void(T*)> action) {
    auto* timer = new QTimer(qApp);
    QElapsedTimer clock;
    clock.start();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, action]() {
        T* widget = qobject_cast<T*>(QApplication::activeModalWidget());
        if (widget != nullptr && widget->isVisible()) {
            timer->stop();
            timer->deleteLater();
            auto done = std::make_shared<bool>(false);
            QTimer::singleShot(20000, qApp, [done]() {
                if (*done)
                    return;
                ADD_FAILURE() << "a modal dialog is still waiting; closing it";
                if (QWidget* stuck = QApplication::activeModalWidget())
                    stuck->close();
            });
            action(widget);
            *done = true;
            return;
        }
        if (clock.elapsed() > 20000) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no modal " << T::staticMetaObject.className() << " came up";
            if (QWidget* other = QApplication::activeModalWidget())
                other->close();
        }
    });
    timer->start();
    return timer;
}

#endif // MODALRUNNER_H
