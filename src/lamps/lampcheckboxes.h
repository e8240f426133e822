#pragma once

// The sixteen lamp check boxes as the lamp bank and the group commands read them,
// hidden lamps included.
class LampCheckboxes
{
public:
    virtual ~LampCheckboxes() = default;

    // 1 is checked; every other value counts as unchecked.
    virtual int checkboxValue(int lamp) const = 0;
};
