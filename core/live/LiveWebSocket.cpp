#include "core/live/LiveWebSocket.h"

namespace {
WebSocketFrame fault(quint16 code)
{
    WebSocketFrame frame;
    frame.kind = WebSocketFrame::Fault;
    frame.closeCode = code;
    return frame;
}
} // namespace

WebSocketFrame readClientFrame(QByteArrayView bytes, qsizetype maxPayload)
{
    if (bytes.size() < 2)
        return {};
    const auto first = quint8(bytes[0]), second = quint8(bytes[1]);
    const bool fin = first & 0x80;
    const quint8 opcode = first & 0x0f;
    if (first & 0x70)
        return fault(1002);
    const bool control = opcode >= 8;
    if ((opcode > WebSocketFrame::Binary && opcode < WebSocketFrame::Close) || opcode > WebSocketFrame::Pong)
        return fault(1002);
    if (!(second & 0x80))
        return fault(1002);
    quint64 length = second & 0x7f;
    qsizetype at = 2;
    if (control && (length > 125 || !fin))
        return fault(1002);
    if (length == 126 || length == 127) {
        const int extra = length == 126 ? 2 : 8;
        if (bytes.size() < at + extra)
            return {};
        length = 0;
        for (int i = 0; i < extra; ++i)
            length = length << 8 | quint8(bytes[at + i]);
        at += extra;
    }
    if (length > quint64(maxPayload))
        return fault(1009);
    if (bytes.size() < at + 4 + qsizetype(length))
        return {};
    const QByteArrayView mask = bytes.sliced(at, 4);
    at += 4;
    WebSocketFrame frame;
    frame.kind = WebSocketFrame::Frame;
    frame.opcode = opcode;
    frame.payload.resize(qsizetype(length));
    for (qsizetype i = 0; i < qsizetype(length); ++i)
        frame.payload[i] = char(bytes[at + i] ^ mask[i % 4]);
    frame.consumed = at + qsizetype(length);
    return frame;
}

QByteArray webSocketFrame(quint8 opcode, QByteArrayView payload)
{
    QByteArray frame;
    frame.reserve(payload.size() + 10);
    frame += char(0x80 | opcode);
    const auto size = quint64(payload.size());
    if (size < 126) {
        frame += char(size);
    } else if (size < 65536) {
        frame += char(126);
        frame += char(size >> 8);
        frame += char(size & 0xff);
    } else {
        frame += char(127);
        for (int shift = 56; shift >= 0; shift -= 8)
            frame += char((size >> shift) & 0xff);
    }
    frame += payload;
    return frame;
}

QByteArray webSocketClose(quint16 code)
{
    const char payload[2] = {char(code >> 8), char(code & 0xff)};
    return webSocketFrame(WebSocketFrame::Close, QByteArrayView(payload, 2));
}
