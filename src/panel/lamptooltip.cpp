#include "panel/lamptooltip.h"

#include "lamps/deskmodel.h"
#include "lamps/lampcommand.h"
#include "serial/seriallink.h"

#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

namespace {

constexpr int Hundred = 100;

} // namespace

LampToolTip::LampToolTip(const DeskModel &desk, const SerialLink &link, QObject *parent)
    : QObject(parent), m_desk(desk), m_link(link)
{ }

int LampToolTip::percent(int level)
{
    // level * 100 / 255 never falls on a half, so adding just under a half rounds exactly.
    return (level * Hundred + LampCommand::MaxLevel / 2) / LampCommand::MaxLevel;
}

QString LampToolTip::text(int lamp, int level, bool portOpen, const QString &device,
                          const QString &name)
{
    const QString lampName = name.isEmpty() ? LampCommand::lampName(lamp)
                                            : LampCommand::lampName(lamp) + QLatin1Char(' ') + name;
    QString tip = QStringLiteral("%1: %2 (%3 %)").arg(lampName).arg(level).arg(percent(level));
    if (!portOpen)
        tip += QStringLiteral("\nNot sent: serial port %1 is closed").arg(device);
    return tip;
}

void LampToolTip::watch(QWidget *widget, int lamp)
{
    m_lampOfWidget.insert(widget, lamp);
    widget->installEventFilter(this);
}

void LampToolTip::show(int lamp, const QPoint &globalPos, QWidget *widget)
{
    m_tipLamp = lamp;
    m_tipPos = globalPos;
    m_tipWidget = widget;
    m_tipText
        = text(lamp, m_desk.level(lamp), m_link.isOpen(), m_link.device(), m_desk.lampName(lamp));
    QToolTip::showText(globalPos, m_tipText, widget);
}

void LampToolTip::levelChanged(int lamp)
{
    // Only the lamp's own tip, while it is still up, follows the level.
    if (lamp == m_tipLamp && m_tipWidget && QToolTip::isVisible() && QToolTip::text() == m_tipText)
        show(lamp, m_tipPos, m_tipWidget);
}

bool LampToolTip::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto found = m_lampOfWidget.constFind(watched);
        if (found != m_lampOfWidget.constEnd()) {
            show(*found, static_cast<QHelpEvent *>(event)->globalPos(),
                 static_cast<QWidget *>(watched));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
