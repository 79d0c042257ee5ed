// Growth benchmark: how the settings file, the port-label pruning and the LAN
// device list cope with 1k, 10k and 100k items. Each measure is in items per
// second of processor time (the best of several runs); "growth" is the time at 100k over the
// time at 10k (10 for linear work; a quadratic one gives 100), and each
// measure passes when it stays within its "growth_bound": 12 for work that is
// one pass, 15 for the device-list merge, which sorts the answers (a sort of
// distinct texts takes n log n: 12.5 from 10k to 100k, with the same slack).
// The memory a read settings file holds is given per byte of the file.
// Prints one JSON line; exits 1 when a measure grows beyond its bound.
//
//   scale [--sizes 1000,10000,100000]

#include "app/AppContext.h"
#include "app/PromptService.h"
#include "lanmodule/ui/LanDeviceGroup.h"
#include "link/ModuleLink.h"
#include "link/TSCOMControl.h"
#include "protocol/DiscoveryRecord.h"
#include "settings/IniFile.h"
#include "settings/PortTagStore.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <malloc.h>
#include <time.h>

namespace {

QString macText(int n) {
    return QStringLiteral("18-98-66-%1-%2-%3")
        .arg((n >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((n >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg(n & 0xFF, 2, 16, QLatin1Char('0'))
        .toUpper();
}

// `sections` label sections of 8 keys, every second one blank (a device that
// is gone), as years of use leave them.
QByteArray labelSections(int sections) {
    QByteArray out = "[Control mode]\r\nMode=1\r\n";
    out.reserve(sections * 120);
    for (int n = 0; n < sections; ++n) {
        out += "[Tag of Input - TCP:" + macText(n).toLatin1() + "]\r\n";
        for (int p = 1; p <= 8; ++p)
            out += "In " + QByteArray::number(p) + "=" + (n % 2 ? QByteArray(" ") : "Cam") + "\r\n";
    }
    return out;
}

// `lines` lines of a settings file: key lines in sections of 16.
QByteArray settingsLines(int lines) {
    QByteArray out;
    out.reserve(lines * 24);
    for (int n = 0; n < lines; ++n) {
        if (n % 16 == 0)
            out += "[Section " + QByteArray::number(n / 16) + "]\r\n";
        else
            out += "Key " + QByteArray::number(n) + "=value " + QByteArray::number(n) + "\r\n";
    }
    return out;
}

// The processor time of this thread: on a shared machine the wall clock
// mostly measures the other processes.
double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// The best time of `runs` runs of `work` (after `setup`, not timed), in
// seconds of processor time.
double bestOf(int runs, const std::function<void()> &setup, const std::function<void()> &work) {
    double best = 1e30;
    for (int r = 0; r < runs; ++r) {
        setup();
        const double start = cpuSeconds();
        work();
        best = std::min(best, cpuSeconds() - start);
    }
    return std::max(best, 1e-9);
}

int runsFor(int items) {
    return items >= 100000 ? 9 : items >= 10000 ? 15 : 30;
}

size_t heapInUse() {
    return mallinfo2().uordblks;
}

struct Measure {
    double bound = 12.0; // the most growth from 10k to 100k that passes
    QJsonObject perSecond;
    QMap<int, double> seconds;
};

void note(Measure &m, int items, double seconds) {
    m.seconds[items] = seconds;
    m.perSecond.insert(QString::number(items), std::round(items / seconds));
}

QJsonObject summary(const Measure &m) {
    QJsonObject o;
    o.insert(QStringLiteral("items_per_s"), m.perSecond);
    if (m.seconds.contains(10000) && m.seconds.contains(100000))
        o.insert(QStringLiteral("growth_10k_100k"),
                 std::round(m.seconds[100000] / m.seconds[10000] * 100) / 100);
    o.insert(QStringLiteral("growth_bound"), m.bound);
    return o;
}

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    QList<int> sizes = {1000, 10000, 100000};
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--sizes") && i + 1 < args.size()) {
            sizes.clear();
            for (const QString &s : args[++i].split(u','))
                sizes << s.toInt();
        } else {
            std::fprintf(stderr, "usage: scale [--sizes N,N,...]\n");
            return 2;
        }
    }

    // 1. Pruning label sections of devices that are gone (items: sections).
    Measure prune;
    for (int n : sizes) {
        const QByteArray bytes = labelSections(n);
        IniFile ini;
        note(prune, n,
             bestOf(
                 runsFor(n), [&] { ini.setData(bytes); }, [&] { PortTagStore::prune(ini); }));
        if (ini.sectionNames().size() != 1 + (n + 1) / 2) {
            std::fprintf(stderr, "scale: prune kept %d sections of %d\n",
                         int(ini.sectionNames().size()), n);
            return 1;
        }
    }

    // 2. Found devices into the device list (items: answers). The module link
    //    takes discovery answers (each module answers twice), then the list
    //    takes the search result while it holds as many devices already.
    Measure discovery, listMerge;
    listMerge.bound = 15.0;
    TTSCOMControl engine;
    PromptService prompts;
    AppContext ctx(&engine, &prompts);
    for (int n : sizes) {
        QList<QByteArray> datagrams;
        for (int first = 0; first < n; first += 10) {
            QByteArray d;
            for (int k = first; k < std::min(n, first + 10); ++k) {
                DiscoveryRecord r;
                const uint8_t mac[6] = {0x18,      0x98, 0x66, uint8_t(k >> 16), uint8_t(k >> 8),
                                        uint8_t(k)};
                std::memcpy(r.MAC, mac, 6);
                r.Tag = QStringLiteral("m%1").arg(k);
                d += r.toBytes();
            }
            datagrams << d;
        }
        ModuleLink link(&engine);
        link.setLocalAddressOverride(QStringLiteral("10.77.0.1"));
        link.setListeningForTests(true);
        note(discovery, n,
             bestOf(
                 runsFor(n), [&] { link.ClearDevices(); },
                 [&] {
                     for (int pass = 0; pass < 2; ++pass)
                         for (const QByteArray &d : datagrams)
                             link.OnDatagram(QStringLiteral("10.77.0.2"), 30600, d);
                 }));
        if (link.FoundDeviceCount() != n) {
            std::fprintf(stderr, "scale: %d modules listed of %d\n", link.FoundDeviceCount(), n);
            return 1;
        }

        QStringList stored, found;
        for (int k = 0; k < n; ++k) {
            const QString e = QStringLiteral("[m%1] 10.1.%2.%3 %4")
                                  .arg((k * 7919) % n)
                                  .arg(k / 250)
                                  .arg(k % 250)
                                  .arg(macText(k));
            (k % 2 ? found : stored) << e;
        }
        found << stored.mid(0, n / 4); // known ones answer again
        LanDeviceGroup group(&ctx, &link);
        note(listMerge, n,
             bestOf(
                 runsFor(n), [&] { group.SetEntries(stored); }, [&] { group.AddEntries(found); }));
        if (group.cbLANDevice->count() != n) {
            std::fprintf(stderr, "scale: %d entries listed of %d\n", group.cbLANDevice->count(), n);
            return 1;
        }
    }

    // 3. Reading the settings file (items: lines), and the memory it holds.
    Measure reading;
    QJsonObject memory;
    QTemporaryDir dir;
    for (int n : sizes) {
        const QString path = dir.filePath(QStringLiteral("Settings-%1.ini").arg(n));
        const QByteArray bytes = settingsLines(n);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return 1;
        f.close();
        auto ini = std::make_unique<IniFile>(path);
        note(reading, n,
             bestOf(
                 runsFor(n), [&] { ini = std::make_unique<IniFile>(path); }, [&] { ini->load(); }));
        ini.reset();
        const size_t before = heapInUse();
        IniFile held(path);
        if (!held.load())
            return 1;
        const size_t after = heapInUse();
        memory.insert(QString::number(n),
                      std::round(double(after - before) / double(bytes.size()) * 100) / 100);
    }
    // A file far beyond the limit is refused without being read.
    const QString hugePath = dir.filePath(QStringLiteral("Huge.ini"));
    {
        QFile f(hugePath);
        if (!f.open(QIODevice::WriteOnly) || !f.resize(59 * 1024 * 1024))
            return 1;
    }
    const size_t hugeBefore = heapInUse();
    IniFile huge(hugePath);
    const bool hugeRefused = !huge.load() && huge.tooLarge();
    const size_t hugeHeld = heapInUse() - hugeBefore;

    QJsonObject out;
    out.insert(QStringLiteral("prune_label_sections"), summary(prune));
    out.insert(QStringLiteral("lan_discovery_answers"), summary(discovery));
    out.insert(QStringLiteral("lan_list_merge"), summary(listMerge));
    QJsonObject read = summary(reading);
    read.insert(QStringLiteral("heap_per_file_byte"), memory);
    read.insert(QStringLiteral("refused_59MiB"), hugeRefused);
    read.insert(QStringLiteral("heap_after_refusal_bytes"), qint64(hugeHeld));
    out.insert(QStringLiteral("settings_read_lines"), read);
    std::printf("%s\n", QJsonDocument(out).toJson(QJsonDocument::Compact).constData());

    bool linear = hugeRefused;
    for (const Measure *m : {&prune, &discovery, &listMerge, &reading})
        if (m->seconds.contains(10000) && m->seconds.contains(100000))
            linear &= m->seconds[100000] / m->seconds[10000] <= m->bound;
    return linear ? 0 : 1;
}
