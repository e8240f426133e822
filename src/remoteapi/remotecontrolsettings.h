#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>

// What remote control is told of the settings, as the panel read them: OSC and the
// phone remote each listen only when their port is set.
struct RemoteControlSettings
{
    // OSC's UDP port, the address text it listens on (blanks around it removed) and
    // the senders it takes datagrams from, comma-separated as typed; empty takes
    // every sender.
    std::optional<quint16> oscPort;
    QString oscAddress;
    QString oscAllow;
    // The phone remote's TCP port, its password as typed (blanks may be part of it),
    // its address text, and the names besides the machine's own that the page may be
    // opened by.
    std::optional<quint16> webPort;
    QString webPassword;
    QString webAddress;
    QStringList webHostNames;
    // Where the phone remote keeps the secret that lets a login outlast a restart;
    // empty: logins end with the panel.
    QString webSecretPath;
};
