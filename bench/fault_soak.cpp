// Fault soak: transfers of every kind the tool makes with a unit (EDID
// downloads and reads, board-information writes and reads, firmware part
// uploads) against the simulator over TCP on 127.0.0.1 and over its paced
// pseudo-terminal, while the simulator spoils a share of its replies with
// every kind of fault it has. After each transfer what the unit stored (or
// what the tool read) is compared with what was meant. Prints one JSON line
// with, per fault rate: transfers, delivered intact, failed with a reported
// error, silently wrong (success reported, other bytes) and hung (no result
// within the bound). Silently wrong and hung must stay 0; the exit code is 1
// otherwise.
//
//   fault_soak [--count N] [--seed S] [--rates 0.1,0.2,0.3] [--kinds drop,delay,...]
//
// N transfers per rate (default 350), half over TCP, half over the serial line;
// every fault kind unless --kinds names some.

#include "MatrixDevice.h"
#include "MatrixSimulator.h"
#include "firmware/BoardInfoTransfer.h"
#include "firmware/FirmwareTransfer.h"
#include "link/LinkTiming.h"
#include "link/TSCOMControl.h"
#include "protocol/Requests.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <thread>

namespace {

// A try gives up after TryMs; a late reply comes HoldMs after its request:
// past the try, so the engine has moved on to its next try when it arrives.
constexpr int TryMs = 60;
constexpr int HoldMs = 90;
// A transfer that has not ended after this long has hung.
constexpr qint64 HangMs = 60000;

enum class Kind { EdidDownload, EdidRead, BoardInfoWrite, BoardInfoRead, FirmwarePart };
const char *kindName(Kind k) {
    switch (k) {
    case Kind::EdidDownload:
        return "edid_download";
    case Kind::EdidRead:
        return "edid_read";
    case Kind::BoardInfoWrite:
        return "board_info_write";
    case Kind::BoardInfoRead:
        return "board_info_read";
    case Kind::FirmwarePart:
        return "firmware_part";
    }
    return "?";
}

enum class Result { Intact, FailedReported, FailedUnreported, SilentlyWrong, Hung };

struct Tally {
    int transfers = 0;
    int intact = 0;
    int failedReported = 0;
    int failedUnreported = 0;
    int silentlyWrong = 0;
    int hung = 0;
    void add(Result r) {
        ++transfers;
        switch (r) {
        case Result::Intact:
            ++intact;
            break;
        case Result::FailedReported:
            ++failedReported;
            break;
        case Result::FailedUnreported:
            ++failedUnreported;
            break;
        case Result::SilentlyWrong:
            ++silentlyWrong;
            break;
        case Result::Hung:
            ++hung;
            break;
        }
    }
    QJsonObject json() const {
        QJsonObject o;
        o.insert(QStringLiteral("transfers"), transfers);
        o.insert(QStringLiteral("intact"), intact);
        o.insert(QStringLiteral("failed_reported"), failedReported);
        o.insert(QStringLiteral("failed_unreported"), failedUnreported);
        o.insert(QStringLiteral("silently_wrong"), silentlyWrong);
        o.insert(QStringLiteral("hung"), hung);
        return o;
    }
};

class Soak {
public:
    Soak(quint32 seed) : FRng(seed), FSeed(seed) {}

    bool start(QString *error) {
        SimOptions o;
        o.tcp = true;
        o.pty = true;
        o.baud = 460800; // paced, but fast enough for a short try
        o.seed = FSeed;
        FSim = std::make_unique<MatrixSimulator>(o);
        if (!FSim->start(error))
            return false;
        FFirmware = std::make_unique<FirmwareTransfer>(&FEngine);
        FBoardInfo = std::make_unique<BoardInfoTransfer>(&FEngine);
        QObject::connect(&FEngine, &TTSCOMControl::linkFailed, [this] { FReported = true; });
        return true;
    }

    QList<FaultKind> kinds = allFaultKinds();

