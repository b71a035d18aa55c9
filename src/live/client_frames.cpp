#include "live/client_frames.h"

namespace kaltero::live {

namespace {

constexpr quint8 kPing = 0x9;
constexpr quint8 kPong = 0xA;
constexpr quint8 kClose = 0x8;
constexpr int kMaxControlPayload = 125;

}  // namespace

ClientFrames::Fault ClientFrames::take(QByteArrayView bytes, QList<Frame>& frames) {
    if (fault_ != Fault::None) {
        return fault_;
    }
    pending_.append(bytes);
    // The two first bytes tell everything that can be wrong; a control frame's length fits in
    // them, so a whole frame is at most 2 + 4 + 125 bytes.
    while (pending_.size() >= 2) {
        const auto first = quint8(pending_[0]);
        const auto second = quint8(pending_[1]);
        const quint8 opcode = first & 0x0F;
        const bool whole = first & 0x80;
        const bool masked = second & 0x80;
        const int length = second & 0x7F;
        if (!masked) {
            fault_ = Fault::Unmasked;
        } else if (first & 0x70) {
            fault_ = Fault::Malformed;
        } else if (opcode <= 0x2) {
            fault_ = Fault::Message;
        } else if (opcode != kPing && opcode != kPong && opcode != kClose) {
            fault_ = Fault::Malformed;
        } else if (!whole || length > kMaxControlPayload) {
            fault_ = Fault::Malformed;
        }
        if (fault_ != Fault::None) {
            pending_.clear();
            return fault_;
        }
        const qsizetype size = 2 + 4 + length;
        if (pending_.size() < size) {
            break;
        }
        Frame frame{opcode, pending_.mid(6, length)};
        for (qsizetype i = 0; i < length; ++i) {
            frame.payload[i] = char(frame.payload[i] ^ pending_[2 + i % 4]);
        }
        frames.append(std::move(frame));
        pending_.remove(0, size);
    }
    return Fault::None;
}

}  // namespace kaltero::live
