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
// On a terminal it redraws in place and fits the terminal's size, read before every
// redraw: lines are cut at the right edge, and lamp rows that do not fit are left out
// with a line saying how many, keeping the lamps whose level changed most recently.
// Into a pipe or file it prints plain snapshots, less often, without escape sequences.
class LiveView final : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds TerminalRefresh {250};
    static constexpr std::chrono::milliseconds SnapshotInterval {1000};
    static constexpr int BarCells = 16;

    // Rows and columns of a terminal; 0 means not known, and then not limited.
    struct TerminalSize
    {
        int rows = 0;
        int columns = 0;
        bool operator==(const TerminalSize &other) const
        {
            return rows == other.rows && columns == other.columns;
        }
        bool operator!=(const TerminalSize &other) const { return !(*this == other); }
    };

    LiveView(LampActivity &activity, const QElapsedTimer &clock, const QString &deviceName,
             std::FILE *out, bool terminal, QObject *parent = nullptr);

    // The text of one view for a terminal of the given size; lines end in '\n'. It
    // takes at most size.rows - 1 lines, since the cursor rests on the line below it.
    QString frame(qint64 nowMs, TerminalSize size);

    void start();
    // Draws the last view and gives the terminal its cursor back.
    void stop();

private:
    void draw();
    TerminalSize terminalSize() const;
    QString lampRow(int index, qint64 nowMs) const;

    LampActivity &m_activity;
    const QElapsedTimer &m_clock;
    QString m_deviceName;
    std::FILE *m_out = nullptr;
    bool m_terminal = false;
    bool m_running = false;
    int m_linesDrawn = 0;
    TerminalSize m_drawnSize;
    QTimer m_timer;
};
