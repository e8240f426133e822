#include "panel/sortedlistbox.h"

#include "lamps/deskmodel.h"

#include <QKeyEvent>
#include <QSignalBlocker>

SortedListBox::SortedListBox(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setSortingEnabled(false); // the desk places the entries
}

void SortedListBox::watch(const DeskModel &desk)
{
    clear();
    for (int index = 0; index < desk.groups().size(); ++index)
        insertEntry(index, desk.groups().at(index).name);
    connect(&desk, &DeskModel::groupAdded, this,
            [this, &desk](int index) { insertEntry(index, desk.groups().at(index).name); });
    connect(&desk, &DeskModel::groupRemoved, this, &SortedListBox::removeEntry);
}

void SortedListBox::clear()
{
    const QSignalBlocker blocker(this);
    QListWidget::clear();
}

void SortedListBox::insertEntry(int index, const QString &name)
{
    auto *entry = new QListWidgetItem(name);
    entry->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    const QSignalBlocker blocker(this);
    insertItem(index, entry);
    forgetCurrentWithoutSelection();
}

void SortedListBox::removeEntry(int index)
{
    const QListWidgetItem *entry = item(index);
    if (!entry)
        return;
    const bool wasSelected = entry->isSelected();
    const QSignalBlocker blocker(this);
    delete takeItem(index);
    // Removing the selected entry selects no other one, and leaves no current one.
    if (wasSelected)
        clearSelection();
    forgetCurrentWithoutSelection();
}

QString SortedListBox::name(int index) const
{
    const QListWidgetItem *entry = item(index);
    return entry ? entry->text() : QString();
}

int SortedListBox::selectedIndex() const
{
    const QList<QListWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.constFirst());
}

void SortedListBox::focusInEvent(QFocusEvent *event)
{
    // The view makes the first entry current when it takes the focus from a key; with
    // nothing selected that would make the first Down land on the second entry.
    QListWidget::focusInEvent(event);
    const QSignalBlocker blocker(this);
    forgetCurrentWithoutSelection();
}

void SortedListBox::keyPressEvent(QKeyEvent *event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const int selected = selectedIndex();
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (plain && enter && selected >= 0) {
        // Whatever the window does on a double-click, a keyboard user gets with Enter.
        Q_EMIT itemDoubleClicked(item(selected));
        event->accept();
        return;
    }
    if (plain && selected < 0 && count() > 0) {
        const int row = rowFromNothingSelected(event->key());
        if (row >= 0) {
            // The operator's key: the selection change is notified as a click would be.
            setCurrentRow(row);
            event->accept();
            return;
        }
    }
    QListWidget::keyPressEvent(event);
}

// With no current entry the view would take every cursor key to the first entry.
int SortedListBox::rowFromNothingSelected(int key)
{
    switch (key) {
    case Qt::Key_Home:
    case Qt::Key_PageUp:
    case Qt::Key_Down:
        return 0;
    case Qt::Key_End:
    case Qt::Key_Up:
        return count() - 1;
    case Qt::Key_PageDown:
        return pageBelowFirst();
    default:
        return -1;
    }
}

// Where the view's own page step goes from the first entry, found by making the first
// entry current for a moment, without selecting it or telling anyone.
int SortedListBox::pageBelowFirst()
{
    const QSignalBlocker blocker(this);
    selectionModel()->setCurrentIndex(model()->index(0, 0), QItemSelectionModel::NoUpdate);
    const QModelIndex below = moveCursor(MovePageDown, Qt::NoModifier);
    forgetCurrentWithoutSelection();
    return below.isValid() ? below.row() : 0;
}

void SortedListBox::forgetCurrentWithoutSelection()
{
    if (selectedIndex() < 0 && currentIndex().isValid())
        selectionModel()->clearCurrentIndex();
}
