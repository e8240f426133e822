#pragma once

#include "groups/groupdialogs.h"

#include <QList>
#include <QStringList>

class DeskModel;

// The group dialogs without widgets. Every dialog is logged with its exact text;
// questions and input boxes take their answers from the lists, and No or an empty
// name once those are used up.
class FakeGroupDialogs final : public GroupDialogs
{
public:
    void information(const QString &text) override;
    bool askYesNo(const QString &text) override;
    QString askText(const QString &prompt) override;

    // Links the lamps of code and unlinks the others, as the operator would.
    static void linkCode(DeskModel &desk, qint32 code);
    static QList<int> linkedLamps(const DeskModel &desk);

    QStringList shown; // "information:<text>", "question:<text>", "input:<prompt>"
    QList<bool> yesNoAnswers;
    QStringList textAnswers;
};
