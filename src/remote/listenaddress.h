#pragma once

#include <QHostAddress>
#include <QString>

// Addresses as remote control reads them, for OSC and the phone remote alike: the
// address a settings key names, and a peer's address as the operator would write it.
namespace ListenAddress {

// The address the text names (blanks around it ignored), or a null address. IPv4 only
// in full dotted form: QHostAddress would also take "192.168.1" (as 192.168.0.1) or
// "0" (every address), which no one means to write.
QHostAddress parse(const QString &text);

// What the text names; `fallback` when it is empty, loopback when it is no address, so
// a slip of the hand never opens the panel to the network.
QHostAddress parse(const QString &text, const QHostAddress &fallback);

// An IPv4 peer seen through a dual-stack socket (::ffff:a.b.c.d) as the IPv4 address
// itself; any other address unchanged.
QHostAddress unmapped(const QHostAddress &address);

} // namespace ListenAddress
