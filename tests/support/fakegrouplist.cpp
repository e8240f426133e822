#include "fakegrouplist.h"

#include <algorithm>

bool FakeGroupList::sortsBefore(const QString &a, const QString &b)
{
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
}

QStringList FakeGroupList::namesOf(const GroupList &list)
{
    QStringList names;
    for (int i = 0; i < list.count(); ++i)
        names.append(list.name(i));
    return names;
}

QList<qint32> FakeGroupList::codesOf(const GroupList &list)
{
    QList<qint32> codes;
    for (int i = 0; i < list.count(); ++i)
        codes.append(list.code(i));
    return codes;
}

void FakeGroupList::clear()
{
    m_entries.clear();
    m_selected = -1;
}

int FakeGroupList::addEntry(const QString &name)
{
    const auto at = std::upper_bound(
        m_entries.begin(), m_entries.end(), name,
        [](const QString &added, const Entry &entry) { return sortsBefore(added, entry.name); });
    const int index = int(at - m_entries.begin());
    m_entries.insert(at, Entry {name, 0});
    if (m_selected >= index)
        ++m_selected;
    return index;
}

void FakeGroupList::removeEntry(int index)
{
    m_entries.removeAt(index);
    if (m_selected == index)
        m_selected = -1;
    else if (m_selected > index)
        --m_selected;
}
