#pragma once

#include <QString>

// What the layout reads and sets on the window, in twips. Lamp items take the
// lamp index; the others ignore it. The window's width and height are its outer
// size, frame and title bar included.
class LayoutSurface
{
public:
    enum class Item {
        LampLabel,
        LampDisplay,
        LampSlider,
        LampCheckbox,
        GroupList,
        DefineGroupButton,
        RemoveGroupButton,
        SelectGroupButton,
        DeselectAllButton,
        LampCountLabel,
        LampCountList,
    };

    virtual ~LayoutSurface() = default;

    // Selected entry of the lamp-count list, -1 when none.
    virtual int lampCountSelection() const = 0;

    virtual int left(Item item, int lamp = 0) const = 0;
    virtual int top(Item item, int lamp = 0) const = 0;
    virtual int height(Item item, int lamp = 0) const = 0;
    virtual void setLeft(Item item, int lamp, int twips) = 0;
    virtual void setTop(Item item, int lamp, int twips) = 0;
    virtual void setHeight(Item item, int lamp, int twips) = 0;
    virtual void setVisible(Item item, int lamp, bool visible) = 0;
    virtual void setLampCaption(int lamp, const QString &caption) = 0;

    virtual int windowWidth() const = 0;
    virtual void setWindowWidth(int twips) = 0;
    virtual void setWindowHeight(int twips) = 0;
};
