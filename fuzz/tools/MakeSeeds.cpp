// Writes the seed corpus of every fuzz target with the project's own writers:
//   fuzz_seeds <folder>      (scripts/fuzz.sh --seeds writes into fuzz/corpus)
// Each file is small and real: frames the engine sends and a unit answers,
// datagrams a module sends, a "Settings.ini" the tool writes, ".fw", ".fw2"
// and ".bif" files as the merge page, the package builder and the editor lay
// them out. The EDID seeds are the repository's sample EDIDs (testdata/edid),
// copied by scripts/fuzz.sh.
#include "PackageSamples.h"

#include "boardinfo/BoardInfoBlock.h"
#include "boardinfo/BoardInfoFile.h"
#include "boardinfo/BoardInfoTree.h"
#include "firmware/FirmwareCipher.h"
#include "firmware/FirmwarePartHeader.h"
#include "lanmodule/DeviceEntry.h"
#include "protocol/DiscoveryRecord.h"
#include "protocol/Frames.h"
#include "protocol/LdcdPacket.h"
#include "protocol/ModuleConfigRecord.h"
#include "protocol/Requests.h"
#include "protocol/RxAssembler.h"
#include "settings/IniFile.h"
#include "settings/SettingsData.h"

#include <QDir>
#include <QFile>
#include <cstdio>
#include <cstring>

namespace {

QString root;
int written = 0;

void put(const QString &target, const QString &name, const QByteArray &bytes) {
    QDir().mkpath(root + QLatin1Char('/') + target);
    QFile f(root + QLatin1Char('/') + target + QLatin1Char('/') + name);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
        std::exit(1);
    }
    ++written;
}

QByteArray raw(const uint8_t *b, int n) {
    return QByteArray(reinterpret_cast<const char *>(b), n);
}

// A unit's answer to `sent`: the echo with status `status`, sealed.
QByteArray answer(const Frame &sent, uint8_t status) {
    Frame r = sent;
    r.b[4] = status;
    SealFrame(r);
    return r.toBytes();
}

// The 270-byte data packet a unit sends for a block read.
QByteArray dataPacket(const Frame &sent, const QByteArray &block, bool last) {
    QByteArray p = BuildHostPacket(PacketKind::EdidDownload, sent,
                                   reinterpret_cast<const uint8_t *>(block.constData()),
                                   last ? int(block.size()) : int(block.size()) + BlockDataMax, 0);
    return p;
}

QByteArray delivery(const QByteArray &bytes) {
    QByteArray out;
    for (qsizetype at = 0; at < bytes.size(); at += 255) {
        const QByteArray piece = bytes.mid(at, 255);
        out += char(piece.size());
        out += piece;
    }
    return out;
}

void rxSeeds() {
    const Frame power = Requests::powerQuery();
    const Frame edid = Requests::edidRead(Requests::EdidAddressOfPort(1));
    // mode 0 on TCP and serial, with noise in front and a second reply.
    for (int serial = 0; serial < 2; ++serial) {
        const uint8_t control = uint8_t(serial | (RxCommand << 1));
        put("rxassembler", QStringLiteral("command-%1").arg(serial),
            char(control) + power.toBytes() +
                delivery(QByteArray("\x01\x02\xA5", 3) + answer(power, StatusOK)) +
                delivery(answer(power, StatusRejected)));
        const QByteArray block = samples::image(128, 7);
        const uint8_t readControl = uint8_t(serial | (RxBlockRead << 1));
        const QByteArray packet = dataPacket(edid, block, true);
        put("rxassembler", QStringLiteral("blockread-%1").arg(serial),
            char(readControl) + edid.toBytes() + delivery(packet.left(100)) +
                delivery(packet.mid(100)));
        for (uint8_t mode : {RxBoardInfoWrite, RxUpload, RxUploadPrepared}) {
            put("rxassembler", QStringLiteral("mode%1-%2").arg(mode).arg(serial),
                char(uint8_t(serial | (mode << 1) | 0x10)) + power.toBytes() +
                    delivery(answer(power, StatusMore)) + delivery(answer(power, StatusOK)));
        }
    }
    LdcdPacket query = LdcdPacket::queryRequest();
    query.sealRequest();
    LdcdPacket reply = query;
    reply.b[17] = 2;
    reply.b[18] = 5;
    reply.b[LdcdPacket::StatusOffset] = 0;
    reply.b[31] = LdcdPacket::Checksum(reply.b);
    put("rxassembler", "module-serial",
        char(uint8_t(1 | (RxModuleCommand << 1))) + power.toBytes() +
            delivery(raw(reply.b, LdcdPacket::Size)));
    put("rxassembler", "module-tcp",
        char(uint8_t(RxModuleCommand << 1)) + power.toBytes() + delivery(answer(power, StatusOK)));

    // blockpacket: request, the unit's packet, then a remaining count and block number.
    const QByteArray block = samples::image(256, 3);
    auto tail = [](uint32_t remaining, uint16_t number) {
        QByteArray t;
        for (int i = 0; i < 4; ++i)
            t += char(uint8_t(remaining >> (8 * i)));
        t += char(uint8_t(number)) + QByteArray(1, char(number >> 8));
        return t;
    };
    put("blockpacket", "more", edid.toBytes() + dataPacket(edid, block, false) + tail(300, 1));
    put("blockpacket", "last",
        edid.toBytes() + dataPacket(edid, block.left(17), true) + tail(17, 2));
    QByteArray longLength = dataPacket(edid, block, true);
    longLength[6] = char(0x01);
    longLength[7] = char(0x01); // 257 bytes: more than a packet holds
    put("blockpacket", "long-length", edid.toBytes() + longLength + tail(0xFFFFFFFFu, 0xFFFF));
}

