// The guide's pictures: the real window, connected to the in-process
// simulator (a unit of a main board and four input and four output cards),
// page by page, each grabbed into a PNG of docs/images/. Run it through
// scripts/screenshots.sh (under Xvfb); MATRIX_SCREENSHOT_DIR names the folder.

#include "firmware/UnitSamples.h"
#include "shell/ShellFixture.h"

#include "boardinfo/ui/ProductInfoPage.h"
#include "control/ui/AdvancedPage.h"
#include "control/ui/EdidPage.h"
#include "control/ui/SettingPage.h"
#include "firmware/ui/ConfigurationPage.h"
#include "firmware/ui/FWInfoPage.h"
#include "firmware/ui/UpgradePage.h"
#include "shell/DiagnosticLogPage.h"
#include "widgets/TPageControl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

class Screenshots : public QObject {
    Q_OBJECT

    QString folder;
    QStringList written;

    void shoot(TForm1 *form, QWidget *page, const QString &name) {
        if (page)
            form->pcContainer->setCurrentWidget(page);
        QTest::qWait(150);
        // A palette of 256 colours keeps the files small; the window has few colours.
        QImage image = form->grab().toImage().convertToFormat(
            QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
        const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
        QVERIFY2(image.save(path, "PNG", 9), qPrintable(path));
        written << path;
    }

    struct Rig {
        ShellFixture fx;
        QString packagePath;
        void start(bool pty) {
            SimOptions options;
            options.pty = pty;
            options.pace = false;
            fx.seedSimDevice();
            fx.startSim(options);
            fx.sim->withState([](MatrixState &s) {
                s.unit = unitsamples::unit();
                s.rebootMs = 30;
            });
            packagePath = fx.dir.filePath(QStringLiteral("unit-4.31.fw2"));
            QVERIFY(unitsamples::writeFile(packagePath, unitsamples::unitPackage()));
            fx.openWindow();
            fx.form->resize(1025, 660);
            fx.form->Prompts()->setResponder([this](const PromptService::Request &r) {
                PromptService::Answer a;
                a.yes = true;
                if (r.kind == PromptService::Kind::OpenFile)
                    a.fileName = packagePath;
                return a;
            });
        }
    };

private slots:
    void initTestCase() {
        folder = qEnvironmentVariable("MATRIX_SCREENSHOT_DIR", QStringLiteral("docs/images"));
        QVERIFY(QDir().mkpath(folder));
        LinkTiming::shrinkForTests();
        // The same port list whatever this machine has.
        GeneralPage::PortListSource = [] {
            return SerialPortList(QList<SerialPortEntry>{
                {QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0"),
                 QStringLiteral("ttyUSB0 \u2014 FT232R USB UART (A1B2C3)")}});
        };
    }

    void lanPages() {
        Rig rig;
        rig.start(false);
        TForm1 *form = rig.fx.form.get();
        QTest::mouseClick(form->General->btnConnect, Qt::LeftButton);
        QVERIFY(form->Engine()->Connected());
        QTest::mouseClick(form->General->DeviceStatus->btnGetDevStatus, Qt::LeftButton);
        shoot(form, form->General, QStringLiteral("general-lan"));

        form->pcContainer->setCurrentWidget(form->Edid);
        QComboBox *output = form->Edid->cbReadEDIDDataOutput;
        output->setCurrentIndex(output->findText(QStringLiteral("Out 1")));
        QVERIFY(output->currentIndex() > 0);
        QTest::mouseClick(form->Edid->btnReadEDIDData, Qt::LeftButton);
        shoot(form, form->Edid, QStringLiteral("edid"));
        shoot(form, form->Advanced, QStringLiteral("advanced"));

        form->pcContainer->setCurrentWidget(form->Upgrade);
        QTest::mouseClick(form->Upgrade->bbFWOpen, Qt::LeftButton);
        QVERIFY(form->Upgrade->btnFWUpgrade->isEnabled());
        shoot(form, form->Upgrade, QStringLiteral("upgrade-open"));
        QTest::mouseClick(form->Upgrade->btnFWUpgrade, Qt::LeftButton);
        shoot(form, form->Upgrade, QStringLiteral("upgrade-done"));

        form->pcContainer->setCurrentWidget(form->ProductInfo);
        QTest::mouseClick(form->ProductInfo->btnGetPI, Qt::LeftButton);
        QTest::mouseClick(form->ProductInfo->btnDisplayAllPI, Qt::LeftButton);
        shoot(form, form->ProductInfo, QStringLiteral("product-info"));

        form->pcContainer->setCurrentWidget(form->FWInfo);
        QTest::mouseClick(form->FWInfo->bbOpenFPF, Qt::LeftButton);
        shoot(form, form->FWInfo, QStringLiteral("package-info"));
        shoot(form, form->Configuration, QStringLiteral("configuration"));

        form->setServiceMode(true);
        shoot(form, form->Setting, QStringLiteral("service-matrix-control"));
        shoot(form, form->DiagLog, QStringLiteral("service-diagnostic-log"));
        form->setServiceMode(false);
        form->pcContainer->setCurrentWidget(form->General);
    }

    void serialPage() {
        Rig rig;
        rig.start(true);
        TForm1 *form = rig.fx.form.get();
        const QString pty = rig.fx.sim->ptyPath();
        form->General->RefreshComPortList();
        ClickIndicator(form->General->rbCOMMode);
        QLineEdit *edit = form->General->cbCOMList->lineEdit();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, pty);
        QTest::mouseClick(form->General->btnConnect, Qt::LeftButton);
        QVERIFY(form->Engine()->Connected());
        QTest::mouseClick(form->General->DeviceStatus->btnGetDevStatus, Qt::LeftButton);
        shoot(form, form->General, QStringLiteral("general-serial"));
        QTest::mouseClick(form->General->btnConnect, Qt::LeftButton);
        form->General->cbCOMList->setCurrentIndex(0);
        form->General->cbCOMList->showPopup();
        QTest::qWait(150);
        // The open list is a window of its own: grab the screen area of both.
        QWidget *popup = form->General->cbCOMList->view()->window();
        QImage shot = form->grab().toImage().convertToFormat(QImage::Format_RGB888);
        QPainter p(&shot);
        p.drawPixmap(popup->mapToGlobal(QPoint(0, 0)) - form->mapToGlobal(QPoint(0, 0)),
                     popup->grab());
        p.end();
        form->General->cbCOMList->hidePopup();
        const QString path = QDir(folder).filePath(QStringLiteral("general-com-list.png"));
        QVERIFY(shot.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither)
                    .save(path, "PNG", 9));
        written << path;
    }

    void cleanupTestCase() {
        for (const QString &p : written)
            qInfo("wrote %s (%lld bytes)", qPrintable(p), QFileInfo(p).size());
    }
};

QTEST_MAIN(Screenshots)
#include "Screenshots.moc"
