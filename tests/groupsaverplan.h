#pragma once

#include <QString>
#include <QtGlobal>

// What the group saver changes at each step, shared with the test that kills it: the
// same run and step always give the same change, so the test can tell from the saver's
// "saved" lines which saves it finished and which one it was in when it died.
class GroupSaverPlan final
{
public:
    static constexpr int MaxGroups = 5;
    static constexpr int MinGroups = 2;
    static constexpr qint32 MaxCode = 65535;

    struct Step
    {
        bool define = true;
        QString name; // define only
        qint32 code = 0; // define only
        int removeIndex = -1; // remove only
    };

    // Step s (from 1) of run `run`, for a list holding groupCount groups before it.
    // Names carry the run and step, zero-padded so that later ones sort after earlier ones.
    static Step step(int run, int s, int groupCount)
    {
        Step result;
        const bool room = groupCount < MaxGroups;
        result.define = groupCount < MinGroups || (room && mixed(s) % 3 != 0);
        if (result.define) {
            result.name = QStringLiteral("r%1-%2")
                              .arg(run, RunDigits, Decimal, QLatin1Char('0'))
                              .arg(s, StepDigits, Decimal, QLatin1Char('0'));
            result.code
                = qint32((quint32(run) * RunFactor + quint32(s) * StepFactor) % quint32(MaxCode))
                + 1;
        } else {
            result.removeIndex = int(mixed(s) % quint32(groupCount));
        }
        return result;
    }

private:
    static constexpr int RunDigits = 4;
    static constexpr int StepDigits = 7;
    static constexpr int Decimal = 10;
    static constexpr quint32 RunFactor = 7919;
    static constexpr quint32 StepFactor = 104729;
    static constexpr quint32 MixFactor = 2654435761U;
    static constexpr int MixShift = 16;

    static quint32 mixed(int s) { return (quint32(s) * MixFactor) >> MixShift; }
};
