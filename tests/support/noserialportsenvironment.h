#pragma once

#include <QProcessEnvironment>
#include <QString>

class QProcess;

// The environment that loads the serial port guard (noserialports.cpp) into a
// program a test starts, so the program cannot open the machine's real ports.
class NoSerialPortsEnvironment final
{
public:
    NoSerialPortsEnvironment() = delete;

    // The guard library's path.
    static QString library();
    // The given environment with the guard preloaded; ASan builds otherwise refuse
    // to start with a library loaded ahead of their runtime.
    static QProcessEnvironment guarded(QProcessEnvironment environment);
    // Applies guarded() to the environment the process will start with.
    static void apply(QProcess &process);
};
