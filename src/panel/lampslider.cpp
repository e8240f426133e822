#include "panel/lampslider.h"

#include <QMouseEvent>

LampSlider::LampSlider(QWidget *parent) : QSlider(Qt::Vertical, parent)
{
    setRange(Minimum, Maximum);
    setSingleStep(SmallChange);
    setPageStep(LargeChange);
    setTickPosition(QSlider::TicksBothSides);
    setTickInterval(TickSpacing);
    // Qt puts a vertical slider's minimum at the bottom; turn both the picture and
    // the keys round so the minimum is at the top and Up still moves the thumb up.
    setInvertedAppearance(true);
    setInvertedControls(true);
    setValue(Maximum);
    // Motion without a button must arrive too, so the window can tell the two apart.
    setMouseTracking(true);
}

void LampSlider::mouseMoveEvent(QMouseEvent *event)
{
    QSlider::mouseMoveEvent(event);
    Q_EMIT pointerMoved(event->buttons());
}
