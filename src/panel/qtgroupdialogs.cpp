#include "panel/qtgroupdialogs.h"

#include "platform/productinfo.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

QtGroupDialogs::QtGroupDialogs(QWidget *parent) : m_parent(parent) { }

QString QtGroupDialogs::title()
{
    return QLatin1String(ProductInfo::Title);
}

QString QtGroupDialogs::shownText(const QString &text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

void QtGroupDialogs::information(const QString &text)
{
    QMessageBox box(QMessageBox::Information, title(), shownText(text), QMessageBox::Ok, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool QtGroupDialogs::askYesNo(const QString &text)
{
    QMessageBox box(QMessageBox::Question, title(), shownText(text),
                    QMessageBox::Yes | QMessageBox::No, m_parent);
    // The question quotes a group name, which must show as typed, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString QtGroupDialogs::askText(const QString &prompt)
{
    QInputDialog dialog(m_parent);
    dialog.setWindowTitle(title());
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextEchoMode(QLineEdit::Normal);
    dialog.setLabelText(shownText(prompt));
    dialog.setTextValue(QString());
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}
