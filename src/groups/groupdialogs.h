#pragma once

#include <QString>

// The modal dialogs the group commands show. Texts come as the system's own,
// with a carriage return between lines; every dialog carries the application's title.
class GroupDialogs
{
public:
    virtual ~GroupDialogs() = default;

    // Information icon, OK button.
    virtual void information(const QString &text) = 0;
    // Question icon, Yes and No, Yes the default; true for Yes.
    virtual bool askYesNo(const QString &text) = 0;
    // Single-line input with an empty default; the empty text on Cancel.
    virtual QString askText(const QString &prompt) = 0;
};
