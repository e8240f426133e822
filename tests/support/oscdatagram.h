#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QtGlobal>

// OSC datagrams as cue software sends them, encoded with liblo, and a loopback UDP
// port to send them to.
class OscDatagram final
{
public:
    // One argument of a message: 'i' (int32), 'f' (float32), 'd' (double), 'h' (int64),
    // or 's' (text, or the value as decimal text when text is empty), with its value.
    struct Argument
    {
        Argument(char type = 'i', double value = 0) : type(type), value(value) { }
        // A string argument of exactly this text.
        static Argument string(const QByteArray &text)
        {
            Argument argument('s');
            argument.text = text;
            return argument;
        }

        char type = 'i';
        double value = 0;
        QByteArray text;
    };

    OscDatagram() = delete;

    static QByteArray message(const QByteArray &address, const QList<Argument> &arguments);
    static QByteArray message(const QByteArray &address, char type, double value);
    // A bundle made with liblo, timetag "now", its messages in the order given.
    static QByteArray bundle(const QList<QPair<QByteArray, Argument>> &messages);
    // A bundle framed by hand around elements already encoded, well formed or not.
    static QByteArray frame(const QList<QByteArray> &elements);

    // A loopback UDP port that was free a moment ago; 0 when none could be had. Made
    // with the other free ports in the test rig (freeport.cpp), so that the tests of
    // the light library open no socket and load no Qt Network.
    static quint16 freeLoopbackPort();
};
