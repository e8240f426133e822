#pragma once

#include "lamps/lampcommand.h"

#include <QSlider>

// A lamp's level fader: vertical, 0 at the top (full brightness) to 255 at the
// bottom (off). Up, Page Up and the wheel turned up move the thumb up.
class LampSlider final : public QSlider
{
    Q_OBJECT

public:
    static constexpr int Minimum = 0;
    // The slider value is 255 minus the level, so its range is the level's.
    static constexpr int Maximum = LampCommand::MaxLevel;
    static constexpr int SmallChange = 1;
    static constexpr int LargeChange = 64;
    static constexpr int TickSpacing = 64;

    explicit LampSlider(QWidget *parent = nullptr);

Q_SIGNALS:
    // Pointer motion over the slider, with the buttons held during it.
    void pointerMoved(Qt::MouseButtons buttons);

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};
