#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace kaltero::live {

// What a page sends over its feed, read frame by frame before anything else reads it. A page
// only listens, so all it may send are control frames: a pong for each ping, a ping, a close.
// Every frame from a client must be masked (RFC 6455, 5.1); a frame that is not, a data frame
// and a malformed frame are faults that end the connection. Control frames are at most 125
// bytes, so what waits here for the rest of a frame stays small.
//   masked pong "\x8A\x80…" -> Frame{0x0A, ""};  "\x89\x00" -> Fault::Unmasked
class ClientFrames {
public:
    enum class Fault {
        None,
        Unmasked,   // not masked
        Message,    // text, binary or continuation: the page sends no messages
        Malformed,  // reserved bits, an unknown opcode, a control frame in pieces or too long
    };
    struct Frame {
        quint8 opcode = 0;
        QByteArray payload;  // unmasked
    };

    // Reads the next bytes of the stream; each control frame they complete is appended to
    // `frames`. After a fault nothing more is read.
    Fault take(QByteArrayView bytes, QList<Frame>& frames);

private:
    QByteArray pending_;  // the start of a frame not yet whole
    Fault fault_ = Fault::None;
};

}  // namespace kaltero::live
