#include "serial/linesettings.h"

std::optional<LineSettings> LineSettings::parse(const QString &text)
{
    Q_UNUSED(text)
    return LineSettings{}; // placeholder
}
