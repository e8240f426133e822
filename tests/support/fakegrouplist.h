#pragma once

#include "groups/grouplist.h"

#include <QList>
#include <QStringList>

// The group list without a widget, in the window's order: names compared without
// regard to case, then by case, and a name equal to others placed after them. The
// selection stays on its entry as others come and go; removing it selects nothing.
class FakeGroupList final : public GroupList
{
public:
    static bool sortsBefore(const QString &a, const QString &b);
    // Any group list's names and codes, in list order.
    static QStringList namesOf(const GroupList &list);
    static QList<qint32> codesOf(const GroupList &list);

    void clear() override;
    int addEntry(const QString &name) override;
    void removeEntry(int index) override;
    int count() const override { return int(m_entries.size()); }
    QString name(int index) const override { return m_entries.at(index).name; }
    qint32 code(int index) const override { return m_entries.at(index).code; }
    void setCode(int index, qint32 code) override { m_entries[index].code = code; }
    int selectedIndex() const override { return m_selected; }

    // The operator's click; -1 selects nothing.
    void select(int index) { m_selected = index; }
    QStringList names() const { return namesOf(*this); }
    QList<qint32> codes() const { return codesOf(*this); }

private:
    struct Entry
    {
        QString name;
        qint32 code = 0;
    };
    QList<Entry> m_entries;
    int m_selected = -1;
};
