#include "panel/lamplayout.h"

#include "lamps/deskmodel.h"
#include "lamps/lampcommand.h"
#include "panel/paneldesign.h"
#include "settings/panelsettings.h"
#include "settings/settingsstore.h"

#include <array>

namespace {

using Item = LayoutSurface::Item;

using PanelDesign::Arrangement;
using PanelDesign::ButtonPitch;
using PanelDesign::LampCountLabelFromRightEdge;
using PanelDesign::LampCountListAfterLabel;

constexpr std::array<Item, 4> LampItems {Item::LampLabel, Item::LampDisplay, Item::LampSlider,
                                         Item::LampCheckbox};

} // namespace

LampLayout::LampLayout(LayoutSurface &surface, DeskModel &desk, SettingsStore &settings)
    : m_surface(surface), m_desk(desk), m_settings(settings)
{ }

int LampLayout::rowOf(int lamp, int count)
{
    const int firstRowLamps = (count + 1) / 2;
    return (count <= MaxOneRowCount || lamp < firstRowLamps) ? 0 : 1;
}

int LampLayout::columnOf(int lamp, int count)
{
    return rowOf(lamp, count) == 0 ? lamp : lamp - (count + 1) / 2;
}

void LampLayout::arrangeLamps()
{
    const int count = m_surface.lampCountSelection() + 1;
    m_desk.setLampCount(count);
    m_settings.writeSetting(PanelSettings::LampCountKey, QString::number(count));

    for (int i = 1; i < LampCommand::MaxLamps; ++i) {
        for (Item item : LampItems)
            m_surface.setVisible(item, i, false);
    }

    placeGroupControls(count);
    m_surface.setVisible(Item::DeselectAllButton, 0, count != 1);

    for (int i = 1; i < count; ++i)
        placeLamp(i, count);
}

void LampLayout::placeGroupControls(int count)
{
    const bool twoRows = count > MaxOneRowCount;
    const Arrangement &a = twoRows ? PanelDesign::TwoRows : PanelDesign::OneRow;
    const int columns = twoRows ? (count + 1) / 2 : count;

    m_surface.setHeight(Item::LampSlider, 0, a.sliderHeight);
    m_surface.setTop(Item::LampCheckbox, 0, a.checkboxTop);
    m_surface.setWindowHeight(a.windowHeight);
    m_surface.setWindowWidth(m_surface.left(Item::LampDisplay)
                             + columns * PanelDesign::ColumnPitch);
    m_surface.setHeight(Item::GroupList, 0, a.listHeight);
    m_surface.setTop(Item::DefineGroupButton, 0, a.defineGroupTop);
    m_surface.setTop(Item::RemoveGroupButton, 0,
                     m_surface.top(Item::DefineGroupButton) + ButtonPitch);
    m_surface.setTop(Item::SelectGroupButton, 0,
                     m_surface.top(Item::RemoveGroupButton) + ButtonPitch);
    m_surface.setTop(Item::DeselectAllButton, 0,
                     m_surface.top(Item::SelectGroupButton) + ButtonPitch);

    // One row: the window's width as the window accepted it.
    m_surface.setLeft(Item::LampCountLabel, 0,
                      twoRows ? a.lampCountLabelLeft
                              : m_surface.windowWidth() - LampCountLabelFromRightEdge);
    m_surface.setTop(Item::LampCountLabel, 0,
                     m_surface.top(Item::DeselectAllButton) + a.lampCountLabelBelowDeselectAll);
    m_surface.setLeft(Item::LampCountList, 0,
                      twoRows ? a.lampCountListLeft
                              : m_surface.left(Item::LampCountLabel) + LampCountListAfterLabel);
    m_surface.setTop(Item::LampCountList, 0,
                     m_surface.top(Item::DeselectAllButton) + a.lampCountListBelowDeselectAll);
}

void LampLayout::placeLamp(int lamp, int count)
{
    m_surface.setLampCaption(lamp, LampCommand::lampName(lamp));
    m_surface.setHeight(Item::LampSlider, lamp, m_surface.height(Item::LampSlider));

    const int column = columnOf(lamp, count);
    const int rowDrop = rowOf(lamp, count) * PanelDesign::RowOffset;
    for (Item item : LampItems) {
        m_surface.setLeft(item, lamp, m_surface.left(item) + column * PanelDesign::ColumnPitch);
        m_surface.setTop(item, lamp, m_surface.top(item) + rowDrop);
    }
    for (Item item : LampItems)
        m_surface.setVisible(item, lamp, true);
}
