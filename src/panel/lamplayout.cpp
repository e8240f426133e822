#include "panel/lamplayout.h"

#include "lamps/lampbank.h"
#include "lamps/lampcontrols.h"
#include "settings/settingsstore.h"

#include <array>

namespace {

using Item = LayoutSurface::Item;

// The two arrangements, in twips.
struct Arrangement
{
    int sliderHeight;
    int checkboxTop;
    int windowHeight;
    int listHeight;
    int command1Top;
    int label1Left; // used by two rows only; one row follows the window's width
    int label1BelowCommand4;
    int combo1Left; // two rows only; one row follows Label1
    int combo1BelowCommand4;
};

constexpr Arrangement OneRow {2415, 3240, 4560, 1620, 2160, 0, 120, 0, 60};
constexpr Arrangement TwoRows {2055, 2880, 6840, 3375, 3960, 390, 600, 1110, 540};

constexpr int ButtonPitch = 480;
constexpr int Label1FromRightEdge = 1740;
constexpr int Combo1AfterLabel1 = 720;

constexpr std::array<Item, 4> LampItems {Item::LampLabel, Item::LampDisplay, Item::LampSlider,
                                         Item::LampCheckbox};

// Puts SyncSource back to idle however the slider pass ends.
class SyncGuard final
{
public:
    explicit SyncGuard(LampBank &bank) : m_bank(bank)
    {
        m_bank.setSyncSource(LampBank::SyncLayout);
    }
    ~SyncGuard() { m_bank.setSyncSource(LampBank::SyncIdle); }
    SyncGuard(const SyncGuard &) = delete;
    SyncGuard &operator=(const SyncGuard &) = delete;

private:
    LampBank &m_bank;
};

} // namespace

LampLayout::LampLayout(LayoutSurface &surface, LampControls &controls, LampBank &bank,
                       SettingsStore &settings)
    : m_surface(surface), m_controls(controls), m_bank(bank), m_settings(settings)
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

void LampLayout::ArrangeLamps()
{
    const auto count = static_cast<qint16>(m_surface.comboSelection() + 1);
    m_bank.setLampCount(count);
    m_settings.WriteSetting(QStringLiteral("LampCount"), QString::number(count));

    for (int i = 1; i < LampCommand::MaxLamps; ++i) {
        for (Item item : LampItems)
            m_surface.setVisible(item, i, false);
    }

    placeGroupControls(count);
    m_surface.setVisible(Item::Command4, 0, count != 1);

    for (int i = 1; i < count; ++i)
        placeLamp(i, count);

    const SyncGuard guard(m_bank);
    for (int i = 0; i < count; ++i)
        m_controls.setSliderValue(i, LampCommand::MaxLevel - m_bank.LampLevel(i));
}

void LampLayout::placeGroupControls(int count)
{
    const bool twoRows = count > MaxOneRowCount;
    const Arrangement &a = twoRows ? TwoRows : OneRow;
    const int columns = twoRows ? (count + 1) / 2 : count;

    m_surface.setHeight(Item::LampSlider, 0, a.sliderHeight);
    m_surface.setTop(Item::LampCheckbox, 0, a.checkboxTop);
    m_surface.setWindowHeight(a.windowHeight);
    m_surface.setWindowWidth(m_surface.left(Item::LampDisplay) + columns * ColumnPitch);
    m_surface.setHeight(Item::List1, 0, a.listHeight);
    m_surface.setTop(Item::Command1, 0, a.command1Top);
    m_surface.setTop(Item::Command2, 0, m_surface.top(Item::Command1) + ButtonPitch);
    m_surface.setTop(Item::Command3, 0, m_surface.top(Item::Command2) + ButtonPitch);
    m_surface.setTop(Item::Command4, 0, m_surface.top(Item::Command3) + ButtonPitch);

    // One row: the window's width as the window accepted it.
    m_surface.setLeft(Item::Label1, 0,
                      twoRows ? a.label1Left : m_surface.windowWidth() - Label1FromRightEdge);
    m_surface.setTop(Item::Label1, 0, m_surface.top(Item::Command4) + a.label1BelowCommand4);
    m_surface.setLeft(Item::Combo1, 0,
                      twoRows ? a.combo1Left : m_surface.left(Item::Label1) + Combo1AfterLabel1);
    m_surface.setTop(Item::Combo1, 0, m_surface.top(Item::Command4) + a.combo1BelowCommand4);
}

void LampLayout::placeLamp(int lamp, int count)
{
    m_surface.setLampCaption(lamp, QStringLiteral("LAMP") + QString::number(lamp));
    m_surface.setHeight(Item::LampSlider, lamp, m_surface.height(Item::LampSlider));

    const int column = columnOf(lamp, count);
    const int rowDrop = rowOf(lamp, count) * RowOffset;
    for (Item item : LampItems) {
        m_surface.setLeft(item, lamp, m_surface.left(item) + column * ColumnPitch);
        m_surface.setTop(item, lamp, m_surface.top(item) + rowDrop);
    }
    for (Item item : LampItems)
        m_surface.setVisible(item, lamp, true);
}
