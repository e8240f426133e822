#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>

// Answers the modal dialogs the code under test opens, from inside their own event
// loops, and notes what each one showed. It looks for the active modal widget from
// the moment it is made until it has answered the first dialog, or every dialog for
// as long as it lives.
class DialogAnswerer final : public QObject
{
public:
    static constexpr std::chrono::milliseconds PollInterval {10};

    using Action = std::function<void(QWidget *dialog)>;
    enum class Answer { First, Every };

    // What a dialog showed when it was answered.
    struct Seen
    {
        QString kind; // the dialog's class, e.g. "QMessageBox"
        QString title;
        QString text; // a message box's text, an input box's label
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };

    // As an operator: presses button on a message box (or closes a box without it
    // unanswered), types typed() into an input box and presses OK, closes anything else.
    explicit DialogAnswerer(QMessageBox::StandardButton button, Answer answer = Answer::First);
    explicit DialogAnswerer(const QString &typed, Answer answer = Answer::First);
    // Hands each dialog to action, which looks at it and answers it.
    explicit DialogAnswerer(Action action, Answer answer = Answer::First);

    void setTyped(const QString &typed) { m_typed = typed; }

    bool answered() const { return !m_seen.isEmpty(); }
    const QList<Seen> &seen() const { return m_seen; }
    // The last dialog answered; empty when there was none.
    Seen last() const { return m_seen.isEmpty() ? Seen() : m_seen.last(); }

private:
    void look();
    void answerAsOperator(QWidget *dialog) const;

    Action m_action;
    Answer m_answer = Answer::First;
    QMessageBox::StandardButton m_button = QMessageBox::Ok;
    QString m_typed;
    QList<Seen> m_seen;
    QTimer m_timer;
};
