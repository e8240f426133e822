#include "remote/web/panelsnapshot.h"

#include "remoteapi/remotepanel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

PanelSnapshot PanelSnapshot::take(const RemotePanel &panel)
{
    PanelSnapshot snapshot;
    const int count = panel.lampCount();
    for (int lamp = 0; lamp < count; ++lamp) {
        snapshot.m_levels.append(panel.lampLevel(lamp));
        snapshot.m_links.append(panel.isLampLinked(lamp));
        snapshot.m_names.append(panel.lampName(lamp));
    }
    snapshot.m_panelName = panel.panelName();
    snapshot.m_groups = panel.groupNames();
    snapshot.m_looks = panel.lookNames();
    snapshot.m_blackout = panel.isBlackout();
    snapshot.m_fadeTime = panel.defaultFadeSeconds();
    return snapshot;
}

QByteArray PanelSnapshot::stateMessage() const
{
    QJsonArray levels;
    QJsonArray links;
    for (int level : m_levels)
        levels.append(level);
    for (bool linked : m_links)
        links.append(linked);
    return compact({{QLatin1String("type"), QLatin1String("state")},
                    {QLatin1String("lampCount"), int(m_levels.size())},
                    {QLatin1String("levels"), levels},
                    {QLatin1String("links"), links},
                    {QLatin1String("groups"), QJsonArray::fromStringList(m_groups)},
                    {QLatin1String("names"), QJsonArray::fromStringList(m_names)},
                    {QLatin1String("panel"), m_panelName},

                    {QLatin1String("looks"), QJsonArray::fromStringList(m_looks)},
                    {QLatin1String("blackout"), m_blackout},
                    {QLatin1String("fadeTime"), m_fadeTime}});
}

QByteArray PanelSnapshot::changesSince(const PanelSnapshot &before) const
{
    if (m_levels.size() != before.m_levels.size() || m_groups != before.m_groups
        || m_names != before.m_names || m_panelName != before.m_panelName
        || m_looks != before.m_looks || m_fadeTime != before.m_fadeTime)
        return stateMessage();
    // Pairs [lamp, value], so that a message names only what moved.
    QJsonArray levels;
    QJsonArray links;
    for (qsizetype lamp = 0; lamp < m_levels.size(); ++lamp) {
        if (m_levels.at(lamp) != before.m_levels.at(lamp))
            levels.append(QJsonArray {int(lamp), m_levels.at(lamp)});
        if (m_links.at(lamp) != before.m_links.at(lamp))
            links.append(QJsonArray {int(lamp), m_links.at(lamp)});
    }
    const bool blackoutChanged = m_blackout != before.m_blackout;
    if (levels.isEmpty() && links.isEmpty() && !blackoutChanged)
        return {};
    QJsonObject update {{QLatin1String("type"), QLatin1String("update")},
                        {QLatin1String("levels"), levels},
                        {QLatin1String("links"), links}};
    if (blackoutChanged)
        update.insert(QLatin1String("blackout"), m_blackout);
    return compact(update);
}

bool PanelSnapshot::operator==(const PanelSnapshot &other) const
{
    return m_levels == other.m_levels && m_links == other.m_links && m_groups == other.m_groups
        && m_names == other.m_names && m_panelName == other.m_panelName
        && m_looks == other.m_looks && m_blackout == other.m_blackout
        && m_fadeTime == other.m_fadeTime;
}
