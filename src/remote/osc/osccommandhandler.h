#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

class LampMover;
class LookControl;

// Turns one OSC datagram into lamp moves and look commands. A packet is a message or a bundle of
// packets; bundle elements are applied in order and timetags are taken as "now".
// Understood messages, each with exactly one argument, an int32 of 0 to 255 or a
// float32 of 0.0 to 1.0 (a fraction of full):
//   /kelvaris/lamp/N   lamp N, N in plain decimal digits without sign or leading
//                      zero ("3", not "03", "+3" or "3x"), below the lamp count;
//   /kelvaris/lamps    every shown lamp in ascending order, one move each.
// And for looks and the blackout:
//   /kelvaris/look/recall  a look's name (string) or number from 1 in stored order
//                          (int32), then optionally a fade in seconds, 0 to 60
//                          (float32 or int32); without one, the panel's default fade;
//   /kelvaris/look/store   a name (string): the levels now, replacing a look so named;
//   /kelvaris/blackout     1 or 0 (int32, or float32 1.0 or 0.0): blackout on or off.
// Everything else is dropped without a word: unknown addresses, wildcards, lamps
// beyond the count, other argument types or counts, values out of range. A packet
// that is malformed anywhere (bad framing, a message liblo cannot read) is dropped
// whole, so no part of it moves a lamp.
class OscCommandHandler final
{
public:
    // Bundles nested deeper than this are taken as malformed.
    static constexpr int MaxBundleDepth = 16;

    OscCommandHandler(LampMover &mover, LookControl &looks);

    void handleDatagram(const QByteArray &datagram);

    // The level a float argument stands for, or none when it is out of range or NaN.
    static std::optional<int> levelFromFraction(float fraction);
    // The lamp named by the text after "/kelvaris/lamp/", or none when it is not
    // plain decimal digits or names no lamp below count.
    static std::optional<int> lampFromText(const QByteArray &text, int count);

private:
    LampMover &m_mover;
    LookControl &m_looks;
};
