#pragma once

#include <QByteArray>
#include <QStringList>

// The names a request's Host may give for this machine: localhost and the loopback
// addresses, the machine's own addresses, its host name with or without ".local", and
// the names the settings add. A request that names anything else was meant for another
// server, or comes from a web page whose own name was made to point at this machine
// (DNS rebinding), which would otherwise pass as the panel's own page.
class LocalHostNames final
{
public:
    explicit LocalHostNames(const QStringList &extraNames = {});

    // host as a Host header gives it: a name or an address, a port or none.
    bool accepts(const QByteArray &host) const;

private:
    QStringList m_names;
};
