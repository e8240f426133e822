#pragma once

#include <QLoggingCategory>

// The panel's log, for the person reading stderr or the journal; the window stays silent.
// Info and above are on by default; QT_LOGGING_RULES turns any of them off, e.g.
// QT_LOGGING_RULES="kelvaris.*=false".
Q_DECLARE_LOGGING_CATEGORY(lcSettings) // which settings file, and why
Q_DECLARE_LOGGING_CATEGORY(lcSerial)   // the port opened, closed, reopened, and why not
Q_DECLARE_LOGGING_CATEGORY(lcRemote)   // remote control listening, and why not
