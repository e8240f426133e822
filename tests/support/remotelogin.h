#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <chrono>

// Logs into the panel's phone remote as the login form does.
class RemoteLogin final
{
public:
    RemoteLogin() = delete;

    // The form's POST /login to host ("address:port"), with any further header lines.
    static QByteArray request(const QByteArray &host, const QString &password,
                              const QByteArray &headers = {});
    // The session cookie an answer sets, as a Cookie header carries it ("name=token");
    // empty when it sets none, or one without the panel's attributes.
    static QByteArray sessionCookie(const QByteArray &answer);
    // Logs in on a loopback port and gives the cookie; empty when the panel refused or
    // did not answer in time. Tries again while nothing listens on the port yet, so it
    // can be called while the panel starts. Blocks: for a panel in another process.
    static QByteArray sessionCookie(quint16 port, const QString &password,
                                    std::chrono::milliseconds timeout);
};