void iniSeeds() {
    SettingsData settings;
    settings.devices << DeviceEntry().text();
    DeviceEntry e;
    e[DeviceEntry::Tag] = QStringLiteral("Rack 2 [left]");
    e[DeviceEntry::IPAddress] = QStringLiteral("10.0.0.20");
    settings.devices << e.text();
    settings.lanDevice = e.text();
    settings.AfterRebootDelay = 12;
    IniFile ini;
    settings.write(ini);
    put("inifile", "Settings.ini", ini.data());
    put("inifile", "handwritten.ini",
        QByteArray("; comment\n[EDID setting]\nEDID mode = \"  Copy \"\n\n[Control mode]\r\n"
                   "Mode=1x\n[ Control mode ]\nMode=0\nnot a key\n[TCP control device list]\n"
                   "Count=-99999999999\n"));

    put("deviceentry", "default", DeviceEntry().text().toLatin1());
    put("deviceentry", "tagged", e.text().toLatin1());
    put("deviceentry", "short", QByteArray("[only] - [two"));
}

void moduleSeeds() {
    DiscoveryRecord r;
    const uint8_t mac[6] = {0x00, 0x18, 0x98, 0x66, 0x01, 0x02};
    std::memcpy(r.MAC, mac, 6);
    const uint8_t ip[4] = {10, 9, 8, 20}, gw[4] = {10, 9, 8, 1}, mask[4] = {255, 255, 255, 0};
    std::memcpy(r.IP, ip, 4);
    std::memcpy(r.Gateway, gw, 4);
    std::memcpy(r.SubnetMask, mask, 4);
    r.Port1 = 4001;
    r.Port2 = 4002;
    r.Tag = QStringLiteral("Matrix in rack 2");
    r.DHCP = 1;
    DiscoveryRecord other = r;
    other.MAC[5] = 0x03;
    other.Tag = QString(40, QLatin1Char('x'));
    put("moduledatagram", "discovery", char(0) + r.toBytes());
    put("moduledatagram", "discovery-three", char(0) + r.toBytes() + other.toBytes() + r.toBytes());
    ModuleConfigRecord c =
        ModuleConfigRecord::build(mac, QStringLiteral("Rack"), false, ip, gw, mask);
    c.b[ModuleConfigRecord::StatusOffset] = 0;
    c.b[ModuleConfigRecord::ChecksumOffset] = ModuleConfigRecord::Checksum(c.b);
    ModuleConfigRecord request = c;
    request.b[ModuleConfigRecord::StatusOffset] = ModuleConfigRecord::StatusRequest;
    put("moduledatagram", "config-reply", char(1) + raw(c.b, ModuleConfigRecord::Size));
    put("moduledatagram", "config-request-then-reply",
        char(1) + raw(request.b, ModuleConfigRecord::Size) + raw(c.b, ModuleConfigRecord::Size));
    put("moduledatagram", "own-broadcast", char(4) + r.toBytes());

    LdcdPacket query = LdcdPacket::queryRequest();
    query.sealRequest();
    LdcdPacket reply = query;
    reply.b[17] = 1;
    reply.b[18] = 7;
    reply.b[19] = 0;
    std::memcpy(reply.b + 20, ip, 4);
    reply.b[LdcdPacket::StatusOffset] = 0;
    reply.b[31] = LdcdPacket::Checksum(reply.b);
    put("ldcdpacket", "query-reply",
        raw(reply.b, LdcdPacket::Size) + raw(LdcdPacket::queryRequest().b, LdcdPacket::Size));
    LdcdPacket reset = LdcdPacket::resetRequest();
    reset.sealRequest();
    put("ldcdpacket", "reset-not-taken",
        raw(reset.b, LdcdPacket::Size) + raw(LdcdPacket::resetRequest().b, LdcdPacket::Size));
}

