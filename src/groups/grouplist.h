#pragma once

#include <QString>
#include <QtGlobal>

// The sorted group list: each entry is a group's name with its code attached.
class GroupList
{
public:
    virtual ~GroupList() = default;

    virtual void clear() = 0;
    // Inserts name at its sorted place and returns the index it was given.
    virtual int addEntry(const QString &name) = 0;
    virtual void removeEntry(int index) = 0;
    virtual int count() const = 0;
    virtual QString name(int index) const = 0;
    virtual qint32 code(int index) const = 0;
    virtual void setCode(int index, qint32 code) = 0;
    // -1 when no entry is selected.
    virtual int selectedIndex() const = 0;
};
