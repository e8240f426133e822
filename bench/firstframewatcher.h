#pragma once

#include <QObject>
#include <QTimer>
#include <QtGlobal>
#include <chrono>

class QWidget;

// Waits for a window's first paint, lets the event loop finish that frame (the
// children paint and the backing store is flushed to the platform in the same
// pass), then prints "startup_ms=<ms since startNs, less excludedNs>" and quits
// the application. Prints "startup_ms=fail" and quits with 1 if no frame comes.
class FirstFrameWatcher final : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::seconds GiveUpAfter {20};

    FirstFrameWatcher(QWidget &window, qint64 startNs, qint64 excludedNs = 0);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void frameDone();

    QWidget &m_window;
    qint64 m_startNs = 0;
    qint64 m_excludedNs = 0;
    bool m_painted = false;
    QTimer m_giveUp;
};
