#include "platform/logging.h"

Q_LOGGING_CATEGORY(lcSettings, "kelvaris.settings", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSerial, "kelvaris.serial", QtInfoMsg)
Q_LOGGING_CATEGORY(lcRemote, "kelvaris.remote", QtInfoMsg)
