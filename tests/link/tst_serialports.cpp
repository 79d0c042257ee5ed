// Serial ports as Linux users expect them: the list with each port's
// description and the stable /dev/serial/by-id/ path of USB adapters, the
// advice when a port may not be used (the dialout group), and the
// low-latency request on opening.

#include "MatrixSimulator.h"
#include "WithoutDacOverride.h"
#include "link/LinkError.h"
#include "link/LinkTiming.h"
#include "link/SerialOpenAdvice.h"
#include "link/SerialPortList.h"
#include "link/SerialTransport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class TestSerialPorts : public QObject {
    Q_OBJECT

private slots:
    void labelsTellWhatEachPortIs() {
        using F = SerialPortList::PortFacts;
        QCOMPARE(SerialPortList::Label(F{"ttyUSB0", "/dev/ttyUSB0", "FT232R USB UART", "A1B2C3"}),
                 QStringLiteral("ttyUSB0 \u2014 FT232R USB UART (A1B2C3)"));
        QCOMPARE(SerialPortList::Label(F{"ttyACM0", "/dev/ttyACM0", "CDC Device", ""}),
                 QStringLiteral("ttyACM0 \u2014 CDC Device"));
        // Nothing known: the name alone (a serial number without a description says nothing).
        QCOMPARE(SerialPortList::Label(F{"ttyS0", "/dev/ttyS0", "  ", "X"}),
                 QStringLiteral("ttyS0"));
    }

    void usbAdaptersOpenThroughTheirByIdPath() {
        using F = SerialPortList::PortFacts;
        const QString byId =
            QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0");
        const SerialPortList list = SerialPortList::Build(
            {F{"ttyS0", "/dev/ttyS0", "", ""},
             F{"ttyUSB0", "/dev/ttyUSB0", "FT232R USB UART", "A1B2C3"},
             F{"ttyUSB0", "/dev/ttyUSB0", "FT232R USB UART", "A1B2C3"}}, // reported twice
            {{QStringLiteral("/dev/ttyUSB0"), byId}});
        QCOMPARE(list.Entries.size(), 2);
        QCOMPARE(list.Entries[0], (SerialPortEntry{"/dev/ttyS0", "ttyS0"}));
        QCOMPARE(list.Entries[1].path, byId);
        QCOMPARE(list.Entries[1].label, QStringLiteral("ttyUSB0 \u2014 FT232R USB UART (A1B2C3)"));
        // Bare paths (a pseudo-terminal) show as themselves.
        const SerialPortList bare(QStringList{QStringLiteral("/dev/pts/7")});
        QCOMPARE(bare.Entries, (QList<SerialPortEntry>{{"/dev/pts/7", "/dev/pts/7"}}));
    }

    void byIdLinksAreReadFromTheFolder() {
        QTemporaryDir dir;
        QDir(dir.path()).mkdir(QStringLiteral("by-id"));
        QFile device(dir.filePath(QStringLiteral("ttyUSB3")));
        QVERIFY(device.open(QIODevice::WriteOnly));
        device.close();
        const QString byId = dir.filePath(QStringLiteral("by-id"));
        QVERIFY(QFile::link(device.fileName(), byId + "/usb-B_second-if00-port0"));
        QVERIFY(QFile::link(device.fileName(), byId + "/usb-A_first-if00-port0"));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), byId + "/usb-dangling"));
        const QMap<QString, QString> links = SerialPortList::ByIdLinks(byId);
        QCOMPARE(links.size(), 1);
        QCOMPARE(links.value(QFileInfo(device.fileName()).canonicalFilePath()),
                 byId + "/usb-A_first-if00-port0");
        QVERIFY(SerialPortList::ByIdLinks(dir.filePath(QStringLiteral("none"))).isEmpty());
    }

    void permissionAdviceNamesTheGroup() {
        const SerialOpenAdvice::Advice a =
            SerialOpenAdvice::ForError(EACCES, QStringLiteral("/dev/ttyUSB0"), "dialout");
        QCOMPARE(a.summary, QStringLiteral("no permission (group dialout)"));
        QVERIFY(a.fix.contains(QStringLiteral("/dev/ttyUSB0")));
        QVERIFY(a.fix.contains(QStringLiteral("sudo adduser $USER dialout")));
        QVERIFY(a.fix.contains(QStringLiteral("log out and in again")));
        // Another distribution's group is named as it is; root's own means dialout.
        QVERIFY(SerialOpenAdvice::ForError(EPERM, "/dev/ttyS1", "uucp").fix.contains("uucp"));
        QVERIFY(SerialOpenAdvice::ForError(EACCES, "/dev/x", "root").summary.contains("dialout"));
        // Other failures have their own words already.
        QVERIFY(SerialOpenAdvice::ForError(EBUSY, "/dev/ttyUSB0", "dialout").isEmpty());
        QVERIFY(SerialOpenAdvice::ForError(ENOENT, "/dev/ttyUSB0", "dialout").isEmpty());
    }

    // A real device node this process may not use (as root with the
    // permission override dropped): the transport's open fails and gives the advice.
    void openingAPortWithoutPermissionAdvises() {
        LinkTiming::shrinkForTests();
        SimOptions options;
        options.tcp = false;
        options.pty = true;
        MatrixSimulator sim(options);
        QVERIFY(sim.start());
        const QByteArray pty = QFile::encodeName(sim.ptyPath());
        struct stat before = {};
        QVERIFY(::stat(pty.constData(), &before) == 0);
        QVERIFY(::chmod(pty.constData(), 0) == 0);
        SerialTransport port;
        port.setPortName(sim.ptyPath());
        QString reason;
        {
            WithoutDacOverride asUser;
            QVERIFY(asUser.active());
            QVERIFY(!SerialOpenAdvice::Probe(sim.ptyPath()).isEmpty());
            try {
                port.open(1000);
            } catch (const LinkError &e) {
                reason = e.message();
            }
        }
        ::chmod(pty.constData(), before.st_mode & 07777);
        QVERIFY(!reason.isEmpty());
        QVERIFY(!port.isOpen());
        QVERIFY2(port.openAdviceSummary().startsWith(QStringLiteral("no permission (group ")),
                 qPrintable(port.openAdviceSummary()));
        QVERIFY(port.openAdvice().contains(sim.ptyPath()));
        // With the permission back the same port opens, and the advice is gone.
        QVERIFY(SerialOpenAdvice::Probe(sim.ptyPath()).isEmpty());
        port.open(1000);
        QVERIFY(port.isOpen());
        QVERIFY(port.openAdvice().isEmpty());
        port.close();
    }

    void lowLatencyIsAskedForAndRefusedQuietlyByAPty() {
        int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0);
        QCOMPARE(SerialTransport::RequestLowLatency(master),
                 SerialTransport::LowLatency::Unsupported);
        ::close(master);
        QCOMPARE(SerialTransport::RequestLowLatency(-1), SerialTransport::LowLatency::Unsupported);
        QVERIFY(
            SerialTransport::LowLatencyNote(SerialTransport::LowLatency::TurnedOn, "/dev/ttyUSB0")
                .contains(QStringLiteral("low-latency mode on")));
    }
};

QTEST_GUILESS_MAIN(TestSerialPorts)
#include "tst_serialports.moc"
