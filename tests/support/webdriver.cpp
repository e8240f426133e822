#include "webdriver.h"

#include "freeport.h"

#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QNetworkReply>
#include <QThread>
#include <QTimer>
#include <chrono>

using namespace std::chrono_literals;

namespace {

// Chromium may take a while to start on a busy machine.
constexpr auto CommandTimeout = 60s;
constexpr auto StartTimeout = 20s;
constexpr auto StartPoll = 100ms;
// The key W3C gives an element reference in JSON.
const QString ElementKey = QStringLiteral("element-6066-11e4-a52e-4f735466cecf");

} // namespace

WebDriver::~WebDriver()
{
    quit();
}

bool WebDriver::isInstalled()
{
    return QFile::exists(QString::fromLatin1(DriverPath))
        && QFile::exists(QString::fromLatin1(BrowserPath));
}

bool WebDriver::start(QSize window)
{
    m_port = FreePort::tcp();
    m_driver.setProgram(QString::fromLatin1(DriverPath));
    m_driver.setArguments({QStringLiteral("--port=%1").arg(m_port)});
    m_driver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_driver.setStandardOutputFile(QProcess::nullDevice());
    m_driver.start();
    if (!m_driver.waitForStarted()) {
        m_lastError = m_driver.errorString();
        return false;
    }
    bool ready = false;
    for (auto waited = 0ms; !ready && waited < StartTimeout; waited += StartPoll) {
        ready = command("GET", QStringLiteral("/status"))
                    .toObject()
                    .value(QLatin1String("ready"))
                    .toBool();
        if (!ready)
            QThread::msleep(static_cast<unsigned long>(StartPoll.count()));
    }
    if (!ready)
        return false;

    const QJsonObject chrome {
        {QStringLiteral("binary"), QString::fromLatin1(BrowserPath)},
        {QStringLiteral("args"),
         QJsonArray {
             QStringLiteral("--headless=new"), QStringLiteral("--no-sandbox"),
             QStringLiteral("--disable-gpu"), QStringLiteral("--disable-dev-shm-usage"),
             QStringLiteral("--window-size=%1,%2").arg(window.width()).arg(window.height())}}};
    const QJsonObject capabilities {
        {QStringLiteral("alwaysMatch"),
         QJsonObject {{QStringLiteral("browserName"), QStringLiteral("chrome")},
                      {QStringLiteral("goog:chromeOptions"), chrome}}}};
    const QJsonValue session = command("POST", QStringLiteral("/session"),
                                       {{QStringLiteral("capabilities"), capabilities}});
    m_session = session.toObject().value(QLatin1String("sessionId")).toString();
    return !m_session.isEmpty() && setWindowSize(window);
}

void WebDriver::quit()
{
    if (!m_session.isEmpty())
        command("DELETE", sessionPath({}));
    m_session.clear();
    if (m_driver.state() != QProcess::NotRunning) {
        m_driver.terminate();
        if (!m_driver.waitForFinished(5000))
            m_driver.kill();
        m_driver.waitForFinished();
    }
}

bool WebDriver::navigate(const QString &url)
{
    return !command("POST", sessionPath(QStringLiteral("/url")), {{QStringLiteral("url"), url}})
                .isUndefined();
}

bool WebDriver::setWindowSize(QSize window)
{
    // A desktop window has a least width (500 px in headless Chromium), so the phone's
    // screen is emulated through chromedriver's DevTools passthrough as well.
    const QJsonObject metrics {{QStringLiteral("width"), window.width()},
                               {QStringLiteral("height"), window.height()},
                               {QStringLiteral("deviceScaleFactor"), 1},
                               {QStringLiteral("mobile"), true}};
    return !command("POST", sessionPath(QStringLiteral("/window/rect")),
                    {{QStringLiteral("width"), window.width()},
                     {QStringLiteral("height"), window.height()}})
                .isUndefined()
        && !command("POST", sessionPath(QStringLiteral("/goog/cdp/execute")),
                    {{QStringLiteral("cmd"), QStringLiteral("Emulation.setDeviceMetricsOverride")},
                     {QStringLiteral("params"), metrics}})
                .isUndefined();
}

