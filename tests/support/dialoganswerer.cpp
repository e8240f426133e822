#include "dialoganswerer.h"

#include <QApplication>
#include <QInputDialog>
#include <QPushButton>

DialogAnswerer::DialogAnswerer(QMessageBox::StandardButton button, Answer answer)
    : DialogAnswerer(Action(), answer)
{
    m_button = button;
}

DialogAnswerer::DialogAnswerer(const QString &typed, Answer answer)
    : DialogAnswerer(Action(), answer)
{
    m_typed = typed;
}

DialogAnswerer::DialogAnswerer(Action action, Answer answer)
    : m_action(std::move(action)), m_answer(answer)
{
    m_timer.setInterval(PollInterval);
    connect(&m_timer, &QTimer::timeout, this, &DialogAnswerer::look);
    m_timer.start();
}

void DialogAnswerer::look()
{
    QWidget *dialog = QApplication::activeModalWidget();
    if (!dialog || !dialog->isVisible())
        return;
    if (m_answer == Answer::First)
        m_timer.stop();

    Seen seen;
    seen.kind = QString::fromLatin1(dialog->metaObject()->className());
    seen.title = dialog->windowTitle();
    if (const auto *box = qobject_cast<QMessageBox *>(dialog)) {
        seen.text = box->text();
        seen.icon = box->icon();
    } else if (const auto *input = qobject_cast<QInputDialog *>(dialog)) {
        seen.text = input->labelText();
    }
    m_seen.append(seen);

    if (m_action)
        m_action(dialog);
    else
        answerAsOperator(dialog);
}

void DialogAnswerer::answerAsOperator(QWidget *dialog) const
{
    if (auto *input = qobject_cast<QInputDialog *>(dialog)) {
        input->setTextValue(m_typed);
        input->accept();
    } else if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
        if (QAbstractButton *button = box->button(m_button))
            button->click();
        else
            box->done(0);
    } else {
        dialog->close();
    }
}
