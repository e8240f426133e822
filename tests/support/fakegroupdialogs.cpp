#include "fakegroupdialogs.h"

#include "lamps/deskmodel.h"

void FakeGroupDialogs::information(const QString &text)
{
    shown.append(QStringLiteral("information:") + text);
}

bool FakeGroupDialogs::askYesNo(const QString &text)
{
    shown.append(QStringLiteral("question:") + text);
    return !yesNoAnswers.isEmpty() && yesNoAnswers.takeFirst();
}

QString FakeGroupDialogs::askText(const QString &prompt)
{
    shown.append(QStringLiteral("input:") + prompt);
    return textAnswers.isEmpty() ? QString() : textAnswers.takeFirst();
}

void FakeGroupDialogs::linkCode(DeskModel &desk, qint32 code)
{
    for (int lamp = 0; lamp < DeskModel::MaxLamps; ++lamp)
        desk.setLinked(lamp, (code >> lamp) & 1);
}

QList<int> FakeGroupDialogs::linkedLamps(const DeskModel &desk)
{
    QList<int> lamps;
    for (int lamp = 0; lamp < DeskModel::MaxLamps; ++lamp) {
        if (desk.isLinked(lamp))
            lamps.append(lamp);
    }
    return lamps;
}
