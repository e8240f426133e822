#include "remote/osc/osccommandhandler.h"

#include "lamps/lampcommand.h"
#include "remoteapi/lampmover.h"
#include "remoteapi/lookcontrol.h"

#include <QByteArrayView>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <lo/lo_lowlevel.h>
#include <memory>
#include <vector>

namespace {

// Every OSC packet, and every element of a bundle, is a whole number of 4-byte words.
constexpr qsizetype WordSize = 4;
const QByteArray BundleTag("#bundle\0", 8);
constexpr qsizetype TimetagSize = 8;
constexpr qsizetype BundleHeaderSize = 8 + TimetagSize;
constexpr qsizetype ElementSizeField = 4;
constexpr char AddressStart = '/';
constexpr char BundleStart = '#';

const QByteArray LampPrefix("/kelvaris/lamp/");
const QByteArray AllLampsAddress("/kelvaris/lamps");
const QByteArray RecallAddress("/kelvaris/look/recall");
const QByteArray StoreAddress("/kelvaris/look/store");
const QByteArray BlackoutAddress("/kelvaris/blackout");

struct MessageFree
{
    void operator()(void *message) const { lo_message_free(static_cast<lo_message>(message)); }
};

struct Message
{
    QByteArray address;
    std::unique_ptr<void, MessageFree> decoded;
};

// Collects the messages of one packet in order; false when any part is malformed.
bool collect(QByteArray &bytes, qsizetype begin, qsizetype size, int depth,
             std::vector<Message> &messages)
{
    if (size <= 0 || size % WordSize != 0)
        return false;
    char *data = bytes.data() + begin;
    if (data[0] == AddressStart) {
        int result = 0;
        std::unique_ptr<void, MessageFree> decoded(
            lo_message_deserialise(data, size_t(size), &result));
        if (!decoded)
            return false;
        // liblo has checked that the address is a terminated, padded string.
        messages.push_back({QByteArray(data, qstrnlen(data, size_t(size))), std::move(decoded)});
        return true;
    }
    if (data[0] != BundleStart || depth >= OscCommandHandler::MaxBundleDepth
        || size < BundleHeaderSize || QByteArrayView(data, BundleTag.size()) != BundleTag)
        return false;
    // The timetag is passed over: every element takes effect now.
    qsizetype at = BundleHeaderSize;
    while (at < size) {
        if (size - at < ElementSizeField)
            return false;
        const qint32 elementSize = qFromBigEndian<qint32>(data + at);
        at += ElementSizeField;
        if (elementSize <= 0 || elementSize > size - at)
            return false;
        if (!collect(bytes, begin + at, elementSize, depth + 1, messages))
            return false;
        at += elementSize;
    }
    return true;
}

// An argument's value. liblo lays arguments out on 4-byte boundaries, while its
// lo_arg union asks for 8, so the value is copied out rather than read through it.
template<typename T> T valueOf(const lo_arg *argument)
{
    T value {};
    std::memcpy(&value, reinterpret_cast<const char *>(argument), sizeof value);
    return value;
}

QString textOf(const lo_arg *argument)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(argument));
}

// The level of a message's single argument, if it is one.
std::optional<int> levelOf(void *decoded)
{
    auto *message = static_cast<lo_message>(decoded);
    if (lo_message_get_argc(message) != 1)
        return std::nullopt;
    const lo_arg *argument = lo_message_get_argv(message)[0];
    switch (lo_message_get_types(message)[0]) {
    case LO_INT32: {
        const auto level = valueOf<qint32>(argument);
        if (level < 0 || level > LampCommand::MaxLevel)
            return std::nullopt;
        return level;
    }
    case LO_FLOAT:
        return OscCommandHandler::levelFromFraction(valueOf<float>(argument));
    default:
        return std::nullopt;
    }
}

