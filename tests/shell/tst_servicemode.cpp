// Service mode (matrix-tool --service): every hidden tab and every group
// hidden as delivered is shown, the board-information editor tab is enabled,
// and nothing else changes; off again gives the window as delivered.

#include "ShellFixture.h"

#include "control/ui/AdvancedPage.h"
#include "control/ui/EdidPage.h"
#include "control/ui/PortTagPage.h"
#include "control/ui/SettingPage.h"
#include "lanmodule/ui/ModuleInfoGroup.h"
#include "shell/DiagnosticLogPage.h"
#include "widgets/TPageControl.h"

#include <QGroupBox>
#include <QHash>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {
// Which widgets a user can see, by object path, and which are enabled.
QHash<QString, QPair<bool, bool>> snapshot(TForm1 *form) {
    QHash<QString, QPair<bool, bool>> states;
    for (QWidget *w : form->findChildren<QWidget *>()) {
        if (w->objectName().isEmpty())
            continue;
        QString path = w->objectName();
        for (QWidget *p = w->parentWidget(); p; p = p->parentWidget())
            path.prepend(p->objectName() + QLatin1Char('/'));
        states.insert(path, {w->isVisibleTo(form), w->isEnabled()});
    }
    return states;
}

QStringList visibleTabs(TForm1 *form) {
    QStringList shown;
    for (int i = 0; i < form->pcContainer->count(); ++i)
        if (form->pcContainer->isTabVisible(i))
            shown << form->pcContainer->widget(i)->objectName();
    return shown;
}
} // namespace

class TestServiceMode : public QObject {
    Q_OBJECT

private slots:
    void init() {
        LinkTiming::shrinkForTests();
        GeneralPage::PortListSource = [] { return QStringList(); };
    }

    void hiddenAsDeliveredShownInServiceMode() {
        ShellFixture fx;
        fx.openWindow();
        TForm1 *form = fx.form.get();
        QVERIFY(!form->ServiceMode());
        const QStringList delivered = visibleTabs(form);
        QCOMPARE(delivered, (QStringList{"tsGeneral", "tsEDIDCtrl", "tsIR", "tsUGFW", "TabSheet1",
                                         "tsFWInfo", "tsConfiguration"}));
        QVERIFY(!form->tsMGFW->isEnabled());
        const QList<QWidget *> hiddenGroups{form->Setting->gbOutput[4],
                                            form->Setting->gbOutput[7],
                                            form->PortTags->gbInputSourceType,
                                            form->Advanced->gbRemotePOHTX,
                                            form->Advanced->gbRemotePOHRX,
                                            form->Advanced->gbIRControl,
                                            form->Advanced->gbAPM,
                                            form->Edid->gbEDIDMode,
                                            form->Edid->gbOutputEDID,
                                            form->Advanced->ModuleInfo->gbResetDefault,
                                            form->General->DeviceStatus->gbInOutConnection};
        for (QWidget *w : hiddenGroups)
            QVERIFY2(w->isHidden(), qPrintable(w->objectName()));
        QVERIFY(!form->Setting->gbOutput[3]->isHidden());
        const auto before = snapshot(form);

        form->setServiceMode(true);
        QCOMPARE(visibleTabs(form).size(), 17);
        QCOMPARE(visibleTabs(form).last(), QStringLiteral("tsDiagLog"));
        QVERIFY(form->tsMGFW->isEnabled());
        for (QWidget *w : hiddenGroups)
            QVERIFY2(!w->isHidden(), qPrintable(w->objectName()));
        // The port-label page is reachable: its editor buttons can be clicked.
        form->pcContainer->setCurrentWidget(form->PortTags);
        QVERIFY(form->PortTags->btnEditInputPortTag->isVisible());
        form->pcContainer->setCurrentWidget(form->General);

        // Nothing but the marked widgets, the hidden pages and tsMGFW changed.
        const auto during = snapshot(form);
        for (auto it = before.begin(); it != before.end(); ++it) {
            if (during.value(it.key()) == it.value())
                continue;
            const QString &path = it.key();
            const bool page =
                path.contains(QStringLiteral("qt_tabwidget_tabbar")) || // more tabs
                path.contains(QStringLiteral("/tsSetting")) ||
                path.contains(QStringLiteral("/tsMV")) || path.contains(QStringLiteral("/tsVW")) ||
                path.contains(QStringLiteral("/tsInOutSetting")) ||
                path.contains(QStringLiteral("/tsIRRS232Setting")) ||
                path.contains(QStringLiteral("/tsPortTag")) ||
                path.contains(QStringLiteral("/tsFWUpgrade")) ||
                path.contains(QStringLiteral("/tsMergeFW")) ||
                path.contains(QStringLiteral("/tsMGFW")) ||
                path.contains(QStringLiteral("/tsDiagLog")) ||
                path.contains(QStringLiteral("gbInOutConnection")) ||
                path.contains(QStringLiteral("gbResetDefault")) ||
                path.contains(QStringLiteral("gbEDIDMode")) ||
                path.contains(QStringLiteral("gbOutputEDID")) ||
                path.contains(QStringLiteral("gbRemotePOH")) ||
                path.contains(QStringLiteral("gbIRControl")) ||
                path.contains(QStringLiteral("gbKeyLock")) ||
                path.contains(QStringLiteral("gbBeeper")) || path.contains(QStringLiteral("gbAPM"));
            QVERIFY2(page, qPrintable(path));
        }

        form->setServiceMode(false);
        QCOMPARE(visibleTabs(form), delivered);
        QVERIFY(!form->tsMGFW->isEnabled());
        for (QWidget *w : hiddenGroups)
            QVERIFY2(w->isHidden(), qPrintable(w->objectName()));
    }

