#include "remotepageclient.h"

#include "monotonicclock.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkRequest>
#include <QUrl>
#include <chrono>

namespace {

constexpr std::chrono::seconds HeartbeatInterval {1};

} // namespace

RemotePageClient::RemotePageClient(quint16 port, int watchedLamp, LevelShown levelShown,
                                   QObject *parent)
    : QObject(parent)
    , m_host(QStringLiteral("127.0.0.1:%1").arg(port))
    , m_watchedLamp(watchedLamp)
    , m_levelShown(std::move(levelShown))
    // The origin a browser gives the page the panel served.
    , m_socket(QStringLiteral("http://") + m_host)
{
    connect(&m_socket, &QWebSocket::textMessageReceived, this, &RemotePageClient::receive);
    m_heartbeat.setInterval(HeartbeatInterval);
    connect(&m_heartbeat, &QTimer::timeout, this,
            [this] { m_socket.sendTextMessage(QStringLiteral(R"({"type":"ping"})")); });
    connect(&m_socket, &QWebSocket::connected, &m_heartbeat, qOverload<>(&QTimer::start));
}

void RemotePageClient::open(const QByteArray &cookie)
{
    QNetworkRequest request(QUrl(QStringLiteral("ws://%1/socket").arg(m_host)));
    request.setRawHeader("Cookie", cookie);
    m_socket.open(request);
}

void RemotePageClient::sendMove(int lamp, int level)
{
    const QJsonObject move {{QLatin1String("type"), QLatin1String("move")},
                            {QLatin1String("lamp"), lamp},
                            {QLatin1String("level"), level}};
    m_socket.sendTextMessage(QString::fromUtf8(QJsonDocument(move).toJson(QJsonDocument::Compact)));
    m_socket.flush();
}

void RemotePageClient::receive(const QString &message)
{
    // Stamped before the parsing, as a page's handler starts on arrival.
    const qint64 atNs = MonotonicClock::nowNs();
    const QJsonObject object = QJsonDocument::fromJson(message.toUtf8()).object();
    const QString type = object.value(QLatin1String("type")).toString();
    // The heartbeat's answers are not what the panel shows.
    if (type == QLatin1String("pong"))
        return;
    ++m_messages;
    const QJsonArray levels = object.value(QLatin1String("levels")).toArray();
    if (type == QLatin1String("state")) {
        m_hasState = true;
        if (m_watchedLamp < levels.size())
            show(levels.at(m_watchedLamp).toInt(), atNs);
    } else if (type == QLatin1String("update")) {
        // Pairs of lamp and level.
        for (const QJsonValue &pair : levels) {
            const QJsonArray lampLevel = pair.toArray();
            if (lampLevel.at(0).toInt() == m_watchedLamp)
                show(lampLevel.at(1).toInt(), atNs);
        }
    }
}

void RemotePageClient::show(int level, qint64 atNs)
{
    m_level = level;
    if (m_levelShown)
        m_levelShown(level, atNs);
}
