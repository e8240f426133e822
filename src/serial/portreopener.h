#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>

class SerialLink;

// Opens the serial link again, once a second, whenever it is closed: a device missing
// at start-up, or a USB adapter unplugged and plugged back in, comes back without a
// restart. The link keeps its device name and line settings while closed, so each
// attempt opens the same device the same way, following a symlink afresh each time.
//
// While the device is missing an attempt is a single look-up of its path; the device
// itself is opened only once its node exists, and that open does not wait for it.
class PortReopener final : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::seconds Interval {1};

    explicit PortReopener(SerialLink &link, QObject *parent = nullptr);

    void start();
    void stop();

Q_SIGNALS:
    // The link has just been opened by an attempt of this reopener.
    void reopened();

private:
    void attempt();

    SerialLink &m_link;
    QTimer m_timer;
};
