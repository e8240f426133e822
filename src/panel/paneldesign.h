#pragma once

#include "panel/twips.h"

#include <QRect>

// The window's design in twips (see Twips): every number the window is laid out from,
// in one table. The controls start at their places here; the layout then moves them
// for the lamp count, from lamp 0's column and the two arrangements.
namespace PanelDesign {

// A control's place and size.
struct Rect
{
    int left;
    int top;
    int width;
    int height;
};

constexpr QRect toPixels(const Rect &design)
{
    return {Twips::toPixels(design.left), Twips::toPixels(design.top),
            Twips::toPixels(design.width), Twips::toPixels(design.height)};
}

// The window's outer size is its client size plus a fixed frame allowance.
constexpr int FrameWidth = 90;
constexpr int FrameHeight = 375;
constexpr int ClientWidth = 9480;
constexpr int ClientHeight = 6465;

constexpr Rect GroupListLabel {120, 240, 1935, 255};
constexpr Rect GroupList {120, 480, 1935, 3375};
constexpr Rect DefineGroupButton {360, 2160, 1455, 375};
constexpr Rect RemoveGroupButton {360, 2640, 1455, 375};
constexpr Rect SelectGroupButton {360, 3120, 1455, 375};
constexpr Rect DeselectAllButton {360, 4440, 1455, 375};
constexpr Rect LampCountLabel {480, 5100, 615, 255};
constexpr Rect LampCountList {1200, 5040, 675, 315};

// Every lamp's column starts at lamp 0's places.
constexpr Rect LampLabel {2160, 120, 855, 255};
constexpr Rect LampDisplay {2280, 360, 615, 375};
constexpr Rect LampSlider {2280, 780, 630, 2895};
constexpr Rect LampCheckbox {2490, 3660, 195, 255};

// From one lamp's column to the next, and from the first row to the second.
constexpr int ColumnPitch = 900;
constexpr int RowOffset = 3180;

// The two arrangements: all lamps in one row, or in two.
struct Arrangement
{
    int sliderHeight;
    int checkboxTop;
    int windowHeight;
    int listHeight;
    int defineGroupTop;
    int lampCountLabelLeft; // used by two rows only; one row follows the window's width
    int lampCountLabelBelowDeselectAll;
    int lampCountListLeft; // two rows only; one row follows LampCountLabel
    int lampCountListBelowDeselectAll;
};

constexpr Arrangement OneRow {2415, 3240, 4560, 1620, 2160, 0, 120, 0, 60};
constexpr Arrangement TwoRows {2055, 2880, 6840, 3375, 3960, 390, 600, 1110, 540};

constexpr int ButtonPitch = 480;
constexpr int LampCountLabelFromRightEdge = 1740;
constexpr int LampCountListAfterLabel = 720;

} // namespace PanelDesign
