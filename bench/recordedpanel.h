#pragma once

#include "lampcommandreader.h"
#include "panelprocess.h"
#include "pseudoterminal.h"

#include <QString>

// The real panel, run from a copy with lampCount lamps on a pseudo-terminal of its
// own, and a reader draining the far end and stamping every command it sends.
// extraSettings: further lines for its Kelvaris.ini.
class RecordedPanel final
{
public:
    RecordedPanel(const QString &executable, int lampCount, const QString &extraSettings = {});
    ~RecordedPanel();
    RecordedPanel(const RecordedPanel &) = delete;
    RecordedPanel &operator=(const RecordedPanel &) = delete;

    // Empty on success, else what went wrong.
    QString start();
    // Ends the panel, then the recording.
    void stop();

    qint64 pid() { return m_panel.process().processId(); }
    LampCommandReader &reader() { return m_reader; }

private:
    int m_lampCount = 0;
    QString m_extraSettings;
    // Declared first, so that it outlives the reader reading its master side.
    PseudoTerminal m_line;
    LampCommandReader m_reader;
    PanelProcess m_panel;
};
