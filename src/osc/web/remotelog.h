#pragma once

#include <QLoggingCategory>

// Where the remote page listens, or why it does not, and refused logins.
Q_DECLARE_LOGGING_CATEGORY(lcRemote)
