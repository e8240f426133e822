#pragma once

// The controls the group commands act on besides the list: the sixteen lamp
// check boxes (hidden ones included) and the Remove and Select buttons.
class GroupControls
{
public:
    virtual ~GroupControls() = default;

    // 1 is checked; every other value counts as unchecked.
    virtual int checkboxValue(int lamp) const = 0;
    virtual void setCheckboxValue(int lamp, int value) = 0;
    virtual void setRemoveGroupEnabled(bool enabled) = 0;
    virtual void setSelectGroupEnabled(bool enabled) = 0;
};
