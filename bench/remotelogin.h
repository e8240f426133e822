#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <chrono>

// Logs into the panel's phone remote on a loopback port, as the login form does.
class RemoteLogin final
{
public:
    RemoteLogin() = delete;

    // The session cookie as a Cookie header carries it ("name=token"), or empty
    // when the panel refused or did not answer in time. Tries again while nothing
    // listens on the port yet, so it can be called while the panel starts.
    static QByteArray sessionCookie(quint16 port, const QByteArray &password,
                                    std::chrono::milliseconds timeout);

private:
    // One attempt: the whole answer, empty when the connection failed.
    static QByteArray postLogin(quint16 port, const QByteArray &password,
                                std::chrono::milliseconds timeout);
};
