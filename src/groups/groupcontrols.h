#pragma once

#include "lamps/lampcheckboxes.h"

// The controls the group commands act on besides the list: the sixteen lamp
// check boxes (hidden ones included) and the Remove and Select buttons.
class GroupControls : public LampCheckboxes
{
public:
    virtual void setCheckboxValue(int lamp, int value) = 0;
    virtual void setRemoveGroupEnabled(bool enabled) = 0;
    virtual void setSelectGroupEnabled(bool enabled) = 0;
};
