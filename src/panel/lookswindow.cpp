#include "panel/lookswindow.h"

#include "groups/lamplooks.h"
#include "lamps/deskmodel.h"
#include "settings/panelsettings.h"

#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <cmath>

namespace {

constexpr double MillisecondsPerSecond = 1000.0;
constexpr int FadeDecimals = 1;

QPushButton *button(const QString &text, const QString &accessibleName, QWidget *parent)
{
    auto *made = new QPushButton(text, parent);
    made->setAccessibleName(accessibleName);
    return made;
}

} // namespace

LooksWindow::LooksWindow(LampLooks &looks, DeskModel &desk, std::chrono::milliseconds fade,
                         QWidget *parent, GroupDialogs *dialogs)
    : QWidget(parent, Qt::Window)
    , m_looks(looks)
    , m_desk(desk)
    , m_dialogs(dialogs ? *dialogs : m_ownDialogs)
{
    setObjectName(QStringLiteral("LooksWindow"));
    setWindowTitle(QStringLiteral("Looks"));

    auto *listLabel = new QLabel(QStringLiteral("&Looks:"), this);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("LookList"));
    m_list->setAccessibleName(QStringLiteral("Looks"));
    listLabel->setBuddy(m_list);

    m_store = button(QStringLiteral("&Store Look..."), QStringLiteral("Store Look"), this);
    m_recall = button(QStringLiteral("&Recall"), QStringLiteral("Recall"), this);
    m_remove = button(QStringLiteral("Re&move Look"), QStringLiteral("Remove Look"), this);

    auto *fadeLabel = new QLabel(QStringLiteral("&Fade time:"), this);
    m_fade = new QDoubleSpinBox(this);
    m_fade->setObjectName(QStringLiteral("FadeTime"));
    m_fade->setAccessibleName(QStringLiteral("Fade time in seconds"));
    m_fade->setDecimals(FadeDecimals);
    m_fade->setRange(0.0, double(PanelSettings::MaxFadeTime.count()) / MillisecondsPerSecond);
    m_fade->setSingleStep(double(PanelSettings::FadeTimeStep.count()) / MillisecondsPerSecond);
    m_fade->setSuffix(QStringLiteral(" s"));
    m_fade->setValue(double(fade.count()) / MillisecondsPerSecond);
    fadeLabel->setBuddy(m_fade);

    // The access key belongs to the label, which only moves the focus: a button's own
    // would press it, and no key chord alone may darken the stage.
    auto *blackoutLabel = new QLabel(QStringLiteral("&Blackout:"), this);
    m_blackout = button(QString(), QStringLiteral("Blackout"), this);
    m_blackout->setObjectName(QStringLiteral("Blackout"));
    m_blackout->setCheckable(true);
    // Enter in the list recalls; it must never reach the blackout as a default button.
    m_blackout->setAutoDefault(false);
    blackoutLabel->setBuddy(m_blackout);

    auto *grid = new QGridLayout(this);
    grid->addWidget(listLabel, 0, 0, 1, 2);
    grid->addWidget(m_list, 1, 0, 5, 1);
    grid->addWidget(m_store, 1, 1);
    grid->addWidget(m_recall, 2, 1);
    grid->addWidget(m_remove, 3, 1);
    grid->addWidget(fadeLabel, 6, 0);
    grid->addWidget(m_fade, 6, 1);
    grid->addWidget(blackoutLabel, 7, 0);
    grid->addWidget(m_blackout, 7, 1);

    connect(m_store, &QPushButton::clicked, this, &LooksWindow::storeLook);
    connect(m_recall, &QPushButton::clicked, this, &LooksWindow::recallLook);
    connect(m_remove, &QPushButton::clicked, this, &LooksWindow::removeLook);
    connect(m_list, &QListWidget::itemActivated, this, &LooksWindow::recallLook);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &LooksWindow::updateButtons);
    // The desk's signal puts the state back on the button, text included.
    connect(m_blackout, &QPushButton::toggled, &m_desk, &DeskModel::setBlackout);
    connect(&m_desk, &DeskModel::blackoutChanged, this, &LooksWindow::showBlackout);
    connect(&m_looks, &LampLooks::looksChanged, this, &LooksWindow::showLooks);

    showLooks();
    showBlackout(m_desk.isBlackout());
}

int LooksWindow::selectedLook() const
{
    const QListWidgetItem *item = m_list->currentItem();
    if (!item || !item->isSelected())
        return -1;
    return item->data(Qt::UserRole).toInt();
}

void LooksWindow::storeLook()
{
    m_looks.storeAsking(m_dialogs);
}

void LooksWindow::recallLook()
{
    const auto fade
        = std::chrono::milliseconds(qint64(std::lround(m_fade->value() * MillisecondsPerSecond)));
    m_looks.recall(selectedLook(), fade);
}

void LooksWindow::removeLook()
{
    m_looks.removeAsking(selectedLook(), m_dialogs);
}

void LooksWindow::showLooks()
{
    // The selection follows its look by name across the change.
    const QList<LampLooks::Look> looks = m_looks.looks();
    const int before = selectedLook();
    const QString selected
        = m_list->currentItem() && before >= 0 ? m_list->currentItem()->text() : QString();
    m_list->clear();
    for (const int index : m_looks.listOrder()) {
        auto *item = new QListWidgetItem(looks.at(index).name, m_list);
        item->setData(Qt::UserRole, index);
        if (!selected.isEmpty() && item->text() == selected)
            m_list->setCurrentItem(item);
    }
    updateButtons();
}

void LooksWindow::showBlackout(bool on)
{
    const QSignalBlocker quiet(m_blackout);
    m_blackout->setChecked(on);
    m_blackout->setText(on ? QStringLiteral("On") : QStringLiteral("Off"));
}

void LooksWindow::updateButtons()
{
    const bool selected = selectedLook() >= 0;
    m_recall->setEnabled(selected);
    m_remove->setEnabled(selected);
}