QByteArray part(uint8_t partClass, uint16_t kind, uint16_t slot, int size, uint8_t seed) {
    QByteArray image = samples::image(size, seed);
    EncipherFirmware(image);
    return BuildPartHeader(partClass, kind, slot, 1, 2, uint32_t(size)).toBytes() + image;
}

void firmwareSeeds() {
    const QByteArray fw = part(PartClassMain, McuKindMain, 0, 200, 1) +
                          part(PartClassSub, McuKindInputCard, 1, 64, 2) +
                          part(PartClassSub, McuKindInputCard, 2, 64, 2) +
                          part(PartClassSub, McuKindFrontPanel, 0, 0, 3);
    put("firmwarefile", "merged.fw", fw);
    put("firmwarefile", "truncated.fw", fw.left(fw.size() - 10));
    put("firmwarefile", "one-sub.fw", part(PartClassSub, McuKindIdir, 0, 33, 9));

    const QByteArray package = samples::package();
    put("firmwarepackage", "three-items.fw2", package);
    put("firmwarepackage", "one-item.fw2", samples::packageItem(samples::threeItems().at(2)));
    put("firmwarepackage", "truncated.fw2", package.left(package.size() - 1));
    put("packageinfo", "three-items.fw2", package);
    put("packageinfo", "one-item.fw2", samples::packageItem(samples::threeItems().at(1)));
}

void boardInfoSeeds() {
    BoardInfoTree tree;
    BoardInfoTreeNode *board = tree.AddTop();
    board->Data.setNameText(QStringLiteral("MAIN"));
    BoardInfoTreeNode *group = tree.AddChild(board);
    group->Data.setNameText(QStringLiteral("Main MCU"));
    group->Data.MCUType = 3;
    BoardInfoTreeNode *item = tree.AddChild(group);
    item->Data.setNameText(QStringLiteral("Main FW"));
    item->Checked = true;
    item->Data.Ver1 = 4;
    item->Data.Ver2 = 2;
    item->Data.SpecialCode = QByteArray("\x00\x01", 2);
    BoardInfoTreeNode *card = tree.AddTop();
    card->Data.setNameText(QStringLiteral("INPUT"));
    card->Data.PCBType = 5;
    card->Data.Quantity = 8;
    put("boardinfofile", "tree.bif", BoardInfoFileBytes(tree));
    BoardInfoTree one;
    one.AddTop()->Data.setNameText(QStringLiteral("OUTPUT"));
    put("boardinfofile", "one-board.bif", BoardInfoFileBytes(one));

    QByteArray block(BlockHeadSize, '\0');
    block[0] = char(BoardInfoFormat);
    block += BoardEntryBytes(0, 1, QByteArray("MAIN", 5));
    block += BoardEntryBytes(5, 8, QByteArray("INPUT", 6));
    block += SpecialCodeEntryBytes(QByteArray("\x00\x01\x12\xAB", 4));
    FixBoardInfoChecksum(block);
    const QByteArray code("\x00\x07", 2);
    put("boardinfoblock", "replace-special", char(1) + char(code.size()) + code + block);
    put("boardinfoblock", "replace-boards", char(0) + char(5) + QByteArray("CARD", 5) + block);
    put("boardinfoblock", "empty-block", char(1) + char(code.size()) + code);
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds <corpus folder>\n");
        return 2;
    }
    root = QString::fromLocal8Bit(argv[1]);
    rxSeeds();
    iniSeeds();
    moduleSeeds();
    firmwareSeeds();
    boardInfoSeeds();
    std::printf("%d seed files in %s\n", written, argv[1]);
    return 0;
}