    void setRate(double rate) {
        FaultSettings f;
        f.rate = rate;
        f.kinds = kinds;
        f.delayMs = HoldMs;
        f.splitGapMs = 5;
        FSim->setFaults(f);
    }

    bool useLink(bool serial) {
        FEngine.Disconnect();
        FEngine.setControlMode(serial ? cmCOM : cmLAN);
        FEngine.setComPort(FSim->ptyPath());
        FEngine.setDeviceIP(QStringLiteral("127.0.0.1"));
        FEngine.setTcpPort(FSim->tcpPort());
        return FEngine.Connect();
    }

    Result run(Kind kind) {
        FReported = false;
        if (!FEngine.Connected() && !FEngine.Connect())
            return Result::FailedReported; // a connect failure is reported as such
        switch (kind) {
        case Kind::EdidDownload:
            return edidDownload();
        case Kind::EdidRead:
            return edidRead();
        case Kind::BoardInfoWrite:
            return boardInfoWrite();
        case Kind::BoardInfoRead:
            return boardInfoRead();
        case Kind::FirmwarePart:
            return firmwarePart();
        }
        return Result::FailedUnreported;
    }

    QJsonObject appliedFaults() {
        QJsonObject o;
        QMap<QString, int> counts;
        QList<FaultKind> applied;
        FSim->withDevice([&](MatrixDevice &d) { applied = d.appliedFaults(); });
        for (FaultKind k : applied)
            ++counts[faultKindName(k)];
        for (auto it = counts.begin(); it != counts.end(); ++it)
            o.insert(it.key(), it.value());
        return o;
    }

private:
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(FRng); }
    QByteArray randomBytes(int size) {
        QByteArray b(size, '\0');
        for (char &c : b)
            c = char(pick(0, 255));
        return b;
    }
    Result judge(bool ok, bool same) const {
        if (ok)
            return same ? Result::Intact : Result::SilentlyWrong;
        return FReported ? Result::FailedReported : Result::FailedUnreported;
    }

    Result edidDownload() {
        // A user memory or one input; 1 to 3 packets.
        const bool memory = pick(0, 1) == 1;
        const int index = memory ? pick(0, 1) : pick(0, 7);
        const QByteArray meant = randomBytes(128 * pick(1, 5));
        const QByteArray before = randomBytes(16);
        const auto stored = [&](MatrixState &s) -> QByteArray & {
            return memory ? s.userEdid[index] : s.inputEdid[index];
        };
        FSim->withState([&](MatrixState &s) { stored(s) = before; });
        const uint16_t address = memory ? Requests::EdidAddressUserMemory(index + 1)
                                        : Requests::EdidAddressOfPort(index + 1);
        TReplyRecord reply;
        FEngine.WriteBlocks(Requests::edidDownload(address, false), meant, reply);
        QByteArray now;
        FSim->withState([&](MatrixState &s) { now = stored(s); });
        return judge(reply.ok(), now == meant);
    }

    Result edidRead() {
        const int memory = pick(0, 1);
        const QByteArray there = randomBytes(128 * pick(1, 5));
        FSim->withState([&](MatrixState &s) { s.userEdid[memory] = there; });
        TReplyRecord reply;
        const QByteArray got = FEngine.ReadBlocks(
            Requests::edidRead(Requests::EdidAddressUserMemory(memory + 1)), reply);
        return judge(reply.ok(), got == there);
    }

    // One of the built-in unit's boards.
    std::pair<int, int> someBoard() {
        static const std::pair<int, int> boards[] = {{0, 0}, {5, 0}, {5, 1}, {6, 0}, {6, 1}};
        return boards[pick(0, 4)];
    }

