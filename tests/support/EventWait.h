#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <functional>

// Runs the event loop until the condition holds or a minute passed.
inline bool WaitFor(const std::function<bool()> &condition)
{
    QDeadlineTimer deadline(60000);
    while (!condition() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return condition();
}
