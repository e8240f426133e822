#pragma once

#include "panel/layoutsurface.h"

class DeskModel;
class SettingsStore;

// Applies the lamp count chosen in the lamp-count list: puts it on the desk and in the
// settings, shows lamps 0 to count-1 in one row (up to 8) or two, sizes the window and
// moves the group buttons and the lamp-count list. It keeps no state: each run
// recomputes everything from lamp 0's column.
class LampLayout final
{
public:
    static constexpr int MaxOneRowCount = 8;

    LampLayout(LayoutSurface &surface, DeskModel &desk, SettingsStore &settings);

    void arrangeLamps();

    // Row (0 or 1) and column of lamp i for a lamp count.
    static int rowOf(int lamp, int count);
    static int columnOf(int lamp, int count);

private:
    void placeGroupControls(int count);
    void placeLamp(int lamp, int count);

    LayoutSurface &m_surface;
    DeskModel &m_desk;
    SettingsStore &m_settings;
};
