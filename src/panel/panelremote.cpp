#include "panel/panelremote.h"

#include "lamps/deskmodel.h"

PanelRemote::PanelRemote(DeskModel &desk, QObject *parent) : QObject(parent), m_desk(desk)
{
    connect(&m_desk, &DeskModel::levelsChanged, this, &PanelRemote::tellListeners);
    connect(&m_desk, &DeskModel::linksChanged, this, &PanelRemote::tellListeners);
    connect(&m_desk, &DeskModel::groupAdded, this, &PanelRemote::tellListeners);
    connect(&m_desk, &DeskModel::groupRemoved, this, &PanelRemote::tellListeners);
    connect(&m_desk, &DeskModel::lampCountChanged, this, &PanelRemote::tellListeners);
}

void PanelRemote::setNames(const QString &panelName, const QStringList &lampNames)
{
    m_panelName = panelName;
    m_lampNames = lampNames;
}

int PanelRemote::lampCount() const
{
    return m_desk.lampCount();
}

void PanelRemote::moveLamp(int lamp, int level)
{
    m_desk.moveLamp(lamp, level);
}

int PanelRemote::lampLevel(int lamp) const
{
    return m_desk.level(lamp);
}

bool PanelRemote::isLampLinked(int lamp) const
{
    return m_desk.isLinked(lamp);
}

void PanelRemote::setLampLinked(int lamp, bool linked)
{
    m_desk.setLinked(lamp, linked);
}

QStringList PanelRemote::groupNames() const
{
    QStringList names;
    for (const DeskModel::Group &group : m_desk.groups())
        names.append(group.name);
    return names;
}

void PanelRemote::selectGroup(int index)
{
    m_desk.selectGroup(index);
}

void PanelRemote::deselectAll()
{
    m_desk.deselectAll();
}

void PanelRemote::addListener(RemotePanelListener &listener)
{
    if (!m_listeners.contains(&listener))
        m_listeners.append(&listener);
}

void PanelRemote::removeListener(RemotePanelListener &listener)
{
    m_listeners.removeAll(&listener);
}

void PanelRemote::tellListeners()
{
    // A copy: a listener may remove itself while told.
    const QList<RemotePanelListener *> listeners = m_listeners;
    for (RemotePanelListener *listener : listeners)
        listener->panelChanged();
}
