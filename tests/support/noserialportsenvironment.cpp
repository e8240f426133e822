#include "noserialportsenvironment.h"

#include <QProcess>

namespace {

const QString PreloadVariable = QStringLiteral("LD_PRELOAD");
const QString AsanOptionsVariable = QStringLiteral("ASAN_OPTIONS");
const QString NoLinkOrderCheck = QStringLiteral("verify_asan_link_order=0");

// Appends to a list variable, keeping what is already there.
void append(QProcessEnvironment &environment, const QString &name, const QString &value,
            QChar separator)
{
    const QString existing = environment.value(name);
    environment.insert(name, existing.isEmpty() ? value : existing + separator + value);
}

} // namespace

QString NoSerialPortsEnvironment::library()
{
    return QStringLiteral(KELVARIS_NOSERIALPORTS);
}

QProcessEnvironment NoSerialPortsEnvironment::guarded(QProcessEnvironment environment)
{
    const QString preload = environment.value(PreloadVariable);
    if (preload.split(QLatin1Char(':')).contains(library()))
        return environment;
    // First, so that it interposes ahead of any other preloaded library.
    environment.insert(PreloadVariable,
                       preload.isEmpty() ? library() : library() + QLatin1Char(':') + preload);
    append(environment, AsanOptionsVariable, NoLinkOrderCheck, QLatin1Char(':'));
    return environment;
}

void NoSerialPortsEnvironment::apply(QProcess &process)
{
    // An empty environment means "inherit this process's".
    QProcessEnvironment environment = process.processEnvironment();
    if (environment.isEmpty())
        environment = QProcessEnvironment::systemEnvironment();
    process.setProcessEnvironment(guarded(environment));
}
