#include "panel/lampcolumn.h"

#include "lamps/lampcommand.h"
#include "panel/lampdisplay.h"
#include "panel/lampslider.h"
#include "panel/paneldesign.h"

#include <QCheckBox>
#include <QLabel>

LampColumn::LampColumn(int lamp, QWidget &window)
    : m_label(new QLabel(&window))
    , m_display(new LampDisplay(&window))
    , m_slider(new LampSlider(&window))
    , m_checkbox(new QCheckBox(&window))
{
    const QString number = QString::number(lamp);
    const QString name = LampCommand::lampName(lamp);
    m_label->setObjectName(QStringLiteral("LampLabel") + number);
    m_label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_label->setText(name);
    m_display->setObjectName(QStringLiteral("LampDisplay") + number);
    m_slider->setObjectName(QStringLiteral("LampSlider") + number);
    m_slider->setAccessibleName(name);
    m_checkbox->setObjectName(QStringLiteral("LampCheckbox") + number);
    m_checkbox->setAccessibleName(QStringLiteral("Link ") + name);
    m_label->setGeometry(PanelDesign::toPixels(PanelDesign::LampLabel));
    m_display->setGeometry(PanelDesign::toPixels(PanelDesign::LampDisplay));
    m_slider->setGeometry(PanelDesign::toPixels(PanelDesign::LampSlider));
    m_checkbox->setGeometry(PanelDesign::toPixels(PanelDesign::LampCheckbox));
}
