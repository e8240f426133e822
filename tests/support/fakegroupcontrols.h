#pragma once

#include "groups/groupcontrols.h"
#include "groups/groupdialogs.h"
#include "lamps/lampcommand.h"

#include <QList>
#include <QStringList>

#include <array>

// The check boxes, the Remove and Select buttons and the group dialogs without widgets.
// Button changes and every dialog with its exact text are logged; questions and input
// boxes take their answers from the lists, and No or an empty name once those are used up.
class FakeGroupControls final : public GroupControls, public GroupDialogs
{
public:
    int checkboxValue(int lamp) const override { return boxes.at(lamp); }
    void setCheckboxValue(int lamp, int value) override;
    void setRemoveGroupEnabled(bool enabled) override;
    void setSelectGroupEnabled(bool enabled) override;
    void information(const QString &text) override;
    bool askYesNo(const QString &text) override;
    QString askText(const QString &prompt) override;

    // Checks the lamps of code and unchecks the others, as the operator would.
    void checkCode(qint32 code);
    QList<int> checkedLamps() const;

    std::array<int, LampCommand::MaxLamps> boxes {};
    int checkboxWrites = 0;
    QStringList buttonLog; // "Remove=1", "Select=0", ...
    QStringList shown; // "information:<text>", "question:<text>", "input:<prompt>"
    QList<bool> yesNoAnswers;
    QStringList textAnswers;
};
