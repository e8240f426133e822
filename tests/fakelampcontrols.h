#pragma once

#include "lamps/lampbank.h"
#include "lamps/lampcontrols.h"

#include <array>

// Lamp controls without widgets. Like a real slider, setting a different value
// reports the change to the bank before returning.
class FakeLampControls final : public LampControls
{
public:
    LampBank *bank = nullptr;
    std::array<int, LampCommand::MaxLamps> sliders {};
    std::array<int, LampCommand::MaxLamps> checkboxes {};
    std::array<int, LampCommand::MaxLamps> greys {};
    int sliderAssignments = 0;

    FakeLampControls()
    {
        sliders.fill(LampCommand::MaxLevel);
        greys.fill(-1);
    }

    int sliderValue(int lamp) const override { return sliders.at(lamp); }
    void setSliderValue(int lamp, int value) override
    {
        ++sliderAssignments;
        if (sliders.at(lamp) == value)
            return;
        sliders.at(lamp) = value;
        if (bank)
            bank->lampLevelChanged(lamp);
    }
    int checkboxValue(int lamp) const override { return checkboxes.at(lamp); }
    void setDisplayGrey(int lamp, int grey) override { greys.at(lamp) = grey; }

    // The operator moving lamp's slider: the value changes, then the notification.
    void operatorMoves(int lamp, int value)
    {
        sliders.at(lamp) = value;
        bank->lampLevelChanged(lamp);
    }
};
