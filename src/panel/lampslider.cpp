#include "panel/lampslider.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionSlider>

namespace {
constexpr int GrooveWidth = 4;
constexpr int TickLength = 4;
constexpr int TickGap = 2;
} // namespace

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

// A plain fader, drawn flat: the style's shaded slider costs most of the first
// frame of a window with sixteen of them, and its groove fill would run from the
// top (value 0) to the thumb, the opposite of the level. The style still places
// the thumb, so drawing and pointer handling agree.
void LampSlider::paintEvent(QPaintEvent *)
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove
        = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle
        = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);

    QPainter painter(this);
    const QPalette &colours = palette();
    const int centre = handle.center().x();

    // Ticks on both sides, centred on the thumb's positions for their values.
    painter.setPen(colours.color(QPalette::WindowText));
    const int span = groove.height() - handle.height();
    auto tickAt = [&](int value) {
        const int y = groove.top() + handle.height() / 2
            + QStyle::sliderPositionFromValue(minimum(), maximum(), value, span, option.upsideDown);
        const int leftEnd = handle.left() - TickGap;
        const int rightStart = handle.right() + TickGap;
        painter.drawLine(leftEnd - TickLength, y, leftEnd, y);
        painter.drawLine(rightStart, y, rightStart + TickLength, y);
    };
    for (int value = minimum(); value < maximum(); value += tickInterval())
        tickAt(value);
    tickAt(maximum());

    const QRect channel(centre - GrooveWidth / 2, groove.top() + handle.height() / 2, GrooveWidth,
                        span);
    painter.setPen(colours.color(QPalette::Dark));
    painter.setBrush(colours.color(QPalette::Base));
    painter.drawRect(channel);

    painter.setPen(colours.color(QPalette::Shadow));
    painter.setBrush(colours.color(QPalette::Button));
    painter.drawRect(handle.adjusted(0, 0, -1, -1));
    painter.setPen(colours.color(QPalette::Dark));
    painter.drawLine(handle.left() + 2, handle.center().y(), handle.right() - 2,
                     handle.center().y());

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = handle.adjusted(-2, -2, 2, 2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}