    Result boardInfoWrite() {
        const auto [type, sub] = someBoard();
        const QByteArray meant = randomBytes(pick(1, 700));
        BoardInfoFields fields;
        FSim->withState([&](MatrixState &s) {
            SimBoard *b = s.unit.board(type, sub);
            b->block = randomBytes(8);
            fields = b->fields();
        });
        BoardInfoResult result;
        FBoardInfo->SendBoardInfoExtData(fields, meant, result);
        QByteArray now;
        FSim->withState([&](MatrixState &s) { now = s.unit.board(type, sub)->block; });
        return judge(result.ok(), now == meant);
    }

    Result boardInfoRead() {
        const auto [type, sub] = someBoard();
        const QByteArray there = randomBytes(pick(1, 700));
        BoardInfoFields fields;
        FSim->withState([&](MatrixState &s) {
            SimBoard *b = s.unit.board(type, sub);
            b->block = there;
            fields = b->fields();
        });
        BoardInfoResult result;
        const QByteArray got = FBoardInfo->GetBoardInfoExtData(fields, result);
        return judge(result.ok(), got == there);
    }

    Result firmwarePart() {
        // A sub-MCU part (no reboot), for a card of the unit or for none.
        static const int kinds[] = {5, 6, 9};
        const int kind = kinds[pick(0, 2)];
        const int slot = pick(1, 2);
        const QByteArray meant = randomBytes(pick(1, 900));
        const Frame start = Frame::make(0x20, 2, uint16_t(kind), uint16_t(slot),
                                        uint16_t(pick(1, 9)), uint16_t(pick(0, 99)));
        int before = 0;
        FSim->withState([&](MatrixState &s) { before = int(s.uploads.size()); });
        TReplyRecord reply;
        if (pick(0, 1))
            FFirmware->UploadPartPrepared(start, meant, reply);
        else
            FFirmware->UploadPart(start, meant, reply);
        const bool ok = reply.ok() && !FFirmware->PartRefused();
        bool same = false;
        FSim->withState([&](MatrixState &s) {
            same = s.uploads.size() > before && s.uploads.last().data == meant &&
                   s.uploads.last().kind == kind && s.uploads.last().slot == slot;
        });
        return judge(ok, same);
    }

    std::mt19937 FRng;
    quint32 FSeed;
    TTSCOMControl FEngine;
    std::unique_ptr<MatrixSimulator> FSim;
    std::unique_ptr<FirmwareTransfer> FFirmware;
    std::unique_ptr<BoardInfoTransfer> FBoardInfo;
    bool FReported = false;
};

