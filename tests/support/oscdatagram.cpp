#include "oscdatagram.h"

#include <QtEndian>

#include <cstdlib>
#include <lo/lo_lowlevel.h>

namespace {

const QByteArray BundleHeader("#bundle\0", 8);
// The timetag 1: "now".
const QByteArray ImmediateTimeTag = QByteArray(7, '\0') + '\1';
constexpr int SizeFieldBytes = 4;

lo_message built(const QList<OscDatagram::Argument> &arguments)
{
    lo_message message = lo_message_new();
    for (const OscDatagram::Argument &argument : arguments) {
        switch (argument.type) {
        case 'i':
            lo_message_add_int32(message, int32_t(argument.value));
            break;
        case 'f':
            lo_message_add_float(message, float(argument.value));
            break;
        case 'd':
            lo_message_add_double(message, argument.value);
            break;
        case 'h':
            lo_message_add_int64(message, int64_t(argument.value));
            break;
        default:
            lo_message_add_string(message,
                                  argument.text.isEmpty()
                                      ? QByteArray::number(argument.value).constData()
                                      : argument.text.constData());
        }
    }
    return message;
}

// Takes liblo's malloc'ed bytes.
QByteArray taken(void *bytes, size_t size)
{
    QByteArray result(static_cast<const char *>(bytes), qsizetype(size));
    std::free(bytes);
    return result;
}

} // namespace

QByteArray OscDatagram::message(const QByteArray &address, const QList<Argument> &arguments)
{
    lo_message message = built(arguments);
    size_t size = 0;
    void *bytes = lo_message_serialise(message, address.constData(), nullptr, &size);
    const QByteArray result = taken(bytes, size);
    lo_message_free(message);
    return result;
}

QByteArray OscDatagram::message(const QByteArray &address, char type, double value)
{
    return message(address, {{type, value}});
}

QByteArray OscDatagram::bundle(const QList<QPair<QByteArray, Argument>> &messages)
{
    lo_bundle bundle = lo_bundle_new(LO_TT_IMMEDIATE);
    for (const auto &[address, argument] : messages)
        lo_bundle_add_message(bundle, address.constData(), built({argument}));
    size_t size = 0;
    void *bytes = lo_bundle_serialise(bundle, nullptr, &size);
    const QByteArray result = taken(bytes, size);
    lo_bundle_free_recursive(bundle);
    return result;
}

QByteArray OscDatagram::frame(const QList<QByteArray> &elements)
{
    QByteArray result = BundleHeader + ImmediateTimeTag;
    for (const QByteArray &element : elements) {
        char size[SizeFieldBytes];
        qToBigEndian<qint32>(qint32(element.size()), size);
        result += QByteArray(size, SizeFieldBytes) + element;
    }
    return result;
}
