#include "download/qutil_thread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <chrono>

QUtilThread::~QUtilThread() {
    waitFinished();
}

bool QUtilThread::start() {
    waitFinished();
    m_active = true;
    m_thread = std::thread([this] {
        run();
        m_active = false;
    });
    return true;
}

bool QUtilThread::waitFinished(bool dispatchEvents) {
    if (!m_thread.joinable())
        return true;
    const QCoreApplication* app = QCoreApplication::instance();
    const bool pumpEvents = dispatchEvents && app && QThread::currentThread() == app->thread();
    while (m_active.load()) {
        if (pumpEvents)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(pumpEvents ? 2 : 10));
    }
    m_thread.join();
    return true;
}
