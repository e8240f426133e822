#include "remote/web/remotemessagehandler.h"

#include "remoteapi/remotepanel.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <cmath>

namespace {

constexpr int MaxLevel = 255;

// A JSON number that is a whole number from low to high.
std::optional<int> wholeNumber(const QJsonValue &value, int low, int high)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (!(number >= low && number <= high) || std::floor(number) != number)
        return std::nullopt;
    return static_cast<int>(number);
}

} // namespace

QByteArray RemoteMessageHandler::handleMessage(const QByteArray &text, Time now)
{
    // The heartbeat, every second from every page, as the page sends it: no parsing.
    static const QByteArray Ping = QByteArrayLiteral(R"({"type":"ping"})");
    static const QByteArray Pong = QByteArrayLiteral(R"({"type":"pong"})");
    if (text == Ping)
        return Pong;
    QJsonParseError error {};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return {};
    const QJsonObject message = document.object();
    const QString type = message.value(QLatin1String("type")).toString();
    const int shown = m_panel.lampCount();

    if (type == QLatin1String("move")) {
        const auto lamp = wholeNumber(message.value(QLatin1String("lamp")), 0, shown - 1);
        const auto level = wholeNumber(message.value(QLatin1String("level")), 0, MaxLevel);
        if (lamp && level)
            move({*lamp, *level}, now);
    } else if (type == QLatin1String("link")) {
        const auto lamp = wholeNumber(message.value(QLatin1String("lamp")), 0, shown - 1);
        const QJsonValue linked = message.value(QLatin1String("linked"));
        if (lamp && linked.isBool())
            m_panel.setLampLinked(*lamp, linked.toBool());
    } else if (type == QLatin1String("selectGroup")) {
        const QStringList names = m_panel.groupNames();
        const auto index
            = wholeNumber(message.value(QLatin1String("index")), 0, int(names.size()) - 1);
        const QJsonValue name = message.value(QLatin1String("name"));
        // The list may have changed since the page showed it: the name must still match.
        if (index && name.isString() && name.toString() == names.at(*index))
            m_panel.selectGroup(*index);
    } else if (type == QLatin1String("deselectAll")) {
        m_panel.deselectAll();
    } else if (type == QLatin1String("ping")) {
        return Pong;
    } else if (type == QLatin1String("recall")) {
        recall(message);
    } else if (type == QLatin1String("store")) {
        const QJsonValue name = message.value(QLatin1String("name"));
        if (name.isString())
            m_panel.storeLook(name.toString());
    } else if (type == QLatin1String("blackout")) {
        const QJsonValue on = message.value(QLatin1String("on"));
        if (on.isBool())
            m_panel.setBlackout(on.toBool());
    }
    return {};
}

void RemoteMessageHandler::recall(const QJsonObject &message)
{
    const QStringList names = m_panel.lookNames();
    const auto index = wholeNumber(message.value(QLatin1String("index")), 0, int(names.size()) - 1);
    const QJsonValue name = message.value(QLatin1String("name"));
    // As for groups: the list may have changed since the page showed it.
    if (!index || !name.isString() || name.toString() != names.at(*index))
        return;
    const QJsonValue fade = message.value(QLatin1String("fade"));
    if (fade.isUndefined())
        m_panel.recallLook(name.toString(), std::nullopt);
    else if (fade.isDouble())
        m_panel.recallLook(name.toString(), fade.toDouble());
}

void RemoteMessageHandler::applyDueMove(Time now)
{
    const auto due = nextMoveDue();
    if (!due || now < *due)
        return;
    const Move pending = *m_pending;
    m_pending.reset();
    // The lamp count may have dropped while the move waited.
    if (pending.lamp < m_panel.lampCount())
        apply(pending, now);
}

std::optional<RemoteMessageHandler::Time> RemoteMessageHandler::nextMoveDue() const
{
    if (!m_pending)
        return std::nullopt;
    return m_lastMove ? *m_lastMove + MoveInterval : Time::zero();
}

void RemoteMessageHandler::move(const Move &move, Time now)
{
    if (m_pending || (m_lastMove && now - *m_lastMove < MoveInterval)) {
        m_pending = move;
        return;
    }
    apply(move, now);
}

void RemoteMessageHandler::apply(const Move &move, Time now)
{
    m_lastMove = now;
    m_panel.moveLamp(move.lamp, move.level);
}
