// A child program for the kill test: defines and removes lamp groups for ever through
// the real group logic and a real settings file, and reports each finished save on
// standard output as "saved <step>". Arguments: the settings file and a run number.

#include "groups/groupcontrols.h"
#include "groups/groupdialogs.h"
#include "groups/grouplist.h"
#include "groups/lampgroups.h"
#include "lamps/lampcommand.h"
#include "groupsaverplan.h"
#include "settings/settingsfile.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdlib>
#include <sys/prctl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int ExpectedArguments = 3;
constexpr int UsageExitCode = 2;

class SaverList final : public GroupList
{
public:
    void clear() override { m_entries.clear(); }
    int addEntry(const QString &name) override
    {
        const auto at = std::upper_bound(m_entries.begin(), m_entries.end(), name,
                                         [](const QString &n, const Entry &e) {
                                             return GroupSaverPlan::sortsBefore(n, e.name);
                                         });
        const int index = int(at - m_entries.begin());
        m_entries.insert(at, Entry {name, 0});
        return index;
    }
    void removeEntry(int index) override { m_entries.erase(m_entries.begin() + index); }
    int count() const override { return int(m_entries.size()); }
    QString name(int index) const override { return m_entries.at(size_t(index)).name; }
    qint32 code(int index) const override { return m_entries.at(size_t(index)).code; }
    void setCode(int index, qint32 code) override { m_entries.at(size_t(index)).code = code; }
    int selectedIndex() const override { return m_selected; }
    void select(int index) { m_selected = index; }

private:
    struct Entry
    {
        QString name;
        qint32 code = 0;
    };
    std::vector<Entry> m_entries;
    int m_selected = -1;
};

class SaverControls final : public GroupControls
{
public:
    int checkboxValue(int lamp) const override { return m_boxes.at(size_t(lamp)); }
    void setCheckboxValue(int lamp, int value) override { m_boxes.at(size_t(lamp)) = value; }
    void setRemoveGroupEnabled(bool) override { }
    void setSelectGroupEnabled(bool) override { }
    void checkCode(qint32 code)
    {
        for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp)
            m_boxes.at(size_t(lamp)) = (code >> lamp) & 1;
    }

private:
    std::array<int, LampCommand::MaxLamps> m_boxes {};
};

class SaverDialogs final : public GroupDialogs
{
public:
    void information(const QString &) override { }
    bool askYesNo(const QString &) override { return true; }
    QString askText(const QString &) override { return m_name; }
    void setName(const QString &name) { m_name = name; }

private:
    QString m_name;
};

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
    SaverList list;
    SaverControls controls;
    SaverDialogs dialogs;
    LampGroups groups(list, controls, dialogs, settings);
    groups.loadGroups();

    for (int s = 1;; ++s) {
        const GroupSaverPlan::Step step = GroupSaverPlan::step(run, s, list.count());
        if (step.define) {
            controls.checkCode(step.code);
            dialogs.setName(step.name);
            groups.defineGroupClicked();
        } else {
            list.select(step.removeIndex);
            groups.removeGroupClicked();
        }
        report("saved " + QByteArray::number(s));
    }
}
