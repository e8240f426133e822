#pragma once

#include "panel/qtgroupdialogs.h"

#include <QWidget>
#include <chrono>

class DeskModel;
class GroupDialogs;
class LampLooks;
class QDoubleSpinBox;
class QListWidget;
class QPushButton;

// The Looks window beside the panel, modeless: the looks in the list's order, Store
// Look, Recall over the fade time chosen here, Remove Look, and the Blackout switch.
// Blackout's access key only moves the focus to it: it takes a click, or Space on the
// focused button, so that no stray key press darkens the stage.
class LooksWindow final : public QWidget
{
    Q_OBJECT

public:
    // dialogs: the questions Store and Remove ask; message boxes on this window when none.
    LooksWindow(LampLooks &looks, DeskModel &desk, std::chrono::milliseconds fade,
                QWidget *parent = nullptr, GroupDialogs *dialogs = nullptr);

    QListWidget &lookList() const { return *m_list; }
    QDoubleSpinBox &fadeBox() const { return *m_fade; }
    QPushButton &blackoutButton() const { return *m_blackout; }
    // The selected look's stored index, or -1.
    int selectedLook() const;

    void storeLook();
    void recallLook();
    void removeLook();

private:
    void showLooks();
    void showBlackout(bool on);
    void updateButtons();

    LampLooks &m_looks;
    DeskModel &m_desk;
    QtGroupDialogs m_ownDialogs {this};
    GroupDialogs &m_dialogs;
    QListWidget *m_list = nullptr;
    QPushButton *m_store = nullptr;
    QPushButton *m_recall = nullptr;
    QPushButton *m_remove = nullptr;
    QDoubleSpinBox *m_fade = nullptr;
    QPushButton *m_blackout = nullptr;
};
