#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "FuzzTargets.h"

#include "protocol/LdcdPacket.h"

// Input: a 32-byte reply, then 32 bytes of a request as a caller fills them
// (only bytes 16..29 count; the seal adds the rest).
int FuzzLdcdPacket(const uint8_t *data, size_t size) {
    FuzzInput in(data, size);
    LdcdPacket reply;
    in.fill(reply.b, LdcdPacket::Size);
    LdcdPacket request;
    in.fill(request.b, LdcdPacket::Size);
    request.sealRequest();
    FUZZ_CHECK(request.checksumOk());

    if (reply.acceptedReplyTo(request.b)) {
        FUZZ_CHECK(reply.checksumOk());
        FUZZ_CHECK(reply.b[LdcdPacket::StatusOffset] != LdcdPacket::StatusNotTaken);
    }
    FUZZ_CHECK(!request.acceptedReplyTo(request.b)); // a request is never its own answer
    const QString version = reply.versionText();
    FUZZ_CHECK(version.startsWith(QLatin1String("Ver")));
    FUZZ_CHECK(reply.ipText().count(QLatin1Char('.')) == 3);
    (void)reply.autoIP();
    const QString log = LdcdPacket::logText(QStringLiteral("rcv"), reply.b);
    FUZZ_CHECK(log.size() <= 511);
    return 0;
}
