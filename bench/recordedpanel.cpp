#include "recordedpanel.h"

#include "panelini.h"

RecordedPanel::RecordedPanel(const QString &executable, int lampCount, const QString &extraSettings)
    : m_lampCount(lampCount), m_extraSettings(extraSettings), m_reader(m_line), m_panel(executable)
{ }

RecordedPanel::~RecordedPanel()
{
    stop();
}

QString RecordedPanel::start()
{
    if (!m_line.isValid())
        return QStringLiteral("no pseudo-terminal");
    m_reader.start();
    if (!m_panel.prepare(
            PanelIni {m_lampCount, m_line.devicePath(), m_extraSettings.toUtf8()}.text())
        || !m_panel.start())
        return QStringLiteral("cannot start the panel: %1").arg(m_panel.process().errorString());
    return {};
}

void RecordedPanel::stop()
{
    if (m_panel.isRunning())
        m_panel.terminate();
    m_reader.stop();
}
