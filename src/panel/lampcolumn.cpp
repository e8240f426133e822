#include "panel/lampcolumn.h"

#include "lamps/lampcommand.h"
#include "panel/lampdisplay.h"
#include "panel/lampslider.h"
#include "panel/paneldesign.h"

#include <QCheckBox>
#include <QLabel>

LampColumn::LampColumn(int lamp, QWidget &window)
    : m_lamp(lamp)
    , m_label(new QLabel(&window))
    , m_display(new LampDisplay(&window))
    , m_slider(new LampSlider(&window))
    , m_checkbox(new QCheckBox(&window))
{
    const QString number = QString::number(lamp);
    m_label->setObjectName(QStringLiteral("LampLabel") + number);
    m_label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_label->setText(LampCommand::lampName(lamp));
    m_display->setObjectName(QStringLiteral("LampDisplay") + number);
    m_slider->setObjectName(QStringLiteral("LampSlider") + number);

    m_checkbox->setObjectName(QStringLiteral("LampCheckbox") + number);

    m_label->setGeometry(PanelDesign::toPixels(PanelDesign::LampLabel));
    m_display->setGeometry(PanelDesign::toPixels(PanelDesign::LampDisplay));
    m_slider->setGeometry(PanelDesign::toPixels(PanelDesign::LampSlider));
    m_checkbox->setGeometry(PanelDesign::toPixels(PanelDesign::LampCheckbox));
    setName({});
}

void LampColumn::setName(const QString &name)
{
    const QString spoken = name.isEmpty() ? LampCommand::lampName(m_lamp)
                                          : LampCommand::lampName(m_lamp) + QLatin1Char(' ') + name;
    m_slider->setAccessibleName(spoken);
    m_checkbox->setAccessibleName(QStringLiteral("Link ") + spoken);
}
