#pragma once

// The lamp bank's view of one lamp column's controls. Setting a slider to a
// value other than the one it holds must report the change (call
// LampBank::lampLevelChanged) before it returns.
class LampControls
{
public:
    virtual ~LampControls() = default;

    virtual int sliderValue(int lamp) const = 0;
    virtual void setSliderValue(int lamp, int value) = 0;
    // 1 is checked; every other value counts as unchecked.
    virtual int checkboxValue(int lamp) const = 0;
    // Red, green and blue all equal to grey.
    virtual void setDisplayGrey(int lamp, int grey) = 0;
};
