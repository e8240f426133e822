#include "osc/web/remotelog.h"

Q_LOGGING_CATEGORY(lcRemote, "kelvaris.remote", QtInfoMsg)
