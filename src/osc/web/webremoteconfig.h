#pragma once

#include <QHostAddress>
#include <QString>

// How the remote page is set up: the port (0 is off), the password (empty: loopback
// only, no login) and the address text as written in the settings.
struct WebRemoteConfig
{
    quint16 port = 0;
    QString password;
    QString address;

    // Where to listen: loopback without a password, whatever the address says; every
    // address of the machine when none is given; loopback for text that is no address.
    QHostAddress listenAddress() const;
    // Why listenAddress() is loopback although that was not asked for; empty otherwise.
    QString loopbackReason() const;
};
