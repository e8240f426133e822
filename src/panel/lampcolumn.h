#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class LampDisplay;
class LampSlider;

// One lamp's controls: its caption, the shade of its level, its fader and its link
// box, at the design's places of lamp 0's column, named and spoken by the lamp. They
// are children of the window like every other control, so that the window's tab order
// and the layout reach each of them.
class LampColumn final
{
public:
    LampColumn(int lamp, QWidget &window);

    QLabel *label() const { return m_label; }
    LampDisplay *display() const { return m_display; }
    LampSlider *slider() const { return m_slider; }
    QCheckBox *checkbox() const { return m_checkbox; }
    // What the operator calls the lamp: spoken with the fader and its link box, while
    // the caption stays the lamp's number.
    void setName(const QString &name);

private:
    int m_lamp = 0;
    QLabel *m_label = nullptr;
    LampDisplay *m_display = nullptr;
    LampSlider *m_slider = nullptr;
    QCheckBox *m_checkbox = nullptr;
};
