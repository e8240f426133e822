#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// What a remote controller may do with looks and the blackout, as the Looks window
// does: a recall fades the desk to a look without asking, a store under a name that
// exists replaces it without asking.
class LookControl
{
public:
    virtual ~LookControl() = default;

    // The looks' names in the order the panel lists them.
    virtual QStringList lookNames() const = 0;
    // The names in the order they were stored, as the settings file numbers them: OSC's
    // look numbers, from 1. A number that holds no look (an entry the panel could not
    // read) has an empty name.
    virtual QStringList storedLookNames() const = 0;
    // The fade of a recall that names none, in seconds (0 to 60).
    virtual double defaultFadeSeconds() const = 0;
    // Fades to the first look of that name over fadeSeconds, 0 to 60 (none: the
    // default). False, doing nothing, for an unknown look or a fade out of range.
    virtual bool recallLook(const QString &name, std::optional<double> fadeSeconds) = 0;
    // Takes the desk's levels under name (one line: the rest is dropped; empty: nothing).
    virtual void storeLook(const QString &name) = 0;

    virtual bool isBlackout() const = 0;
    virtual void setBlackout(bool on) = 0;
};
