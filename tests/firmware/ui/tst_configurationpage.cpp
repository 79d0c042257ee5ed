// The "Configuration" page in the real window: apply, default, the 300 s
// bound, the refusal of a non-number, the delay reaching the reboot wait and
// the settings file, and the value kept across a restart.

#include "../../shell/ShellFixture.h"

#include "firmware/FirmwareTransfer.h"
#include "firmware/ui/ConfigurationPage.h"
#include "widgets/TPageControl.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

class TestConfigurationPage : public QObject {
    Q_OBJECT

    static ConfigurationPage *page(ShellFixture &fx) { return fx.form->Configuration; }

    static void showPage(ShellFixture &fx) {
        fx.form->pcContainer->setCurrentWidget(page(fx));
        QTRY_VERIFY(page(fx)->isVisible());
    }

    static void type(QLineEdit *edit, const QString &text) {
        edit->selectAll();
        edit->del();
        QTest::keyClicks(edit, text);
    }

private slots:
    void init() {
        LinkTiming::shrinkForTests();
        GeneralPage::PortListSource = [] { return QStringList(); };
    }

    void applyBoundsAndDefault() {
        ShellFixture fx;
        fx.openWindow();
        showPage(fx);
        ConfigurationPage *p = page(fx);
        QCOMPARE(p->edtWaitAfterReboot->text(), QStringLiteral("0"));
        QVERIFY(p->edtWaitAfterReboot->hasFocus());
        QVERIFY(!p->gbWaitBeforeBI->isVisibleTo(p));

        // Letters are not taken; three digits at most.
        type(p->edtWaitAfterReboot, QStringLiteral("9a9x9 9"));
        QCOMPARE(p->edtWaitAfterReboot->text(), QStringLiteral("999"));
        QTest::mouseClick(p->btnWARApply, Qt::LeftButton);
        QCOMPARE(p->edtWaitAfterReboot->text(), QStringLiteral("300"));
        QCOMPARE(fx.ctx()->AfterRebootDelay, 300);
        QCOMPARE(fx.ctx()->Firmware->AfterRebootDelay, 300);

        type(p->edtWaitAfterReboot, QStringLiteral("12"));
        QTest::mouseClick(p->btnWARApply, Qt::LeftButton);
        QCOMPARE(fx.ctx()->Firmware->AfterRebootDelay, 12);

        // An empty edit is no number: an error box, the value stays.
        type(p->edtWaitAfterReboot, QString());
        QTest::mouseClick(p->btnWARApply, Qt::LeftButton);
        QCOMPARE(fx.prompts().last().kind, PromptService::Kind::Error);
        QCOMPARE(fx.ctx()->AfterRebootDelay, 12);

        QTest::mouseClick(p->btnWARDefault, Qt::LeftButton);
        QCOMPARE(p->edtWaitAfterReboot->text(), QStringLiteral("0"));
        QCOMPARE(fx.ctx()->Firmware->AfterRebootDelay, 0);

        // The hidden group works the same way on its own value.
        p->ShowHiddenGroups(true);
        type(p->edtWaitBeforeBI, QStringLiteral("450"));
        QCOMPARE(p->edtWaitBeforeBI->text(), QStringLiteral("450"));
        QTest::mouseClick(p->btnWBBIApply, Qt::LeftButton);
        QCOMPARE(fx.ctx()->BeforeBIDelay, 300);
        QCOMPARE(fx.ctx()->AfterRebootDelay, 0);
        QTest::mouseClick(p->btnWBBIDefault, Qt::LeftButton);
        QCOMPARE(fx.ctx()->BeforeBIDelay, 0);
    }

    void keptAcrossARestart() {
        ShellFixture fx;
        fx.openWindow();
        showPage(fx);
        type(page(fx)->edtWaitAfterReboot, QStringLiteral("45"));
        QTest::mouseClick(page(fx)->btnWARApply, Qt::LeftButton);
        fx.form->close();
        fx.form.reset();

        QSettings ini(fx.settingsPath(), QSettings::IniFormat);
        QCOMPARE(ini.value(QStringLiteral("Delay Settings/Wait After Checking Reboot")).toInt(),
                 45);

        fx.openWindow();
        QCOMPARE(fx.ctx()->Firmware->AfterRebootDelay, 45);
        showPage(fx);
        QCOMPARE(page(fx)->edtWaitAfterReboot->text(), QStringLiteral("45"));
    }
};

QTEST_MAIN(TestConfigurationPage)
#include "tst_configurationpage.moc"
