#pragma once

#include "panel/layoutsurface.h"

class LampBank;
class LampControls;
class SettingsStore;

// Applies the lamp count chosen in the lamp-count list: stores it, shows lamps
// 0 to count-1 in one row (up to 8) or two, sizes the window, moves the group
// buttons and the lamp-count list, and puts every shown slider back at its level.
// It keeps no state: each run recomputes everything from lamp 0's column.
class LampLayout final
{
public:
    static constexpr int ColumnPitch = 900;
    static constexpr int RowOffset = 3180;
    static constexpr int MaxOneRowCount = 8;

    LampLayout(LayoutSurface &surface, LampControls &controls, LampBank &bank,
               SettingsStore &settings);

    void arrangeLamps();

    // Row (0 or 1) and column of lamp i for a lamp count.
    static int rowOf(int lamp, int count);
    static int columnOf(int lamp, int count);

private:
    void placeGroupControls(int count);
    void placeLamp(int lamp, int count);

    LayoutSurface &m_surface;
    LampControls &m_controls;
    LampBank &m_bank;
    SettingsStore &m_settings;
};