// A look named by a string or numbered by an int from 1 in stored order, with an
// optional fade in seconds as a float or an int.
void recall(void *decoded, LookControl &looks)
{
    auto *message = static_cast<lo_message>(decoded);
    const int argc = lo_message_get_argc(message);
    if (argc < 1 || argc > 2)
        return;
    const char *types = lo_message_get_types(message);
    lo_arg **argv = lo_message_get_argv(message);
    QString name;
    if (types[0] == LO_STRING) {
        name = textOf(argv[0]);
    } else if (types[0] == LO_INT32) {
        const QStringList stored = looks.storedLookNames();
        const auto number = valueOf<qint32>(argv[0]);
        if (number < 1 || number > stored.size())
            return;
        name = stored.at(number - 1);
    } else {
        return;
    }
    if (name.isEmpty())
        return;
    std::optional<double> fade;
    if (argc == 2) {
        if (types[1] == LO_FLOAT)
            fade = double(valueOf<float>(argv[1]));
        else if (types[1] == LO_INT32)
            fade = double(valueOf<qint32>(argv[1]));
        else
            return;
    }
    looks.recallLook(name, fade);
}

void store(void *decoded, LookControl &looks)
{
    auto *message = static_cast<lo_message>(decoded);
    if (lo_message_get_argc(message) == 1 && lo_message_get_types(message)[0] == LO_STRING)
        looks.storeLook(textOf(lo_message_get_argv(message)[0]));
}

// 1 or 0, as an int or a float; anything else is no switch.
void blackout(void *decoded, LookControl &looks)
{
    auto *message = static_cast<lo_message>(decoded);
    if (lo_message_get_argc(message) != 1)
        return;
    const lo_arg *argument = lo_message_get_argv(message)[0];
    double value = -1;
    switch (lo_message_get_types(message)[0]) {
    case LO_INT32:
        value = valueOf<qint32>(argument);
        break;
    case LO_FLOAT:
        value = valueOf<float>(argument);
        break;
    default:
        return;
    }
    if (value == 1.0 || value == 0.0)
        looks.setBlackout(value == 1.0);
}

} // namespace

OscCommandHandler::OscCommandHandler(LampMover &mover, LookControl &looks)
    : m_mover(mover), m_looks(looks)
{ }

void OscCommandHandler::handleDatagram(const QByteArray &datagram)
{
    // liblo reads from a writable buffer; the datagram itself is left alone.
    QByteArray bytes = datagram;
    std::vector<Message> messages;
    if (!collect(bytes, 0, bytes.size(), 0, messages))
        return;

    for (const Message &message : messages) {
        if (message.address == RecallAddress) {
            recall(message.decoded.get(), m_looks);
            continue;
        }
        if (message.address == StoreAddress) {
            store(message.decoded.get(), m_looks);
            continue;
        }
        if (message.address == BlackoutAddress) {
            blackout(message.decoded.get(), m_looks);
            continue;
        }
        const std::optional<int> level = levelOf(message.decoded.get());
        if (!level)
            continue;
        const int count = m_mover.lampCount();
        if (message.address == AllLampsAddress) {
            for (int lamp = 0; lamp < count; ++lamp)
                m_mover.moveLamp(lamp, *level);
        } else if (message.address.startsWith(LampPrefix)) {
            const std::optional<int> lamp
                = lampFromText(message.address.mid(LampPrefix.size()), count);
            if (lamp)
                m_mover.moveLamp(*lamp, *level);
        }
    }
}

std::optional<int> OscCommandHandler::levelFromFraction(float fraction)
{
    if (!(fraction >= 0.0F && fraction <= 1.0F))
        return std::nullopt; // NaN fails both comparisons
    // A float times 255 is exact in a double; round half to even by hand, whatever
    // the floating-point environment says.
    const double scaled = double(fraction) * LampCommand::MaxLevel;
    const double below = std::floor(scaled);
    const double rest = scaled - below;
    const auto lower = int(below);
    if (rest < 0.5)
        return lower;
    if (rest > 0.5)
        return lower + 1;
    return lower % 2 == 0 ? lower : lower + 1;
}

std::optional<int> OscCommandHandler::lampFromText(const QByteArray &text, int count)
{
    if (text.isEmpty() || (text.size() > 1 && text.front() == '0'))
        return std::nullopt;
    int lamp = 0;
    for (const char digit : text) {
        if (digit < '0' || digit > '9')
            return std::nullopt;
        lamp = lamp * 10 + (digit - '0');
        // Stops long digit strings before they can overflow.
        if (lamp >= count)
            return std::nullopt;
    }
    return lamp;
}
