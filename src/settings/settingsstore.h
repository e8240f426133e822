#pragma once

#include <QString>

// One key at a time in section "Kelvaris" of the settings file. Failures never
// reach the caller: a read that fails gives the empty text, a write that fails
// leaves the store as it was.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;

    virtual QString ReadSetting(const QString &key) const = 0;
    virtual void WriteSetting(const QString &key, const QString &value) = 0;
};
