#pragma once

#include "osc/remotepanel.h"

#include <QStringList>
#include <array>

// A panel without widgets that records what a remote page asked of it as words
// ("move 3 200", "link 3 1", "select 0", "deselect"); moves of a linked lamp move
// the other linked lamps, as on the panel.
class FakeRemotePanel final : public RemotePanel
{
public:
    int count = 8;
    std::array<int, 16> levels {};
    std::array<bool, 16> links {};
    QStringList groups {QStringLiteral("Front"), QStringLiteral("Back")};
    QStringList calls;

    int lampCount() const override { return count; }
    void moveLamp(int lamp, int level) override
    {
        calls.append(QStringLiteral("move %1 %2").arg(lamp).arg(level));
        for (int i = 0; i < count; ++i) {
            if (i == lamp || (links.at(lamp) && links.at(i)))
                levels.at(i) = level;
        }
    }
    int lampLevel(int lamp) const override { return levels.at(lamp); }
    bool isLampLinked(int lamp) const override { return links.at(lamp); }
    void setLampLinked(int lamp, bool linked) override
    {
        calls.append(QStringLiteral("link %1 %2").arg(lamp).arg(linked));
        links.at(lamp) = linked;
    }
    QStringList groupNames() const override { return groups; }
    void selectGroup(int index) override { calls.append(QStringLiteral("select %1").arg(index)); }
    void deselectAll() override { calls.append(QStringLiteral("deselect")); }
};
