#pragma once

#include <QByteArray>
#include <cstdint>
#include <cstdlib>

// What the stream readers' fuzz targets share: an input read as bytes cut in two
// pieces, the first byte saying where, and a check that stops the run on a failure.
struct FuzzInput
{
    QByteArray bytes;
    qsizetype cut = 0;

    static FuzzInput from(const uint8_t *data, size_t size)
    {
        FuzzInput input;
        input.bytes = QByteArray(reinterpret_cast<const char *>(data) + 1, qsizetype(size) - 1);
        input.cut = input.bytes.isEmpty() ? 0 : data[0] % (input.bytes.size() + 1);
        return input;
    }
    QByteArray first() const { return bytes.left(cut); }
    QByteArray second() const { return bytes.mid(cut); }
};

inline void check(bool condition)
{
    if (!condition)
        std::abort();
}
