#include "panel/lampslider.h"

#include <QMouseEvent>
#include <QPalette>

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
    // The style would fill the groove from the top (value 0) down to the thumb,
    // which reads as the opposite of the level; keep the groove plain instead.
    QPalette plain = palette();
    plain.setColor(QPalette::Highlight, plain.color(QPalette::Dark));
    setPalette(plain);
    // Motion without a button must arrive too, so the window can tell the two apart.
    setMouseTracking(true);
}

void LampSlider::mouseMoveEvent(QMouseEvent *event)
{
    QSlider::mouseMoveEvent(event);
    Q_EMIT pointerMoved(event->buttons());
}
