#include "panel/panelremote.h"

#include "groups/lamplooks.h"
#include "lamps/deskmodel.h"
#include "settings/panelsettings.h"

#include <cmath>

namespace {

constexpr double MillisecondsPerSecond = 1000.0;

} // namespace

PanelRemote::PanelRemote(DeskModel &desk, LampLooks &looks, QObject *parent)
    : QObject(parent), m_desk(desk), m_looks(looks)
{
    connect(&m_desk, &DeskModel::blackoutChanged, this, &PanelRemote::tellListeners);
    connect(&m_looks, &LampLooks::looksChanged, this, &PanelRemote::tellListeners);
    connect(&m_desk, &DeskModel::levelsChanged, this, &PanelRemote::tellListeners);
    connect(&m_desk, &DeskModel::linksChanged, this, &PanelRemote::tellListeners);
    connect(&m_desk, &DeskModel::groupAdded, this, &PanelRemote::tellListeners);
    connect(&m_desk, &DeskModel::groupRemoved, this, &PanelRemote::tellListeners);
    connect(&m_desk, &DeskModel::lampCountChanged, this, &PanelRemote::tellListeners);
}

QString PanelRemote::panelName() const
{
    return m_desk.panelName();
}

QString PanelRemote::lampName(int lamp) const
{
    return m_desk.lampName(lamp);
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

QStringList PanelRemote::lookNames() const
{
    const QList<LampLooks::Look> looks = m_looks.looks();
    QStringList names;
    for (const int index : m_looks.listOrder())
        names.append(looks.at(index).name);
    return names;
}

QStringList PanelRemote::storedLookNames() const
{
    return m_looks.storedNames();
}

double PanelRemote::defaultFadeSeconds() const
{
    return double(m_defaultFade.count()) / MillisecondsPerSecond;
}

bool PanelRemote::recallLook(const QString &name, std::optional<double> fadeSeconds)
{
    std::chrono::milliseconds fade = m_defaultFade;
    if (fadeSeconds) {
        // In tenths, as the Looks window chooses it.
        const double tenths
            = *fadeSeconds * MillisecondsPerSecond / PanelSettings::FadeTimeStep.count();
        const double maxTenths = double(PanelSettings::MaxFadeTime / PanelSettings::FadeTimeStep);
        if (!(tenths >= 0.0 && tenths <= maxTenths))
            return false; // NaN fails both comparisons
        fade = qint64(std::lround(tenths)) * PanelSettings::FadeTimeStep;
    }
    return m_looks.recall(m_looks.find(name), fade);
}

void PanelRemote::storeLook(const QString &name)
{
    m_looks.store(name);
}

bool PanelRemote::isBlackout() const
{
    return m_desk.isBlackout();
}

void PanelRemote::setBlackout(bool on)
{
    m_desk.setBlackout(on);
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
