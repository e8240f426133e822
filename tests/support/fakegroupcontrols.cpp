#include "fakegroupcontrols.h"

void FakeGroupControls::setCheckboxValue(int lamp, int value)
{
    boxes.at(lamp) = value;
    ++checkboxWrites;
}

void FakeGroupControls::setRemoveGroupEnabled(bool enabled)
{
    buttonLog.append(QStringLiteral("Remove=%1").arg(enabled));
}

void FakeGroupControls::setSelectGroupEnabled(bool enabled)
{
    buttonLog.append(QStringLiteral("Select=%1").arg(enabled));
}

void FakeGroupControls::information(const QString &text)
{
    shown.append(QStringLiteral("information:") + text);
}

bool FakeGroupControls::askYesNo(const QString &text)
{
    shown.append(QStringLiteral("question:") + text);
    return !yesNoAnswers.isEmpty() && yesNoAnswers.takeFirst();
}

QString FakeGroupControls::askText(const QString &prompt)
{
    shown.append(QStringLiteral("input:") + prompt);
    return textAnswers.isEmpty() ? QString() : textAnswers.takeFirst();
}

void FakeGroupControls::checkCode(qint32 code)
{
    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp)
        boxes.at(lamp) = (code >> lamp) & 1;
}

QList<int> FakeGroupControls::checkedLamps() const
{
    QList<int> lamps;
    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp) {
        if (boxes.at(lamp) == 1)
            lamps.append(lamp);
    }
    return lamps;
}