    // The diagnostic log on its own page: frames of a status read appear,
    // Save writes them (asking before it overwrites), Clear empties the log.
    void diagnosticLogPageSavesAndClears() {
        ShellFixture fx;
        fx.startSim();
        fx.seedSimDevice();
        fx.openWindow();
        TForm1 *form = fx.form.get();
        QVERIFY(!form->mmoMsg->isVisibleTo(form));
        form->setServiceMode(true);
        QVERIFY(form->General->DeviceStatus->ReadPowerStatus());
        form->pcContainer->setCurrentWidget(form->DiagLog);
        QVERIFY(form->mmoMsg->isVisible());
        QVERIFY(form->mmoMsg->isEnabled());
        QVERIFY(form->mmoMsg->toPlainText().contains(QStringLiteral("snd cmd PPP")));
        QCOMPARE(form->DiagLog->btnSaveLog->text(), QStringLiteral("&Save..."));
        QCOMPARE(form->DiagLog->btnClearLog->text(), QStringLiteral("C&lear"));
        QVERIFY(!form->DiagLog->btnSaveLog->accessibleName().isEmpty());
        QVERIFY(!form->DiagLog->btnClearLog->accessibleName().isEmpty());

        const QString path = fx.dir.filePath(QStringLiteral("log.txt"));
        form->Prompts()->setResponder([&](const PromptService::Request &r) {
            PromptService::Answer a;
            a.fileName = path;
            a.yes = false; // do not overwrite
            return a;
        });
        QTest::mouseClick(form->DiagLog->btnSaveLog, Qt::LeftButton);
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray first = saved.readAll();
        saved.close();
        QVERIFY(first.contains("snd cmd PPP"));
        QCOMPARE(fx.panel(1), QStringLiteral("Log saved to ") + path);
        // A second save asks and, refused, leaves the file as it was.
        form->mmoMsg->appendPlainText(QStringLiteral("one more line"));
        QTest::mouseClick(form->DiagLog->btnSaveLog, Qt::LeftButton);
        QVERIFY(
            form->Prompts()->History.last().text.endsWith(QStringLiteral("exists, overwrite it?")));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), first);
        saved.close();

        QTest::mouseClick(form->DiagLog->btnClearLog, Qt::LeftButton);
        QVERIFY(form->mmoMsg->toPlainText().isEmpty());
        form->setServiceMode(false);
        QVERIFY(!form->mmoMsg->isVisibleTo(form));
    }

    void documented() {
        QFile readme(QStringLiteral(TSM_SOURCE_DIR "/README.md"));
        QVERIFY(readme.open(QIODevice::ReadOnly));
        QVERIFY(readme.readAll().contains("--service"));
        QFile sim(QStringLiteral(TSM_SOURCE_DIR "/docs/SIMULATOR.md"));
        QVERIFY(sim.open(QIODevice::ReadOnly));
        const QByteArray text = sim.readAll();
        for (const char *word :
             {"--refuse-switch", "--log-control", "refuseSwitchOutputs", "routing"})
            QVERIFY2(text.contains(word), word);
    }
};

QTEST_MAIN(TestServiceMode)
#include "tst_servicemode.moc"
