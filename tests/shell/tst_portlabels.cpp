// Port labels through their editor, and what the settings file keeps of the
// window between runs.

#include "ShellFixture.h"
#include "firmware/FirmwareTransfer.h"

#include "control/ui/PortTagPage.h"
#include "control/ui/PreSetting_edit.h"
#include "lanmodule/ui/LanDeviceGroup.h"
#include "settings/IniFile.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

class TestPortLabels : public QObject {
    Q_OBJECT

    static QByteArray fileBytes(const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Opens the input label editor, types the texts (port -> text), presses OK.
    static void editInputs(ShellFixture &fx, const QMap<int, QString> &texts) {
        fx.dialogAnswer = [&](QDialog *d) {
            auto *dlg = qobject_cast<TfrmPreSettingEdit *>(d);
            for (auto it = texts.begin(); it != texts.end(); ++it) {
                QComboBox *combo = dlg->Combo(it.key());
                combo->setEditText(QString());
                QTest::keyClicks(combo, it.value());
            }
            QTest::mouseClick(dlg->btnOK, Qt::LeftButton);
            return dlg->result();
        };
        QTest::mouseClick(fx.form->PortTags->btnEditInputPortTag, Qt::LeftButton);
        fx.dialogAnswer = nullptr;
    }

private slots:
    void init() {
        LinkTiming::shrinkForTests();
        GeneralPage::PortListSource = [] { return QStringList(); };
    }

    void labelsAreEditedSavedPerDeviceAndKeptAsTyped() {
        ShellFixture fx;
        fx.startSim();
        fx.seedSimDevice();
        fx.openWindow();
        QCOMPARE(fx.ctx()->CurrentDeviceMAC, QStringLiteral("02-00-00-00-00-01"));

        editInputs(fx, {{1, "  DVD "}, {2, "Blu-ray"}, {3, "Blu-ray"}});
        PortTagPage *page = fx.form->PortTags;
        QCOMPARE(page->TagEdit(1)->text(), QStringLiteral("  DVD "));
        QCOMPARE(page->TagEdit(3)->text(), QStringLiteral("Blu-ray"));
        QCOMPARE(fx.form->frmPreSettingEdit->InputNames().count("Blu-ray"), 1);
        QVERIFY(fx.form->frmPreSettingEdit->InputNames().contains("  DVD "));
        QCOMPARE(fx.form->frmPreSettingEdit->windowTitle(), QStringLiteral("Edit Input Labels"));

        const QByteArray text = fileBytes(fx.settingsPath());
        QVERIFY(text.contains("[Tag of Input - TCP:02-00-00-00-00-01]\r\n"));
        QVERIFY(!text.contains("[Tag of Output - TCP:02-00-00-00-00-01]")); // all empty: pruned

        // Cancel changes nothing.
        fx.dialogAnswer = [](QDialog *d) {
            qobject_cast<TfrmPreSettingEdit *>(d)->Combo(1)->setEditText("changed");
            return int(QDialog::Rejected);
        };
        QTest::mouseClick(page->btnEditInputPortTag, Qt::LeftButton);
        QCOMPARE(page->TagEdit(1)->text(), QStringLiteral("  DVD "));

        // Closing and opening again brings back mode, device and labels.
        fx.form->close();
        fx.form.reset();
        fx.openWindow();
        QVERIFY(fx.form->General->rbLANMode->isChecked());
        QCOMPARE(fx.form->General->LanGroup->cbLANDevice->currentText(), SimDeviceEntry());
        QCOMPARE(fx.form->PortTags->TagEdit(1)->text(), QStringLiteral("  DVD "));
        QCOMPARE(fx.form->PortTags->TagEdit(2)->text(), QStringLiteral("Blu-ray"));
        QVERIFY(fx.form->frmPreSettingEdit->InputNames().contains("  DVD "));

        // COM mode has labels of its own.
        ClickIndicator(fx.form->General->rbCOMMode);
        QCOMPARE(fx.form->PortTags->TagEdit(1)->text(), QString());
        ClickIndicator(fx.form->General->rbLANMode);
        QCOMPARE(fx.form->PortTags->TagEdit(1)->text(), QStringLiteral("  DVD "));
    }

    void deletingAKnownNameIsRefusedWhileInUse() {
        ShellFixture fx;
        fx.openWindow();
        TfrmPreSettingEdit *dlg = fx.form->frmPreSettingEdit;
        dlg->SetInputNames({"Player", "Camera"});
        dlg->PrepareLabelMode(TfrmPreSettingEdit::Mode::InputLabels);
        dlg->show(); // as the editor shows it, but without a modal loop
        QVERIFY(QTest::qWaitForWindowExposed(dlg));
        dlg->Combo(2)->setEditText("Player");
        dlg->Combo(5)->setEditText("Player");
        auto *del2 = dlg->findChild<QPushButton *>("btnDeleteInput2Tag");
        QVERIFY(del2);
        QTest::mouseClick(del2, Qt::LeftButton);
        QCOMPARE(fx.prompts().last().text,
                 QStringLiteral("Input port tag in use, can't be deleted."));
        QVERIFY(dlg->InputNames().contains("Player"));

        dlg->Combo(5)->setEditText(QString());
        fx.questionAnswer = false;
        QTest::mouseClick(del2, Qt::LeftButton);
        QCOMPARE(fx.prompts().last().text,
                 QStringLiteral("Sure to delete Input port tag: [Player] ?"));
        QVERIFY(dlg->InputNames().contains("Player"));
        fx.questionAnswer = true;
        QTest::mouseClick(del2, Qt::LeftButton);
        QVERIFY(!dlg->InputNames().contains("Player"));
        QCOMPARE(dlg->Combo(2)->currentText(), QString());
        for (int n = 1; n <= 8; ++n)
            QCOMPARE(dlg->Combo(n)->findText("Player"), -1);

        // Outputs have their own texts and lists.
        dlg->SetOutputNames({"Projector"});
        dlg->PrepareLabelMode(TfrmPreSettingEdit::Mode::OutputLabels);
        dlg->Combo(41)->setEditText("Projector");
        dlg->Combo(48)->setEditText("Projector");
        QTest::mouseClick(dlg->findChild<QPushButton *>("btnDeleteOutput8Tag"), Qt::LeftButton);
        QCOMPARE(fx.prompts().last().text,
                 QStringLiteral("Output port tag in use, can't be deleted."));
        // An empty combo: nothing happens.
        const int shown = fx.prompts().size();
        QTest::mouseClick(dlg->findChild<QPushButton *>("btnDeleteOutput3Tag"), Qt::LeftButton);
        QCOMPARE(fx.prompts().size(), shown);
        dlg->hide();
    }

    void secondSaveLeavesTheFileUnchanged() {
        ShellFixture fx;
        fx.seedSimDevice();
        fx.writeSettings(fileBytes(fx.settingsPath()) +
                         "[Delay Settings]\r\nWait After Checking Reboot=1000\r\n"
                         "Wait Before Writing BI=-5\r\n[Pre-Setting value]\r\nvalue2=3,4\r\n");
        fx.openWindow();
        QCOMPARE(fx.ctx()->AfterRebootDelay, 300);
        QCOMPARE(fx.ctx()->BeforeBIDelay, 0);
        QCOMPARE(fx.ctx()->Firmware->AfterRebootDelay, 300);
        fx.form->close();
        const QByteArray first = fileBytes(fx.settingsPath());
        QVERIFY(first.contains("Wait After Checking Reboot=300\r\n"));
        QVERIFY(first.contains("value2=3,4,1,2,3,4,5,6\r\n"));
        fx.form.reset();
        fx.openWindow();
        fx.form->close();
        QCOMPARE(fileBytes(fx.settingsPath()), first);
    }

    void oversizedSettingsFileIsLeftAlone() {
        // A settings file far beyond anything the tool writes: said once at
        // start-up, then neither a label edit nor the close rewrites it.
        ShellFixture fx;
        fx.seedSimDevice();
        QByteArray big = fileBytes(fx.settingsPath()) + "[Filler]\r\n";
        while (big.size() <= IniFile::MaxFileSize)
            big += "x=" + QByteArray(4000, 'y') + "\r\n";
        fx.writeSettings(big);
        fx.openWindow();
        QCOMPARE(fx.prompts().size(), 1);
        QCOMPARE(fx.prompts().first().kind, PromptService::Kind::Error);
        QCOMPARE(fx.prompts().first().text,
                 "Unable to read from " + fx.settingsPath() +
                     ": the file is larger than 4 MiB, so it is left as it is");
        // The window runs on the defaults.
        QVERIFY(fx.ctx()->CurrentDeviceMAC != QStringLiteral("02-00-00-00-00-01"));

        editInputs(fx, {{1, "Player"}});
        QCOMPARE(fx.form->PortTags->TagEdit(1)->text(), QStringLiteral("Player"));
        fx.form->close();
        int errors = 0;
        for (const PromptService::Request &r : fx.prompts())
            errors += r.kind == PromptService::Kind::Error;
        QCOMPARE(errors, 1);
        QCOMPARE(fileBytes(fx.settingsPath()), big);
    }
};

QTEST_MAIN(TestPortLabels)
#include "tst_portlabels.moc"
