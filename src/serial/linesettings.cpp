#include "serial/linesettings.h"

#include <QStringList>

namespace {

constexpr qsizetype FieldCount = 4;
constexpr qsizetype BaudField = 0;
constexpr qsizetype ParityField = 1;
constexpr qsizetype DataBitsField = 2;
constexpr qsizetype StopBitsField = 3;

std::optional<qint32> parseBaudRate(const QString &field)
{
    // toInt() would also take blanks and a sign; the text allows digits only.
    if (field.isEmpty())
        return std::nullopt;
    for (const QChar c : field) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const int rate = field.toInt(&ok);
    if (!ok || rate <= 0)
        return std::nullopt;
    return rate;
}

std::optional<QSerialPort::Parity> parseParity(const QString &field)
{
    if (field == QLatin1String("N"))
        return QSerialPort::NoParity;
    if (field == QLatin1String("E"))
        return QSerialPort::EvenParity;
    if (field == QLatin1String("O"))
        return QSerialPort::OddParity;
    if (field == QLatin1String("M"))
        return QSerialPort::MarkParity;
    if (field == QLatin1String("S"))
        return QSerialPort::SpaceParity;
    return std::nullopt;
}

std::optional<QSerialPort::DataBits> parseDataBits(const QString &field)
{
    if (field == QLatin1String("5"))
        return QSerialPort::Data5;
    if (field == QLatin1String("6"))
        return QSerialPort::Data6;
    if (field == QLatin1String("7"))
        return QSerialPort::Data7;
    if (field == QLatin1String("8"))
        return QSerialPort::Data8;
    return std::nullopt;
}

std::optional<QSerialPort::StopBits> parseStopBits(const QString &field)
{
    if (field == QLatin1String("1"))
        return QSerialPort::OneStop;
    if (field == QLatin1String("1.5"))
        return QSerialPort::OneAndHalfStop;
    if (field == QLatin1String("2"))
        return QSerialPort::TwoStop;
    return std::nullopt;
}

} // namespace

std::optional<LineSettings> LineSettings::parse(const QString &text)
{
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != FieldCount)
        return std::nullopt;

    const auto baudRate = parseBaudRate(fields.at(BaudField));
    const auto parity = parseParity(fields.at(ParityField));
    const auto dataBits = parseDataBits(fields.at(DataBitsField));
    const auto stopBits = parseStopBits(fields.at(StopBitsField));
    if (!baudRate || !parity || !dataBits || !stopBits)
        return std::nullopt;

    LineSettings settings;
    settings.baudRate = *baudRate;
    settings.parity = *parity;
    settings.dataBits = *dataBits;
    settings.stopBits = *stopBits;
    return settings;
}

LineSettings LineSettings::lampController()
{
    const std::optional<LineSettings> settings = parse(QLatin1String(LampControllerText));
    Q_ASSERT(settings);
    return settings.value_or(LineSettings {});
}
