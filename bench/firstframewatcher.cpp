#include "firstframewatcher.h"

#include "monotonicclock.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <cstdio>

FirstFrameWatcher::FirstFrameWatcher(QWidget &window, qint64 startNs, qint64 excludedNs)
    : m_window(window), m_startNs(startNs), m_excludedNs(excludedNs)
{
    m_window.installEventFilter(this);
    m_giveUp.setSingleShot(true);
    m_giveUp.setInterval(GiveUpAfter);
    connect(&m_giveUp, &QTimer::timeout, this, [] {
        std::printf("startup_ms=fail\n");
        std::fflush(stdout);
        QCoreApplication::exit(1);
    });
    m_giveUp.start();
}

bool FirstFrameWatcher::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_window && event->type() == QEvent::Paint && !m_painted) {
        m_painted = true;
        // Queued behind the rest of this repaint pass, so it runs once the frame is out.
        QMetaObject::invokeMethod(this, &FirstFrameWatcher::frameDone, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void FirstFrameWatcher::frameDone()
{
    const qint64 nowNs = MonotonicClock::nowNs();
    m_giveUp.stop();
    std::printf("startup_ms=%.3f\n", MonotonicClock::msBetween(m_startNs + m_excludedNs, nowNs));
    std::fflush(stdout);
    QCoreApplication::exit(0);
}
