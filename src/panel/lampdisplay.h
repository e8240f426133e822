#pragma once

#include <QColor>
#include <QWidget>

// A lamp's level indicator: a plain rectangle with a thin solid border, filled
// with the grey of the lamp's level.
class LampDisplay final : public QWidget
{
    Q_OBJECT

public:
    explicit LampDisplay(QWidget *parent = nullptr);

    void setFillColor(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_fill {Qt::black};
};
