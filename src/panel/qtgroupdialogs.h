#pragma once

#include "groups/groupdialogs.h"

#include <QPointer>
#include <QString>

class QWidget;

// The group commands' dialogs as the platform's modal message box and input box,
// centred on the window and titled with the application's title.
class QtGroupDialogs final : public GroupDialogs
{
public:
    explicit QtGroupDialogs(QWidget *parent);

    static QString title();
    // The system's texts separate lines with a carriage return; the dialogs break at "\n".
    static QString shownText(const QString &text);

    void information(const QString &text) override;
    bool askYesNo(const QString &text) override;
    QString askText(const QString &prompt) override;

private:
    QPointer<QWidget> m_parent;
};
