#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "FuzzTargets.h"

#include "protocol/Frames.h"
#include "protocol/LdcdPacket.h"
#include "protocol/RxAssembler.h"

#include <cstring>

// Input: a control byte (bit 0: serial link; bits 1-3: receive mode, 5 and 7
// included as modes nobody uses), the 13 bytes of the sent frame, then
// deliveries, each a length byte followed by that many bytes. Bit 4 of the
// control byte: after a complete reply wait for the next one (Complete reset)
// instead of clearing.
int FuzzRxAssembler(const uint8_t *data, size_t size) {
    FuzzInput in(data, size);
    const uint8_t control = in.byte();
    const bool serial = control & 1;
    const uint8_t mode = uint8_t((control >> 1) & 7);
    const bool keepBuffer = control & 0x10;
    Frame sent;
    in.fill(sent.b, FrameSize);

    RxAssembler rx;
    rx.Mode = mode;
    rx.clear();
    const int expected = rx.expectedLength(serial);
    FUZZ_CHECK(expected == FrameSize || expected == PacketWireSize || expected == ModuleReplySize);
    FUZZ_CHECK(expected <= RxAssembler::BufferSize);

    int replies = 0;
    while (!in.empty()) {
        const QByteArray delivery = in.bytes(in.byte());
        const bool wasComplete = rx.Complete;
        const int used = rx.feed(reinterpret_cast<const uint8_t *>(delivery.constData()),
                                 int(delivery.size()), serial);
        FUZZ_CHECK(used >= 0 && used <= delivery.size());
        FUZZ_CHECK(rx.Pos >= 0 && rx.Pos < expected);
        if (wasComplete)
            FUZZ_CHECK(used == 0 && rx.Complete);
        if (!rx.Complete)
            continue;
        ++replies;
        if (mode != RxModuleCommand)
            FUZZ_CHECK(rx.Buffer[0] == FrameStart1 && rx.Buffer[1] == FrameStart2);
        // What the engine does with a complete reply of this mode.
        const bool accepted = ReplyAccepted(rx.Buffer, sent.b);
        if (accepted)
            FUZZ_CHECK(rx.Buffer[4] != StatusRejected);
        if (mode == RxBlockRead) {
            const int n = CheckReadBlock(rx.Buffer, sent.b);
            FUZZ_CHECK(n >= -1 && n <= BlockDataMax);
            if (n >= 0)
                FUZZ_CHECK(accepted);
        } else if (mode == RxModuleCommand && serial) {
            LdcdPacket reply;
            std::memcpy(reply.b, rx.Buffer, LdcdPacket::Size);
            LdcdPacket request = LdcdPacket::queryRequest();
            request.sealRequest();
            if (reply.acceptedReplyTo(request.b))
                FUZZ_CHECK(reply.checksumOk());
            (void)reply.versionText();
            (void)reply.ipText();
        }
        if (keepBuffer)
            rx.Complete = false;
        else
            rx.clear();
        FUZZ_CHECK(rx.Pos == 0 && !rx.Complete);
    }
    (void)replies;
    return 0;
}
