#pragma once

#include <QByteArray>

// The HTTP status codes the phone remote answers with, and their reason phrases.
namespace HttpStatus {

constexpr int SwitchingProtocols = 101;
constexpr int Ok = 200;
constexpr int SeeOther = 303;
constexpr int BadRequest = 400;
constexpr int Unauthorized = 401;
constexpr int Forbidden = 403;
constexpr int NotFound = 404;
constexpr int RequestTimeout = 408;
constexpr int PayloadTooLarge = 413;
constexpr int MisdirectedRequest = 421;
constexpr int UpgradeRequired = 426;
constexpr int TooManyRequests = 429;
constexpr int HeadersTooLarge = 431;
constexpr int NotImplemented = 501;
constexpr int Unavailable = 503;
constexpr int VersionNotSupported = 505;

inline QByteArray reason(int status)
{
    switch (status) {
    case SwitchingProtocols:
        return QByteArrayLiteral("Switching Protocols");
    case Ok:
        return QByteArrayLiteral("OK");
    case SeeOther:
        return QByteArrayLiteral("See Other");
    case BadRequest:
        return QByteArrayLiteral("Bad Request");
    case Unauthorized:
        return QByteArrayLiteral("Unauthorized");
    case Forbidden:
        return QByteArrayLiteral("Forbidden");
    case NotFound:
        return QByteArrayLiteral("Not Found");
    case RequestTimeout:
        return QByteArrayLiteral("Request Timeout");
    case PayloadTooLarge:
        return QByteArrayLiteral("Content Too Large");
    case MisdirectedRequest:
        return QByteArrayLiteral("Misdirected Request");
    case UpgradeRequired:
        return QByteArrayLiteral("Upgrade Required");
    case TooManyRequests:
        return QByteArrayLiteral("Too Many Requests");
    case HeadersTooLarge:
        return QByteArrayLiteral("Request Header Fields Too Large");
    case NotImplemented:
        return QByteArrayLiteral("Not Implemented");
    case Unavailable:
        return QByteArrayLiteral("Service Unavailable");
    case VersionNotSupported:
        return QByteArrayLiteral("HTTP Version Not Supported");
    default:
        return QByteArrayLiteral("Error");
    }
}

} // namespace HttpStatus
