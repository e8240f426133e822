#pragma once

#include <QByteArray>

// What the refresh cycle needs of the serial link: ask whether it is open, and
// hand it one lamp command to send.
class CommandPort
{
public:
    virtual ~CommandPort() = default;

    virtual bool isOpen() const = 0;
    virtual void write(const QByteArray &command) = 0;
};
