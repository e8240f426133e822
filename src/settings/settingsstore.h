#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

// One key at a time in section "Kelvaris" of the settings file. Failures never
// reach the caller: a read that fails gives the empty text, a write that fails
// leaves the store as it was.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;

    virtual QString readSetting(const QString &key) const = 0;
    virtual void writeSetting(const QString &key, const QString &value) = 0;

    using Values = QHash<QString, QString>;
    // Reads the keys in one look at the store, each as readSetting would. A store that
    // cannot do that reads them one by one.
    virtual Values readSettings(const QStringList &keys) const
    {
        Values values;
        for (const QString &key : keys)
            values.insert(key, readSetting(key));
        return values;
    }

    using Entries = QList<std::pair<QString, QString>>;
    // Writes the keys in order as one change, so that a crash part-way never
    // leaves some of them new and some old. A store that cannot do that writes
    // them one by one.
    virtual void writeSettings(const Entries &entries)
    {
        for (const auto &[key, value] : entries)
            writeSetting(key, value);
    }
};
