// The COM list as a Linux user meets it: ports shown with what they are and
// opened by their stable path, a device path typed in (a pseudo-terminal)
// connects and stays through list changes, and a port this user may not open
// says so and names the fix.

#include "ShellFixture.h"
#include "WithoutDacOverride.h"
#include "settings/SettingsData.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <sys/stat.h>

namespace {
SimOptions PtyOnly() {
    SimOptions options;
    options.tcp = false;
    options.pty = true;
    options.pace = false;
    return options;
}

void typePath(QComboBox *combo, const QString &path) {
    QLineEdit *edit = combo->lineEdit();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, path);
}
} // namespace

class TestComPorts : public QObject {
    Q_OBJECT

private slots:
    void init() { LinkTiming::shrinkForTests(); }

    void portsShowTheirDescriptionAndOpenByPath() {
        ShellFixture fx;
        fx.startSim(PtyOnly());
        const QString pty = fx.sim->ptyPath();
        const QString label = QStringLiteral("pts \u2014 Simulated matrix (SIM0001)");
        GeneralPage::PortListSource = [pty, label] {
            return SerialPortList(
                QList<SerialPortEntry>{{"/dev/tsm-other", "ttyS9"}, {pty, label}});
        };
        fx.openWindow();
        GeneralPage *general = fx.form->General;
        ClickIndicator(general->rbCOMMode);
        QCOMPARE(general->cbCOMList->count(), 2);
        QCOMPARE(general->cbCOMList->itemText(1), label);
        QCOMPARE(general->cbCOMList->itemData(1, Qt::ToolTipRole).toString(), pty);
        general->cbCOMList->setCurrentIndex(1);
        QCOMPARE(general->SelectedPortPath(), pty);
        QTest::mouseClick(general->btnConnect, Qt::LeftButton);
        QVERIFY(fx.engine()->Connected());
        QCOMPARE(fx.engine()->ComPort(), pty);
        QCOMPARE(fx.panel(0), QStringLiteral("Connected: ") + pty);
        QVERIFY(general->DeviceStatus->ReadPowerStatus());
        // The diagnostic log says what became of the low-latency request.
        QVERIFY(fx.form->mmoMsg->toPlainText().contains(
            QStringLiteral("Serial line %1: the driver has no low-latency mode").arg(pty)));

        // The settings keep the path, and the next start selects the entry again.
        fx.form->SaveSettings();
        QCOMPARE(SettingsData::loadFile(fx.settingsPath()).comPort, pty);
        fx.engine()->Disconnect();
        general->LoadSettings(SettingsData::loadFile(fx.settingsPath()));
        QCOMPARE(general->cbCOMList->currentIndex(), 1);
    }

    void typedPseudoTerminalPathConnects() {
        ShellFixture fx;
        fx.startSim(PtyOnly());
        const QString pty = fx.sim->ptyPath();
        QStringList ports{QStringLiteral("/dev/tsm-other")};
        GeneralPage::PortListSource = [&ports] { return ports; };
        fx.openWindow();
        GeneralPage *general = fx.form->General;
        ClickIndicator(general->rbCOMMode);
        QVERIFY(general->cbCOMList->isEditable());
        QCOMPARE(general->cbCOMList->lineEdit()->accessibleName(), QStringLiteral("COM port"));
        typePath(general->cbCOMList, pty);
        QCOMPARE(general->SelectedPortPath(), pty);
        QTest::mouseClick(general->btnConnect, Qt::LeftButton);
        QVERIFY(fx.engine()->Connected());
        QCOMPARE(fx.panel(0), QStringLiteral("Connected: ") + pty);
        QVERIFY(general->DeviceStatus->ReadPowerStatus());

        // A port appearing or going does not touch a typed link.
        ports << QStringLiteral("/dev/tsm-new");
        fx.form->tmrTimer();
        QVERIFY(fx.engine()->Connected());
        QCOMPARE(general->cbCOMList->currentText(), pty);
        ports.clear();
        fx.form->tmrTimer();
        QVERIFY(fx.engine()->Connected());
        QCOMPARE(general->cbCOMList->currentText(), pty);

        // Disconnected, the typed path is what the settings keep.
        QTest::mouseClick(general->btnConnect, Qt::LeftButton);
        QVERIFY(!fx.engine()->Connected());
        fx.form->SaveSettings();
        QCOMPARE(SettingsData::loadFile(fx.settingsPath()).comPort, pty);
        // Enter in the box connects to what was typed.
        QTest::keyClick(general->cbCOMList->lineEdit(), Qt::Key_Return);
        QVERIFY(fx.engine()->Connected());
        QCOMPARE(fx.engine()->ComPort(), pty);
    }

    void listedPortStillVanishesAsBefore() {
        ShellFixture fx;
        fx.startSim(PtyOnly());
        const QString pty = fx.sim->ptyPath();
        QList<SerialPortEntry> ports{{"/dev/tsm-other", "ttyS9"}, {pty, "pts \u2014 simulator"}};
        GeneralPage::PortListSource = [&ports] { return SerialPortList(ports); };
        fx.openWindow();
        ClickIndicator(fx.form->General->rbCOMMode);
        fx.form->General->cbCOMList->setCurrentIndex(1);
        QTest::mouseClick(fx.form->General->btnConnect, Qt::LeftButton);
        QVERIFY(fx.engine()->Connected());
        ports.removeLast();
        fx.form->tmrTimer();
        QVERIFY(!fx.engine()->Connected());
        QCOMPARE(fx.form->General->cbCOMList->currentText(), QStringLiteral("ttyS9"));
        QCOMPARE(fx.form->General->SelectedPortPath(), QStringLiteral("/dev/tsm-other"));
    }

    void portWithoutPermissionSaysHowToFixIt() {
        ShellFixture fx;
        fx.startSim(PtyOnly());
        const QString pty = fx.sim->ptyPath();
        GeneralPage::PortListSource = [pty] { return QStringList{pty}; };
        fx.openWindow();
        ClickIndicator(fx.form->General->rbCOMMode);
        const QByteArray node = QFile::encodeName(pty);
        struct stat before = {};
        QVERIFY(::stat(node.constData(), &before) == 0);
        QVERIFY(::chmod(node.constData(), 0) == 0);
        {
            WithoutDacOverride asUser;
            QVERIFY(asUser.active());
            QTest::mouseClick(fx.form->General->btnConnect, Qt::LeftButton);
        }
        ::chmod(node.constData(), before.st_mode & 07777);
        QVERIFY(!fx.engine()->Connected());
        const QString failed = QStringLiteral("Open COM [") + pty + QStringLiteral("] failed");
        QVERIFY2(fx.panel(1).startsWith(failed + QStringLiteral(": no permission (group ")),
                 qPrintable(fx.panel(1)));
        QCOMPARE(fx.prompts().size(), 1);
        const QString text = fx.prompts().first().text;
        QVERIFY(text.startsWith(failed + QStringLiteral(".")));
        QVERIFY(text.contains(QStringLiteral("sudo adduser $USER ")));
        QVERIFY(fx.form->mmoMsg->toPlainText().contains(QStringLiteral("log out and in again")));

        // Allowed again: the same click connects, with the plain texts.
        QTest::mouseClick(fx.form->General->btnConnect, Qt::LeftButton);
        QVERIFY(fx.engine()->Connected());
        QCOMPARE(fx.prompts().size(), 1);
    }
};

QTEST_MAIN(TestComPorts)
#include "tst_comports.moc"
