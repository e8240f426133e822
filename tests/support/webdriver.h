#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QNetworkAccessManager>
#include <QPoint>
#include <QProcess>
#include <QSize>
#include <QString>

// A minimal W3C WebDriver client: starts chromedriver, opens a headless Chromium
// session and drives it with plain JSON over HTTP. Each call waits for the answer;
// a call that fails leaves lastError() saying why.
class WebDriver final
{
public:
    static constexpr const char *DriverPath = "/usr/bin/chromedriver";
    static constexpr const char *BrowserPath = "/usr/bin/chromium";

    WebDriver() = default;
    ~WebDriver();
    WebDriver(const WebDriver &) = delete;
    WebDriver &operator=(const WebDriver &) = delete;

    static bool isInstalled();

    // Starts chromedriver and a headless session with that window size.
    bool start(QSize window);
    void quit();
    QString lastError() const { return m_lastError; }

    bool navigate(const QString &url);
    // The window and the page's viewport, as on a phone of that screen.
    bool setWindowSize(QSize window);
    // The element's reference, empty when none matches.
    QString findElement(const QString &css);
    bool click(const QString &element);
    bool sendKeys(const QString &element, const QString &text);
    // W3C actions: each entry one input source with its list of actions.
    bool performActions(const QJsonArray &sources);
    QJsonValue executeScript(const QString &script, const QJsonArray &args = {});

    // A pointer (touch) source dragging from one viewport point to another; sources of
    // other ids in one performActions() move together, as fingers do.
    static QJsonArray drag(QPoint from, QPoint to, int steps = 8,
                           const QString &finger = QStringLiteral("finger"));

private:
    // Sends one command; the "value" of the answer, or undefined (and lastError) on failure.
    QJsonValue command(const QByteArray &method, const QString &path, const QJsonObject &body = {});
    QString sessionPath(const QString &rest) const;

    QProcess m_driver;
    QNetworkAccessManager m_network;
    quint16 m_port = 0;
    QString m_session;
    QString m_lastError;
};
