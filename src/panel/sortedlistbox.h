#pragma once

#include "groups/grouplist.h"

#include <QListWidget>

// The group list box: one selected entry at most, entries kept in alphabetical
// order without regard to case, each carrying a 32-bit code that is not shown.
// Changes made by the program raise no selection notification; only the
// operator's clicks and keys do.
//
// The list holds no current entry while nothing is selected, so that the first Down
// selects the first entry and the first Up the last one, whatever came before; Home
// and Page Up select the first, End the last, Page Down the entry a page below the
// first. Enter on the selected entry is the keyboard's double-click.
class SortedListBox final : public QListWidget, public GroupList
{
    Q_OBJECT

public:
    explicit SortedListBox(QWidget *parent = nullptr);

    // The order of the list: case-insensitive first, then by case so that names
    // differing only in case always come in the same order.
    static bool sortsBefore(const QString &a, const QString &b);

    void clear() override;
    int addEntry(const QString &name) override;
    void removeEntry(int index) override;
    int count() const override;
    QString name(int index) const override;
    qint32 code(int index) const override;
    void setCode(int index, qint32 code) override;
    int selectedIndex() const override;

protected:
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    int rowFromNothingSelected(int key);
    int pageBelowFirst();
    void forgetCurrentWithoutSelection();
};
