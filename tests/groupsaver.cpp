// A child program for the kill test: defines and removes lamp groups for ever through
// the real group logic and a real settings file, and reports each finished save on
// standard output as "saved <step>". Arguments: the settings file and a run number.

#include "fakegroupdialogs.h"
#include "groups/lampgroups.h"
#include "groupsaverplan.h"
#include "lamps/deskmodel.h"
#include "settings/settingsfile.h"

#include <QByteArray>
#include <QString>

#include <csignal>
#include <cstdlib>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr int ExpectedArguments = 3;
constexpr int UsageExitCode = 2;

// One write per line, so a line is never split even when the process dies.
void report(const QByteArray &line)
{
    const QByteArray text = line + '\n';
    [[maybe_unused]] const ssize_t written
        = ::write(STDOUT_FILENO, text.constData(), size_t(text.size()));
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != ExpectedArguments)
        return UsageExitCode;
    // Never outlive the test that started it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);

    SettingsFile settings(QString::fromLocal8Bit(argv[1]));
    const int run = std::atoi(argv[2]);
    DeskModel desk;
    FakeGroupDialogs dialogs;
    LampGroups groups(desk, dialogs, settings);
    groups.loadGroups();

    for (int s = 1;; ++s) {
        const GroupSaverPlan::Step step = GroupSaverPlan::step(run, s, int(desk.groups().size()));
        if (step.define) {
            FakeGroupDialogs::linkCode(desk, step.code);
            dialogs.textAnswers = {step.name};
            groups.defineGroup();
        } else {
            dialogs.yesNoAnswers = {true};
            groups.removeGroup(step.removeIndex);
        }
        report("saved " + QByteArray::number(s));
    }
}
