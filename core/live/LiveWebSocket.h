#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The socket protocol's frames as the results server needs them: it reads a client's frames and
// writes its own unmasked and whole, never fragmented.
struct WebSocketFrame
{
    enum Kind { NeedMore, Frame, Fault };
    enum Opcode : quint8 { Continuation = 0, Text = 1, Binary = 2, Close = 8, Ping = 9, Pong = 10 };
    Kind kind = NeedMore;
    quint8 opcode = 0;
    QByteArray payload; // unmasked
    quint16 closeCode = 0; // of a fault
    qsizetype consumed = 0;
};

// A client's frame must be masked, use no reserved bits or opcodes, and a control frame is whole
// and at most 125 bytes (1002 otherwise); a payload over maxPayload is 1009.
WebSocketFrame readClientFrame(QByteArrayView bytes, qsizetype maxPayload);
QByteArray webSocketFrame(quint8 opcode, QByteArrayView payload);
QByteArray webSocketClose(quint16 code);
