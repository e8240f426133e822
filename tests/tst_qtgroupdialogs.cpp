#include "dialoganswerer.h"
#include "panel/qtgroupdialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

const QString Title = QStringLiteral("Kelvaris Control Panel");

struct SeenBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QWidget *parent = nullptr;
};

SeenBox look(QWidget *dialog)
{
    SeenBox seen;
    auto *box = qobject_cast<QMessageBox *>(dialog);
    if (!box)
        return seen;
    seen.title = box->windowTitle();
    seen.text = box->text();
    seen.icon = box->icon();
    seen.buttons = box->standardButtons();
    seen.defaultButton = box->standardButton(box->defaultButton());
    seen.parent = box->parentWidget();
    return seen;
}

} // namespace

class tst_QtGroupDialogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_window = std::make_unique<QWidget>();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup() { m_window.reset(); }

    void messageBoxes_data()
    {
        QTest::addColumn<bool>("question");
        QTest::addColumn<int>("answer"); // a button, or a key
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<bool>("yes");

        QTest::newRow("information, OK") << false << int(QMessageBox::Ok) << false << false;
        QTest::newRow("Yes button") << true << int(QMessageBox::Yes) << false << true;
        QTest::newRow("No button") << true << int(QMessageBox::No) << false << false;
        QTest::newRow("Enter takes the default Yes") << true << int(Qt::Key_Return) << true << true;
        QTest::newRow("Escape is No") << true << int(Qt::Key_Escape) << true << false;
    }
    void messageBoxes()
    {
        QFETCH(bool, question);
        QFETCH(int, answer);
        QFETCH(bool, byKey);
        QFETCH(bool, yes);

        QtGroupDialogs dialogs(m_window.get());
        SeenBox seen;
        DialogAnswerer driver([&](QWidget *dialog) {
            seen = look(dialog);
            auto *box = qobject_cast<QMessageBox *>(dialog);
            if (!box)
                return;
            if (byKey)
                QTest::keyClick(box, Qt::Key(answer));
            else
                box->button(QMessageBox::StandardButton(answer))->click();
        });
        const QString text = question
            ? QStringLiteral("Are you sure you want to remove\rthe lamp group 'Stage'?")
            : QStringLiteral("First line.\rSecond line.");
        bool result = false;
        if (question)
            result = dialogs.askYesNo(text);
        else
            dialogs.information(text);

        QVERIFY(driver.answered());
        QCOMPARE(result, yes);
        QCOMPARE(seen.title, Title);
        QCOMPARE(seen.text, QString(text).replace(QLatin1Char('\r'), QLatin1Char('\n')));
        QCOMPARE(seen.icon, question ? QMessageBox::Question : QMessageBox::Information);
        QCOMPARE(seen.buttons,
                 question ? QMessageBox::Yes | QMessageBox::No
                          : QMessageBox::StandardButtons(QMessageBox::Ok));
        if (question)
            QCOMPARE(seen.defaultButton, QMessageBox::Yes);
        QCOMPARE(seen.parent, m_window.get());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    void questionShowsNameAsTyped()
    {
        // A name that looks like markup is shown character for character.
        QtGroupDialogs dialogs(m_window.get());
        QString shown;
        Qt::TextFormat labelFormat = Qt::RichText;
        DialogAnswerer driver([&](QWidget *dialog) {
            seenLabel(dialog, shown, labelFormat);
            if (auto *box = qobject_cast<QMessageBox *>(dialog))
                box->button(QMessageBox::No)->click();
        });
        dialogs.askYesNo(QStringLiteral("the lamp group '<b>Stage</b> &amp; <i>pit'?"));

        QVERIFY(driver.answered());
        QCOMPARE(shown, QStringLiteral("the lamp group '<b>Stage</b> &amp; <i>pit'?"));
        QCOMPARE(labelFormat, Qt::PlainText);
    }

    void inputReturnsTypedText_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<int>("key"); // 0: the button answers
        QTest::addColumn<QString>("result");

        QTest::newRow("OK with a name")
            << QStringLiteral("Back row") << true << 0 << QStringLiteral("Back row");
        QTest::newRow("OK with blanks only")
            << QStringLiteral("   ") << true << 0 << QStringLiteral("   ");
        QTest::newRow("OK with blanks at the ends")
            << QStringLiteral(" Stage ") << true << 0 << QStringLiteral(" Stage ");
        QTest::newRow("OK with nothing typed") << QString() << true << 0 << QString();
        QTest::newRow("Cancel after typing") << QStringLiteral("Stage") << false << 0 << QString();
        QTest::newRow("Enter accepts")
            << QStringLiteral("Stage") << true << int(Qt::Key_Return) << QStringLiteral("Stage");
        QTest::newRow("Escape cancels")
            << QStringLiteral("Stage") << false << int(Qt::Key_Escape) << QString();
    }
    void inputReturnsTypedText()
    {
        QFETCH(QString, typed);
        QFETCH(bool, accept);
        QFETCH(int, key);
        QFETCH(QString, result);

        QtGroupDialogs dialogs(m_window.get());
        QString title;
        QString label;
        QString initial = QStringLiteral("not seen");
        bool singleLine = false;
        QWidget *parent = nullptr;
        DialogAnswerer driver([&](QWidget *dialog) {
            auto *input = qobject_cast<QInputDialog *>(dialog);
            if (!input)
                return;
            title = input->windowTitle();
            label = input->labelText();
            initial = input->textValue();
            parent = input->parentWidget();
            auto *line = input->findChild<QLineEdit *>();
            singleLine = line && line->isVisible()
                && input->findChildren<QPlainTextEdit *>().isEmpty()
                && input->inputMode() == QInputDialog::TextInput;
            if (line)
                QTest::keyClicks(line, typed);
            auto *buttons = input->findChild<QDialogButtonBox *>();
            if (key != 0 && line)
                QTest::keyClick(line, Qt::Key(key));
            else if (buttons)
                buttons->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        });
        const QString answer = dialogs.askText(
            QStringLiteral("Enter name of the lamp group you want to define:\r(must be at least 1 "
                           "character)"));

        QVERIFY(driver.answered());
        QCOMPARE(answer, result);
        QCOMPARE(title, Title);
        QCOMPARE(
            label,
            QStringLiteral("Enter name of the lamp group you want to define:\n(must be at least "
                           "1 character)"));
        QCOMPARE(initial, QString());
        QVERIFY(singleLine);
        QCOMPARE(parent, m_window.get());
    }

    void windowGoneStillShowsDialog()
    {
        QtGroupDialogs dialogs(m_window.get());
        m_window.reset();
        QString title;
        DialogAnswerer driver([&](QWidget *dialog) {
            title = dialog->windowTitle();
            if (auto *box = qobject_cast<QMessageBox *>(dialog))
                box->button(QMessageBox::Ok)->click();
        });
        dialogs.information(QStringLiteral("text"));
        QVERIFY(driver.answered());
        QCOMPARE(title, Title);
    }

private:
    static void seenLabel(QWidget *dialog, QString &text, Qt::TextFormat &format)
    {
        const auto labels = dialog->findChildren<QLabel *>();
        for (QLabel *label : labels) {
            if (label->text().contains(QStringLiteral("lamp group"))) {
                text = label->text();
                format = label->textFormat();
            }
        }
    }

    std::unique_ptr<QWidget> m_window;
};

QTEST_MAIN(tst_QtGroupDialogs)
#include "tst_qtgroupdialogs.moc"
