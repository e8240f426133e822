#pragma once

#include "monitor/lampactivity.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdio>

// The live view: a header with the command rate and the bad-byte count, then one row
// per lamp with its last level as a number and a bar, and the age of its last command.
// On a terminal it redraws in place; into a pipe or file it prints plain snapshots,
// less often, without escape sequences.
class LiveView final : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds TerminalRefresh {250};
    static constexpr std::chrono::milliseconds SnapshotInterval {1000};
    static constexpr int BarCells = 16;

    LiveView(LampActivity &activity, const QElapsedTimer &clock, const QString &deviceName,
             std::FILE *out, bool terminal, QObject *parent = nullptr);

    // The text of one view; lines end in '\n'.
    QString frame(qint64 nowMs);

    void start();
    // Draws the last view and gives the terminal its cursor back.
    void stop();

private:
    void draw();
    QString lampRow(int index, qint64 nowMs) const;

    LampActivity &m_activity;
    const QElapsedTimer &m_clock;
    QString m_deviceName;
    std::FILE *m_out = nullptr;
    bool m_terminal = false;
    bool m_running = false;
    int m_linesDrawn = 0;
    QTimer m_timer;
};
