#pragma once

#include "lamps/lampcheckboxes.h"

// The lamp bank's view of one lamp column's controls. Setting a slider to a
// value other than the one it holds must report the change (call
// LampBank::lampLevelChanged) before it returns.
class LampControls : public LampCheckboxes
{
public:
    virtual int sliderValue(int lamp) const = 0;
    virtual void setSliderValue(int lamp, int value) = 0;
    // Red, green and blue all equal to grey.
    virtual void setDisplayGrey(int lamp, int grey) = 0;
};
