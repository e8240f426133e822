#pragma once

// What a remote controller may do to the lamps: move one shown lamp's slider to a
// level, exactly as the operator's hand would.
class LampMover
{
public:
    virtual ~LampMover() = default;

    // Lamps 0 to lampCount() - 1 are shown and may be moved.
    virtual int lampCount() const = 0;
    // lamp is shown and level is 0 to 255.
    virtual void moveLamp(int lamp, int level) = 0;
};