QString WebDriver::findElement(const QString &css)
{
    const QJsonValue found = command("POST", sessionPath(QStringLiteral("/element")),
                                     {{QStringLiteral("using"), QStringLiteral("css selector")},
                                      {QStringLiteral("value"), css}});
    return found.toObject().value(ElementKey).toString();
}

bool WebDriver::click(const QString &element)
{
    return !command("POST", sessionPath(QStringLiteral("/element/%1/click").arg(element)))
                .isUndefined();
}

bool WebDriver::sendKeys(const QString &element, const QString &text)
{
    return !command("POST", sessionPath(QStringLiteral("/element/%1/value").arg(element)),
                    {{QStringLiteral("text"), text}})
                .isUndefined();
}

bool WebDriver::performActions(const QJsonArray &sources)
{
    return !command("POST", sessionPath(QStringLiteral("/actions")),
                    {{QStringLiteral("actions"), sources}})
                .isUndefined();
}

QJsonValue WebDriver::executeScript(const QString &script, const QJsonArray &args)
{
    return command("POST", sessionPath(QStringLiteral("/execute/sync")),
                   {{QStringLiteral("script"), script}, {QStringLiteral("args"), args}});
}

QJsonArray WebDriver::drag(QPoint from, QPoint to, int steps, const QString &finger)
{
    const auto moveTo = [](QPoint point, int duration) {
        return QJsonObject {{QStringLiteral("type"), QStringLiteral("pointerMove")},
                            {QStringLiteral("origin"), QStringLiteral("viewport")},
                            {QStringLiteral("x"), point.x()},
                            {QStringLiteral("y"), point.y()},
                            {QStringLiteral("duration"), duration}};
    };
    QJsonArray actions {moveTo(from, 0),
                        QJsonObject {{QStringLiteral("type"), QStringLiteral("pointerDown")},
                                     {QStringLiteral("button"), 0}}};
    for (int i = 1; i <= steps; ++i)
        actions.append(moveTo(from + (to - from) * i / steps, 20));
    actions.append(QJsonObject {{QStringLiteral("type"), QStringLiteral("pointerUp")},
                                {QStringLiteral("button"), 0}});
    return {QJsonObject {{QStringLiteral("type"), QStringLiteral("pointer")},
                         {QStringLiteral("id"), finger},
                         {QStringLiteral("parameters"),
                          QJsonObject {{QStringLiteral("pointerType"), QStringLiteral("touch")}}},
                         {QStringLiteral("actions"), actions}}};
}

QJsonValue WebDriver::command(const QByteArray &method, const QString &path,
                              const QJsonObject &body)
{
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path)));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    const QByteArray payload
        = method == "GET" ? QByteArray() : QJsonDocument(body).toJson(QJsonDocument::Compact);
    QNetworkReply *reply = m_network.sendCustomRequest(request, method, payload);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(CommandTimeout, &loop, &QEventLoop::quit);
    loop.exec();
    if (!reply->isFinished()) {
        reply->abort();
        m_lastError = QStringLiteral("%1 %2: no answer").arg(QString::fromLatin1(method), path);
        reply->deleteLater();
        return QJsonValue::Undefined;
    }
    const QJsonValue value
        = QJsonDocument::fromJson(reply->readAll()).object().value(QLatin1String("value"));
    const bool failed = reply->error() != QNetworkReply::NoError;
    reply->deleteLater();
    if (failed) {
        m_lastError = QStringLiteral("%1 %2: %3")
                          .arg(QString::fromLatin1(method), path,
                               value.toObject().value(QLatin1String("message")).toString());
        return QJsonValue::Undefined;
    }
    // Commands with nothing to say answer null; that is success.
    return value.isUndefined() ? QJsonValue(QJsonValue::Null) : value;
}

QString WebDriver::sessionPath(const QString &rest) const
{
    return QStringLiteral("/session/") + m_session + rest;
}
