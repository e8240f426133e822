#pragma once

#include <QListWidget>

class DeskModel;

// The group list box, a view of the desk's groups in the desk's order: one selected
// entry at most. Changes made by the program raise no selection notification; only
// the operator's clicks and keys do.
//
// The list holds no current entry while nothing is selected, so that the first Down
// selects the first entry and the first Up the last one, whatever came before; Home
// and Page Up select the first, End the last, Page Down the entry a page below the
// first. Enter on the selected entry is the keyboard's double-click.
class SortedListBox final : public QListWidget
{
    Q_OBJECT

public:
    explicit SortedListBox(QWidget *parent = nullptr);

    // Shows desk's groups from now on, as they come and go.
    void watch(const DeskModel &desk);

    void clear();
    void insertEntry(int index, const QString &name);
    void removeEntry(int index);
    QString name(int index) const;
    // -1 when no entry is selected.
    int selectedIndex() const;

protected:
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    int rowFromNothingSelected(int key);
    int pageBelowFirst();
    void forgetCurrentWithoutSelection();
};
