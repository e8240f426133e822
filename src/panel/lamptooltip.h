#pragma once

#include <QHash>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

class QWidget;
class DeskModel;
class SerialLink;

// The tip shown when the pointer rests on a lamp's slider or indicator: the lamp's
// name and level as a number, and whether the level can reach the controller.
//   LAMP3: 200 (78 %)
//   Not sent: serial port /dev/ttyUSB0 is closed
// While a lamp's tip is up, it follows that lamp's level.
class LampToolTip final : public QObject
{
    Q_OBJECT

public:
    LampToolTip(const DeskModel &desk, const SerialLink &link, QObject *parent = nullptr);

    // The second line appears only while the port is closed; device is the one the
    // panel tried to open.
    // A named lamp's name follows its number: "LAMP3 Front wash: 200 (78 %)".
    static QString text(int lamp, int level, bool portOpen, const QString &device,
                        const QString &name = {});
    // The level as a whole percentage of full, rounded to the nearest.
    static int percent(int level);

    // Shows lamp's tip whenever the pointer rests on widget.
    void watch(QWidget *widget, int lamp);
    // Shows lamp's tip now, at globalPos over widget.
    void show(int lamp, const QPoint &globalPos, QWidget *widget);
    // After lamp's level changed: its tip, while still up, shows the new level.
    void levelChanged(int lamp);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    const DeskModel &m_desk;
    const SerialLink &m_link;
    QHash<const QObject *, int> m_lampOfWidget;

    // The tip shown last: its lamp, place, control and text.
    int m_tipLamp = -1;
    QPoint m_tipPos;
    QPointer<QWidget> m_tipWidget;
    QString m_tipText;
};