// Ends the process with what is known so far when one transfer runs past
// the bound: a hung transfer never returns to be counted.
class Watchdog {
public:
    Watchdog() {
        FThread = std::thread([this] {
            while (!FStop) {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                const qint64 since = FStarted.load();
                if (since > 0 && nowMs() - since > HangMs) {
                    std::printf("{\"hung\":1,\"transfer\":%d,\"kind\":\"%s\"}\n", FNumber.load(),
                                FKind.load());
                    std::fflush(stdout);
                    std::_Exit(3);
                }
            }
        });
    }
    ~Watchdog() {
        FStop = true;
        FThread.join();
    }
    void begin(int number, const char *kind) {
        FNumber = number;
        FKind = kind;
        FStarted = nowMs();
    }
    qint64 end() {
        const qint64 took = nowMs() - FStarted.load();
        FStarted = 0;
        return took;
    }

private:
    static qint64 nowMs() {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
    std::thread FThread;
    std::atomic<bool> FStop{false};
    std::atomic<qint64> FStarted{0};
    std::atomic<int> FNumber{0};
    std::atomic<const char *> FKind{""};
};

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    int count = 350;
    quint32 seed = 1;
    QList<double> rates = {0.1, 0.2, 0.3};
    QList<FaultKind> kinds = allFaultKinds();
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString a = args[i];
        const bool more = i + 1 < args.size();
        if (a == QLatin1String("--count") && more) {
            count = std::max(1, args[++i].toInt());
        } else if (a == QLatin1String("--seed") && more) {
            seed = args[++i].toUInt();
        } else if (a == QLatin1String("--kinds") && more) {
            kinds.clear();
            for (const QString &k : args[++i].split(u',')) {
                FaultKind kind;
                if (!parseFaultKind(k, &kind)) {
                    std::fprintf(stderr, "fault_soak: unknown fault kind %s\n", qPrintable(k));
                    return 2;
                }
                kinds << kind;
            }
        } else if (a == QLatin1String("--rates") && more) {
            rates.clear();
            for (const QString &r : args[++i].split(u','))
                rates << r.toDouble();
        } else {
            std::fprintf(
                stderr,
                "usage: fault_soak [--count N] [--seed S] [--rates R,...] [--kinds K,...]\n");
            return 2;
        }
    }

    LinkTiming::shrinkForTests();
    LinkTiming::current().ticksPerTry = TryMs; // one tick is 1 ms
    Soak soak(seed);
    soak.kinds = kinds;
    QString error;
    if (!soak.start(&error)) {
        std::fprintf(stderr, "fault_soak: %s\n", qPrintable(error));
        return 1;
    }
    Watchdog watchdog;
    std::mt19937 order(seed ^ 0x5eed);
    QElapsedTimer clock;
    clock.start();
    QJsonArray perRate;
    Tally total;
    bool clean = true;
    int number = 0;
    for (double rate : rates) {
        Tally tally;
        QMap<QString, Tally> byKind;
        for (int half = 0; half < 2; ++half) {
            const bool serial = half == 1;
            soak.setRate(0);
            if (!soak.useLink(serial)) {
                std::fprintf(stderr, "fault_soak: cannot open the %s link\n",
                             serial ? "serial" : "TCP");
                return 1;
            }
            soak.setRate(rate);
            const int n = serial ? count - count / 2 : count / 2;
            for (int i = 0; i < n; ++i) {
                const Kind kind = Kind(std::uniform_int_distribution<int>(0, 4)(order));
                watchdog.begin(++number, kindName(kind));
                Result r = soak.run(kind);
                if (watchdog.end() > HangMs)
                    r = Result::Hung;
                tally.add(r);
                byKind[QLatin1String(kindName(kind))].add(r);
                if (r == Result::SilentlyWrong || r == Result::Hung ||
                    r == Result::FailedUnreported)
                    std::fprintf(stderr, "fault_soak: transfer %d (%s, %s, rate %.2f): %s\n",
                                 number, kindName(kind), serial ? "serial" : "TCP", rate,
                                 r == Result::Hung            ? "hung"
                                 : r == Result::SilentlyWrong ? "silently wrong"
                                                              : "failed without a report");
            }
        }
        QJsonObject o = tally.json();
        o.insert(QStringLiteral("rate"), rate);
        QJsonObject kinds;
        for (auto it = byKind.begin(); it != byKind.end(); ++it)
            kinds.insert(it.key(), it.value().json());
        o.insert(QStringLiteral("by_kind"), kinds);
        perRate.append(o);
        clean &= tally.silentlyWrong == 0 && tally.hung == 0 && tally.failedUnreported == 0;
        total.transfers += tally.transfers;
        total.intact += tally.intact;
        total.failedReported += tally.failedReported;
        total.failedUnreported += tally.failedUnreported;
        total.silentlyWrong += tally.silentlyWrong;
        total.hung += tally.hung;
    }
    QJsonObject out;
    out.insert(QStringLiteral("seed"), qint64(seed));
    out.insert(QStringLiteral("try_ms"), TryMs);
    out.insert(QStringLiteral("late_reply_ms"), HoldMs);
    out.insert(QStringLiteral("per_rate"), perRate);
    out.insert(QStringLiteral("total"), total.json());
    out.insert(QStringLiteral("faults_applied"), soak.appliedFaults());
    out.insert(QStringLiteral("seconds"), std::round(clock.elapsed() / 100.0) / 10.0);
    std::printf("%s\n", QJsonDocument(out).toJson(QJsonDocument::Compact).constData());
    return clean ? 0 : 1;
}
