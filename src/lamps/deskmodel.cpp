#include "lamps/deskmodel.h"

DeskModel::DeskModel(QObject *parent) : QObject(parent) { }

bool DeskModel::sortsBefore(const QString &a, const QString &b)
{
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    if (folded != 0)
        return folded < 0;
    return QString::compare(a, b, Qt::CaseSensitive) < 0;
}

qint32 DeskModel::linkedCode() const
{
    qint32 code = 0;
    for (int lamp = 0; lamp < MaxLamps; ++lamp) {
        if (m_linked.at(lamp))
            code |= qint32(lampBit(lamp));
    }
    return code;
}

void DeskModel::moveLamp(int lamp, int level)
{
    level = qBound(0, level, MaxLevel);
    LampSet changed = 0;
    const auto take = [&](int which) {
        if (m_levels.at(which) != level)
            changed |= lampBit(which);
        m_levels.at(which) = level;
        m_due.at(which) = true;
        m_fading &= ~lampBit(which);
    };
    take(lamp);
    if (m_linked.at(lamp)) {
        for (int other = 0; other < m_lampCount; ++other) {
            if (other != lamp && m_linked.at(other) && m_levels.at(other) != level)
                take(other);
        }
    }
    if (changed)
        Q_EMIT levelsChanged(changed);
}

void DeskModel::setLevel(int lamp, int level)
{
    level = qBound(0, level, MaxLevel);
    if (m_levels.at(lamp) == level)
        return;
    m_levels.at(lamp) = level;
    Q_EMIT levelsChanged(lampBit(lamp));
}

void DeskModel::setFadeLevels(const std::array<int, MaxLamps> &levels, LampSet lamps)
{
    LampSet changed = 0;
    for (int lamp = 0; lamp < MaxLamps; ++lamp) {
        const int level = qBound(0, levels.at(lamp), MaxLevel);
        if ((lamps & lampBit(lamp)) == 0 || m_levels.at(lamp) == level)
            continue;
        m_levels.at(lamp) = level;
        m_due.at(lamp) = true;
        changed |= lampBit(lamp);
    }
    // One signal for the whole step: the views repaint once a tick, not once a lamp.
    if (changed)
        Q_EMIT levelsChanged(changed);
}

void DeskModel::setLinks(LampSet linked)
{
    LampSet changed = 0;
    for (int lamp = 0; lamp < MaxLamps; ++lamp) {
        const bool on = (linked & lampBit(lamp)) != 0;
        if (m_linked.at(lamp) != on)
            changed |= lampBit(lamp);
        m_linked.at(lamp) = on;
    }
    if (changed)
        Q_EMIT linksChanged(changed);
}

void DeskModel::setLinked(int lamp, bool linked)
{
    if (m_linked.at(lamp) == linked)
        return;
    m_linked.at(lamp) = linked;
    Q_EMIT linksChanged(lampBit(lamp));
}

void DeskModel::selectGroup(int index)
{
    if (index < 0 || index >= m_groups.size())
        return;
    setLinks(LampSet(m_groups.at(index).code) & (lampBit(MaxLamps) - 1));
    Q_EMIT groupSelected(index);
}

void DeskModel::deselectAll()
{
    setLinks(0);
}

int DeskModel::addGroup(const Group &group)
{
    // After every group that does not sort after the new one: equal names keep the
    // order in which they came.
    const auto place = std::upper_bound(m_groups.cbegin(), m_groups.cend(), group.name,
                                        [](const QString &name, const Group &existing) {
                                            return sortsBefore(name, existing.name);
                                        });
    const int index = int(place - m_groups.cbegin());
    m_groups.insert(index, group);
    Q_EMIT groupAdded(index);
    return index;
}

void DeskModel::removeGroup(int index)
{
    if (index < 0 || index >= m_groups.size())
        return;
    m_groups.removeAt(index);
    Q_EMIT groupRemoved(index);
}

void DeskModel::setLampCount(int count)
{
    count = qBound(0, count, MaxLamps);
    if (m_lampCount == count)
        return;
    m_lampCount = count;
    Q_EMIT lampCountChanged(count);
}

void DeskModel::setNames(const QString &panelName, const QStringList &lampNames)
{
    m_panelName = panelName;
    m_lampNames = lampNames;
    Q_EMIT namesChanged();
}

void DeskModel::putAllDue()
{
    for (int lamp = 0; lamp < m_lampCount; ++lamp)
        m_due.at(lamp) = true;
}

void DeskModel::setBlackout(bool on)
{
    if (m_blackout == on)
        return;
    m_blackout = on;
    putAllDue();
    Q_EMIT blackoutChanged(on);
}
