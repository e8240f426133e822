#include "lamps/deskmodel.h"
#include "panel/lamplayout.h"
#include "panel/paneldesign.h"
#include "settings/settingsstore.h"

#include <QRect>
#include <QtTest>
#include <map>

using Item = LayoutSurface::Item;

namespace {

// The window at its design geometry (twips), without widgets.
class FakeSurface final : public LayoutSurface
{
public:
    struct Control
    {
        QRect rect;
        bool visible = true;
        QString caption;
    };

    int selection = -1;
    int width = PanelDesign::ClientWidth + PanelDesign::FrameWidth;
    int height_ = PanelDesign::ClientHeight + PanelDesign::FrameHeight;
    std::map<std::pair<Item, int>, Control> controls;

    FakeSurface()
    {
        set(Item::GroupList, 0, {120, 480, 1935, 3375});
        set(Item::DefineGroupButton, 0, {360, 2160, 1455, 375});
        set(Item::RemoveGroupButton, 0, {360, 2640, 1455, 375});
        set(Item::SelectGroupButton, 0, {360, 3120, 1455, 375});
        set(Item::DeselectAllButton, 0, {360, 4440, 1455, 375});
        set(Item::LampCountLabel, 0, {480, 5100, 615, 255});
        set(Item::LampCountList, 0, {1200, 5040, 675, 315});
        for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp) {
            // Copies start where lamp 0 is, hidden.
            set(Item::LampLabel, lamp, {2160, 120, 855, 255}, lamp == 0);
            set(Item::LampDisplay, lamp, {2280, 360, 615, 375}, lamp == 0);
            set(Item::LampSlider, lamp, {2280, 780, 630, 2895}, lamp == 0);
            set(Item::LampCheckbox, lamp, {2490, 3660, 195, 255}, lamp == 0);
            controls[{Item::LampLabel, lamp}].caption = QStringLiteral("LAMP0");
        }
    }

    void set(Item item, int lamp, QRect rect, bool visible = true)
    {
        controls[{item, lamp}] = Control {rect, visible, {}};
    }

    Control &at(Item item, int lamp = 0) { return controls.at(key(item, lamp)); }
    const Control &at(Item item, int lamp = 0) const { return controls.at(key(item, lamp)); }

    static std::pair<Item, int> key(Item item, int lamp)
    {
        const bool perLamp = item == Item::LampLabel || item == Item::LampDisplay
            || item == Item::LampSlider || item == Item::LampCheckbox;
        return {item, perLamp ? lamp : 0};
    }

    int lampCountSelection() const override { return selection; }
    int left(Item item, int lamp) const override { return at(item, lamp).rect.left(); }
    int top(Item item, int lamp) const override { return at(item, lamp).rect.top(); }
    int height(Item item, int lamp) const override { return at(item, lamp).rect.height(); }
    void setLeft(Item item, int lamp, int twips) override { at(item, lamp).rect.moveLeft(twips); }
    void setTop(Item item, int lamp, int twips) override { at(item, lamp).rect.moveTop(twips); }
    void setHeight(Item item, int lamp, int twips) override
    {
        at(item, lamp).rect.setHeight(twips);
    }
    void setVisible(Item item, int lamp, bool visible) override
    {
        at(item, lamp).visible = visible;
    }
    void setLampCaption(int lamp, const QString &caption) override
    {
        at(Item::LampLabel, lamp).caption = caption;
    }
    int windowWidth() const override { return width; }
    void setWindowWidth(int twips) override { width = twips; }
    void setWindowHeight(int twips) override { height_ = twips; }
};

class MemorySettings final : public SettingsStore
{
public:
    QList<std::pair<QString, QString>> writes;
    QString readSetting(const QString &) const override { return {}; }
    void writeSetting(const QString &key, const QString &value) override
    {
        writes.append({key, value});
    }
};

struct Rig
{
    FakeSurface surface;
    DeskModel desk;
    MemorySettings settings;
    LampLayout layout {surface, desk, settings};

    void arrange(int count)
    {
        surface.selection = count - 1;
        layout.arrangeLamps();
    }
};

} // namespace

Q_DECLARE_METATYPE(Item)

class tst_LampLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void window_data();
    void window();
    void lampPlaces_data();
    void lampPlaces();
    void visibleLampsAndCaptions_data();
    void visibleLampsAndCaptions();
    void rowRule_data();
    void rowRule();
    void storesTheCountEveryRun();
    void noSelectionGivesCountZero();
    void loweringAndRaisingKeepsPlaces();
};

