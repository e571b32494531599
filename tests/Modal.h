#pragma once

// Acting on the modal window that the next action opens.

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

// Runs `body` on the modal window once it is up, then closes it if it is still open.
inline void whenModalOpens(const std::function<void(QWidget *)> &body)
{
    QTimer::singleShot(0, [body] {
        QWidget *modal = QApplication::activeModalWidget();
        QVERIFY(modal != nullptr);
        body(modal);
        if (modal->isVisible())
            modal->close();
    });
}
