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
    Qt::TextFormat format = Qt::AutoText;
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
    seen.format = box->textFormat();
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

    void informationShowsTextWithOk()
    {
        QtGroupDialogs dialogs(m_window.get());
        SeenBox seen;
        DialogAnswerer driver([&](QWidget *dialog) {
            seen = look(dialog);
            if (auto *box = qobject_cast<QMessageBox *>(dialog))
                box->button(QMessageBox::Ok)->click();
        });
        dialogs.information(QStringLiteral("First line.\rSecond line."));

        QVERIFY(driver.answered());
        QCOMPARE(seen.title, Title);
        QCOMPARE(seen.text, QStringLiteral("First line.\nSecond line."));
        QCOMPARE(seen.icon, QMessageBox::Information);
        QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(seen.parent, m_window.get());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    void questionAnswers_data()
    {
        QTest::addColumn<int>("answer"); // a button, or a key
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<bool>("yes");

        QTest::newRow("Yes button") << int(QMessageBox::Yes) << false << true;
        QTest::newRow("No button") << int(QMessageBox::No) << false << false;
        QTest::newRow("Enter takes the default Yes") << int(Qt::Key_Return) << true << true;
        QTest::newRow("Escape is No") << int(Qt::Key_Escape) << true << false;
    }
    void questionAnswers()
    {
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
        const bool result = dialogs.askYesNo(
            QStringLiteral("Are you sure you want to remove\rthe lamp group 'Stage'?"));

        QVERIFY(driver.answered());
        QCOMPARE(result, yes);
        QCOMPARE(seen.title, Title);
        QCOMPARE(seen.text,
                 QStringLiteral("Are you sure you want to remove\nthe lamp group 'Stage'?"));
        QCOMPARE(seen.icon, QMessageBox::Question);
        QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(seen.defaultButton, QMessageBox::Yes);
        QCOMPARE(seen.parent, m_window.get());
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
        QTest::addColumn<QString>("result");

        QTest::newRow("OK with a name")
            << QStringLiteral("Back row") << true << QStringLiteral("Back row");
        QTest::newRow("OK with blanks only")
            << QStringLiteral("   ") << true << QStringLiteral("   ");
        QTest::newRow("OK with blanks at the ends")
            << QStringLiteral(" Stage ") << true << QStringLiteral(" Stage ");
        QTest::newRow("OK with nothing typed") << QString() << true << QString();
        QTest::newRow("Cancel after typing") << QStringLiteral("Stage") << false << QString();
    }
    void inputReturnsTypedText()
    {
        QFETCH(QString, typed);
        QFETCH(bool, accept);
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
            if (buttons) {
                buttons->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
            }
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

    void inputEnterAcceptsEscapeCancels()
    {
        QtGroupDialogs dialogs(m_window.get());
        DialogAnswerer accept([](QWidget *dialog) {
            if (auto *line = dialog->findChild<QLineEdit *>()) {
                QTest::keyClicks(line, QStringLiteral("Stage"));
                QTest::keyClick(line, Qt::Key_Return);
            }
        });
        QCOMPARE(dialogs.askText(QStringLiteral("Name:")), QStringLiteral("Stage"));
        QVERIFY(accept.answered());

        DialogAnswerer cancel([](QWidget *dialog) {
            if (auto *line = dialog->findChild<QLineEdit *>()) {
                QTest::keyClicks(line, QStringLiteral("Stage"));
                QTest::keyClick(line, Qt::Key_Escape);
            }
        });
        QCOMPARE(dialogs.askText(QStringLiteral("Name:")), QString());
        QVERIFY(cancel.answered());
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