void tst_LampLayout::window_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("sliderHeight");
    QTest::addColumn<int>("checkboxTop");
    QTest::addColumn<int>("listHeight");
    QTest::addColumn<QList<int>>("buttonTops");
    QTest::addColumn<QPoint>("label1");
    QTest::addColumn<QPoint>("combo1");
    QTest::addColumn<bool>("deselectAllVisible");

    QTest::newRow("12 lamps") << 12 << 7680 << 6840 << 2055 << 2880 << 3375
                              << QList<int> {3960, 4440, 4920, 5400} << QPoint(390, 6000)
                              << QPoint(1110, 5940) << true;
    QTest::newRow("5 lamps") << 5 << 6780 << 4560 << 2415 << 3240 << 1620
                             << QList<int> {2160, 2640, 3120, 3600} << QPoint(5040, 3720)
                             << QPoint(5760, 3660) << true;
    QTest::newRow("16 lamps") << 16 << PanelDesign::ClientWidth << 6840 << 2055 << 2880 << 3375
                              << QList<int> {3960, 4440, 4920, 5400} << QPoint(390, 6000)
                              << QPoint(1110, 5940) << true;
    QTest::newRow("9 lamps") << 9 << 6780 << 6840 << 2055 << 2880 << 3375
                             << QList<int> {3960, 4440, 4920, 5400} << QPoint(390, 6000)
                             << QPoint(1110, 5940) << true;
    QTest::newRow("8 lamps") << 8 << PanelDesign::ClientWidth << 4560 << 2415 << 3240 << 1620
                             << QList<int> {2160, 2640, 3120, 3600} << QPoint(7740, 3720)
                             << QPoint(8460, 3660) << true;
    QTest::newRow("1 lamp") << 1 << 3180 << 4560 << 2415 << 3240 << 1620
                            << QList<int> {2160, 2640, 3120, 3600} << QPoint(1440, 3720)
                            << QPoint(2160, 3660) << false;
}

void tst_LampLayout::window()
{
    QFETCH(int, count);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, sliderHeight);
    QFETCH(int, checkboxTop);
    QFETCH(int, listHeight);
    QFETCH(QList<int>, buttonTops);
    QFETCH(QPoint, label1);
    QFETCH(QPoint, combo1);
    QFETCH(bool, deselectAllVisible);

    Rig rig;
    rig.arrange(count);
    const FakeSurface &s = rig.surface;

    QCOMPARE(s.width, width);
    QCOMPARE(s.height_, height);
    QCOMPARE(s.at(Item::LampSlider).rect.height(), sliderHeight);
    QCOMPARE(s.at(Item::LampCheckbox).rect.top(), checkboxTop);
    QCOMPARE(s.at(Item::GroupList).rect.height(), listHeight);
    QCOMPARE(s.at(Item::GroupList).rect.topLeft(), QPoint(120, 480));
    const QList<int> tops {
        s.at(Item::DefineGroupButton).rect.top(), s.at(Item::RemoveGroupButton).rect.top(),
        s.at(Item::SelectGroupButton).rect.top(), s.at(Item::DeselectAllButton).rect.top()};
    QCOMPARE(tops, buttonTops);
    QCOMPARE(s.at(Item::LampCountLabel).rect.topLeft(), label1);
    QCOMPARE(s.at(Item::LampCountList).rect.topLeft(), combo1);
    QCOMPARE(s.at(Item::DeselectAllButton).visible, deselectAllVisible);
    // Lamp 0 never moves sideways.
    QCOMPARE(s.at(Item::LampLabel).rect.topLeft(), QPoint(2160, 120));
    QCOMPARE(s.at(Item::LampDisplay).rect.topLeft(), QPoint(2280, 360));
    QCOMPARE(s.at(Item::LampSlider).rect.topLeft(), QPoint(2280, 780));
    QCOMPARE(s.at(Item::LampCheckbox).rect.left(), 2490);
}

void tst_LampLayout::lampPlaces_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("lamp");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");

    QTest::newRow("12: lamp 5 ends the first row") << 12 << 5 << 0 << 5;
    QTest::newRow("12: lamp 7 second row column 1") << 12 << 7 << 1 << 1;
    QTest::newRow("12: lamp 11 second row column 5") << 12 << 11 << 1 << 5;
    QTest::newRow("5: lamp 4 is the last") << 5 << 4 << 0 << 4;
    QTest::newRow("16: lamp 8 under lamp 0") << 16 << 8 << 1 << 0;
    QTest::newRow("16: lamp 15 under lamp 7") << 16 << 15 << 1 << 7;
    QTest::newRow("9: lamp 5 starts the second row") << 9 << 5 << 1 << 0;
}

