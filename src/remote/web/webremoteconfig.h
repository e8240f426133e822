#pragma once

#include <QHostAddress>
#include <QString>

#include <QByteArray>
#include <QStringList>

// How the remote page is set up: the port (0 is off), the password (empty: loopback
// only, no login), the address text as written in the settings and the names besides
// the machine's own that a request may call it by.
struct WebRemoteConfig
{
    // A shorter password is too quickly guessed for a page on the network.
    static constexpr qsizetype MinNetworkPasswordLength = 8;

    quint16 port = 0;
    QString password;
    QString address;
    QStringList hostNames;
    // Signs the login tokens (SessionSecret); empty: made up for this process alone.
    QByteArray secret;
    // Said in the log line, to tell panels apart.
    QString panelName;

    // Where to listen: loopback without a password or with a short one, whatever the
    // address says; every address of the machine when none is given; loopback for text
    // that is no address.
    QHostAddress listenAddress() const;
    // Why listenAddress() is loopback although that was not asked for; empty otherwise.
    QString loopbackReason() const;
};