// Each lamp's column is lamp 0's, moved by whole pitches across and rows down.
void tst_LampLayout::lampPlaces()
{
    QFETCH(int, count);
    QFETCH(int, lamp);
    QFETCH(int, row);
    QFETCH(int, column);

    Rig rig;
    rig.arrange(count);
    const FakeSurface &s = rig.surface;

    const QPoint offset(column * PanelDesign::ColumnPitch, row * PanelDesign::RowOffset);
    for (Item item : {Item::LampLabel, Item::LampDisplay, Item::LampSlider, Item::LampCheckbox}) {
        QCOMPARE(s.at(item, lamp).rect.topLeft(), s.at(item).rect.topLeft() + offset);
        // Only the slider's height changes, and alike for all; every other size is lamp 0's.
        QCOMPARE(s.at(item, lamp).rect.size(), s.at(item).rect.size());
    }
}

void tst_LampLayout::visibleLampsAndCaptions_data()
{
    QTest::addColumn<int>("count");
    for (int count : {1, 2, 8, 9, 12, 16})
        QTest::addRow("%d lamps", count) << count;
}

void tst_LampLayout::visibleLampsAndCaptions()
{
    QFETCH(int, count);

    Rig rig;
    rig.arrange(16);
    rig.arrange(count);

    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp) {
        const bool shown = lamp < count;
        for (Item item : {Item::LampLabel, Item::LampDisplay, Item::LampSlider, Item::LampCheckbox})
            QCOMPARE(rig.surface.at(item, lamp).visible, shown);
        QCOMPARE(rig.surface.at(Item::LampLabel, lamp).caption,
                 QStringLiteral("LAMP") + QString::number(lamp));
    }
    QCOMPARE(rig.desk.lampCount(), count);
}

void tst_LampLayout::rowRule_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("firstOfSecondRow");

    QTest::newRow("9") << 9 << 5;
    QTest::newRow("10") << 10 << 5;
    QTest::newRow("11") << 11 << 6;
    QTest::newRow("12") << 12 << 6;
    QTest::newRow("13") << 13 << 7;
    QTest::newRow("14") << 14 << 7;
    QTest::newRow("15") << 15 << 8;
    QTest::newRow("16") << 16 << 8;
    QTest::newRow("8 is one row") << LampLayout::MaxOneRowCount << LampLayout::MaxOneRowCount;
}

void tst_LampLayout::rowRule()
{
    QFETCH(int, count);
    QFETCH(int, firstOfSecondRow);

    for (int lamp = 0; lamp < count; ++lamp) {
        const bool second = lamp >= firstOfSecondRow;
        QCOMPARE(LampLayout::rowOf(lamp, count), second ? 1 : 0);
        QCOMPARE(LampLayout::columnOf(lamp, count), second ? lamp - firstOfSecondRow : lamp);
    }
}

void tst_LampLayout::storesTheCountEveryRun()
{
    Rig rig;
    rig.arrange(12);
    rig.arrange(12);
    rig.arrange(3);
    const QList<std::pair<QString, QString>> expected {
        {QStringLiteral("LampCount"), QStringLiteral("12")},
        {QStringLiteral("LampCount"), QStringLiteral("12")},
        {QStringLiteral("LampCount"), QStringLiteral("3")}};
    QCOMPARE(rig.settings.writes, expected);
}

void tst_LampLayout::noSelectionGivesCountZero()
{
    Rig rig;
    rig.arrange(6);

    rig.surface.selection = -1;
    rig.layout.arrangeLamps();

    QCOMPARE(rig.desk.lampCount(), 0);
    QCOMPARE(rig.settings.writes.last().second, QStringLiteral("0"));
    QCOMPARE(rig.surface.width, 2280);
    QCOMPARE(rig.surface.height_, 4560);
    QVERIFY(rig.surface.at(Item::DeselectAllButton).visible);
    QVERIFY(rig.surface.at(Item::LampSlider, 0).visible);
    for (int lamp = 1; lamp < LampCommand::MaxLamps; ++lamp)
        QVERIFY(!rig.surface.at(Item::LampSlider, lamp).visible);
}

void tst_LampLayout::loweringAndRaisingKeepsPlaces()
{
    Rig once;
    once.arrange(12);
    Rig twice;
    twice.arrange(12);
    twice.arrange(5);
    twice.arrange(12);

    for (int lamp = 0; lamp < 12; ++lamp) {
        for (Item item : {Item::LampLabel, Item::LampDisplay, Item::LampSlider, Item::LampCheckbox})
            QCOMPARE(twice.surface.at(item, lamp).rect, once.surface.at(item, lamp).rect);
    }
    QCOMPARE(twice.surface.width, once.surface.width);
}

QTEST_GUILESS_MAIN(tst_LampLayout)
#include "tst_lamplayout.moc"
