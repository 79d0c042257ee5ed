// The Merge Firmware page in the window: its rows and edits, the remembered
// folders, the saved file's name and place, the overwrite question, and a
// merged file flashed into the simulated unit through the Firmware Upgrade page.

#include "../../shell/ShellFixture.h"
#include "../UnitSamples.h"
#include "firmware/FirmwareFile.h"
#include "firmware/ui/FWUpgradePage.h"
#include "firmware/ui/MergePage.h"
#include "widgets/TPageControl.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

QByteArray plainImage(int size, uint8_t seed) {
    QByteArray image(size, '\0');
    for (int i = 0; i < size; ++i)
        image[i] = char(uint8_t(seed * 3 + i * 5));
    return image;
}

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct MergeRig {
    ShellFixture fx;
    QString nextOpen; // the file the open dialog answers with
    QStringList questions;

    MergePage *page() const { return fx.form->Merge; }

    void start() {
        LinkTiming::shrinkForTests();
        fx.seedSimDevice();
        fx.startSim();
        fx.sim->withState([](MatrixState &s) {
            s.unit = unitsamples::unit(2);
            s.rebootMs = 30;
        });
        fx.openWindow();
        fx.form->setServiceMode(true);
        fx.form->Prompts()->setResponder([this](const PromptService::Request &r) {
            PromptService::Answer a;
            if (r.kind == PromptService::Kind::Question) {
                questions << r.text;
                a.yes = fx.questionAnswer;
            }
            if (r.kind == PromptService::Kind::OpenFile)
                a.fileName = nextOpen;
            return a;
        });
        fx.form->pcContainer->setCurrentWidget(page());
    }

    // A source image in `folder` (created), chosen for `row` with its open button.
    QString choose(int row, const QString &folder, const QString &name, const QByteArray &bytes) {
        QDir().mkpath(fx.dir.filePath(folder));
        nextOpen = fx.dir.filePath(folder + QLatin1Char('/') + name);
        if (!unitsamples::writeFile(nextOpen, bytes))
            return QString();
        QTest::mouseClick(page()->Rows[size_t(row)].Open, Qt::LeftButton);
        return nextOpen;
    }
    void type(QLineEdit *edit, const QString &text) {
        edit->clear();
        edit->setFocus();
        QTest::keyClicks(edit, text);
    }
    void merge() { QTest::mouseClick(page()->btnMerge, Qt::LeftButton); }
    QStringList memo() const { return page()->mmoMessage1->toPlainText().split(QLatin1Char('\n')); }
};

} // namespace

class TestMergePage : public QObject {
    Q_OBJECT

private slots:
    void rowsAndEdits() {
        MergeRig rig;
        rig.start();
        MergePage *p = rig.page();
        QCOMPARE(p->objectName(), QStringLiteral("tsMergeFW"));
        const QStringList files{"edtMainMCUFW",       "edtSlaveMCU1FW", "edtIRMXMCU2FW",
                                "edtPanelMCU3FW",     "edtIDIRMCU4FW",  "edtInputCardMCU5FW",
                                "edtOutputCardMCU6FW"};
        const QStringList opens{"btnOpenMainMCU",       "btnOpenSlaveMCU1", "btnOpenIRMXMCU2",
                                "btnOpenPanelMCU3",     "btnOpenIDIRMCU4",  "btnOpenInputCardMCU5",
                                "btnOpenOutputCardMCU6"};
        const QStringList vers{"leMainMCUFWVer",       "leSlaveMCU1FWVer", "leIRMXMCU2FWVer",
                               "lePanelMCU3FWVer",     "leIDIRMCU4FWVer",  "leInputCardMCU5FWVer",
                               "leOutputCardMCU6FWVer"};
        const QStringList pcbs{"leMainMCUPCB",      "leSlaveMCUPCB", "leIRMXMCUPCB",
                               "lePanelMCUPCB",     "leIDIRMCUPCB",  "leInputCardMCUPCB",
                               "leOutputCardMCUPCB"};
        for (int i = 0; i < MergeRowCount; ++i) {
            const MergePage::Row &row = p->Rows[size_t(i)];
            QCOMPARE(row.File->objectName(), files[i]);
            QCOMPARE(row.Open->objectName(), opens[i]);
            QCOMPARE(row.Open->property("tag").toInt(), i);
            QCOMPARE(row.Ver1->objectName(), vers[i] + '1');
            QCOMPARE(row.Ver2->objectName(), vers[i] + '2');
            QCOMPARE(row.Pcb->objectName(), pcbs[i]);
            QCOMPARE(row.Ver1->maxLength(), 3);
            QVERIFY(!row.Open->accessibleName().isEmpty());
        }
        QCOMPARE(p->btnMerge->text(), QStringLiteral("&Merge"));
        QCOMPARE(p->Button2->objectName(), QStringLiteral("Button2"));
        // The date stamp is today's date when the window is first shown.
        QCOMPARE(p->edtEndWithDateStamp->text(),
                 QDate::currentDate().toString(QStringLiteral("yyyyMMdd")));
        // Version edits take digits only, three at most.
        rig.type(p->Rows[0].Ver1, QStringLiteral("1a2-b34"));
        QCOMPARE(p->Rows[0].Ver1->text(), QStringLiteral("123"));
        // The tab is hidden as delivered.
        rig.fx.form->setServiceMode(false);
        QVERIFY(!rig.fx.form->pcContainer->isTabVisible(rig.fx.form->pcContainer->indexOf(p)));
    }

    void savesInTheFirstRememberedFolderWithOnlyTheNameUpperCased() {
        MergeRig rig;
        rig.start();
        MergePage *p = rig.page();
        const QByteArray mainImage = plainImage(300, 1);
        // The slave's folder is remembered first in time, but main comes first in row order.
        const QString slave = rig.choose(1, QStringLiteral("later/slave"),
                                         QStringLiteral("slave.bin"), plainImage(40, 2));
        QCOMPARE(rig.fx.prompts().last().fileName, rig.fx.ctx()->AppFolder);
        const QString main =
            rig.choose(0, QStringLiteral("lower/case"), QStringLiteral("main.bin"), mainImage);
        QCOMPARE(p->Rows[0].File->text(), QDir::toNativeSeparators(main));
        QCOMPARE(p->OpenPaths().Paths[0], QFileInfo(main).absolutePath());
        QCOMPARE(p->OpenPaths().Paths[1], QFileInfo(slave).absolutePath());
        // Opening the row again starts in its own folder.
        QTest::mouseClick(p->Rows[1].Open, Qt::LeftButton);
        QCOMPARE(rig.fx.prompts().last().fileName, QFileInfo(slave).absolutePath());
        QCOMPARE(rig.fx.prompts().last().filter, QStringLiteral("FW binary file(*.bin)"));
        p->Rows[1].File->clear(); // the slave is left out

        rig.type(p->Rows[0].Ver1, QStringLiteral("1"));
        rig.type(p->Rows[0].Ver2, QStringLiteral("5"));
        rig.type(p->Rows[0].Pcb, QStringLiteral(" A "));
        rig.type(p->edtProductName, QStringLiteral("PM"));
        p->edtEndWithDateStamp->clear();
        rig.merge();

        const QString expected =
            QFileInfo(main).absolutePath() + QStringLiteral("/PM MAIN(A)1.05.FW");
        QCOMPARE(p->LastSavedPath(), expected);
        QVERIFY(QFileInfo::exists(expected));
        QCOMPARE(p->Rows[0].Pcb->text(), QStringLiteral("A")); // trimmed and written back
        const QByteArray saved = readAll(expected);
        const auto found = FindPart(saved, PartClassMain);
        QVERIFY(found);
        QCOMPARE(found->Image, mainImage);
        QCOMPARE(rig.memo(), QStringList({"Main MCU firmware: " + main + " loaded",
                                          "Main MCU firmware merged, ver1.05", "",
                                          "Firmware merged complete, save to file: ", expected}));
        // The merge's first source becomes the last firmware folder of both pages.
        QCOMPARE(rig.fx.ctx()->LastFirmwareFolder, QFileInfo(main).absolutePath());
        QVERIFY(rig.questions.isEmpty());
    }

    void versionsWrittenBackAndOverwriteQuestion() {
        MergeRig rig;
        rig.start();
        MergePage *p = rig.page();
        const QString in =
            rig.choose(5, QStringLiteral("cards"), QStringLiteral("in.bin"), plainImage(64, 3));
        rig.type(p->Rows[5].Ver1, QStringLiteral("300"));
        rig.type(p->Rows[5].Ver2, QStringLiteral("007"));
        p->edtEndWithDateStamp->setText(QStringLiteral("20261209"));
        rig.merge();
        const QString target =
            QFileInfo(in).absolutePath() + QStringLiteral("/MERGEDFW INPUTCARD255.07 20261209.FW");
        QCOMPARE(p->LastSavedPath(), target);
        QCOMPARE(p->Rows[5].Ver1->text(), QStringLiteral("255"));
        QCOMPARE(p->Rows[5].Ver2->text(), QStringLiteral("7"));
        QCOMPARE(rig.memo().filter(QStringLiteral(" loaded")).size(), 8);
        const FirmwareFile file(readAll(target));
        QVERIFY(file.Valid());
        QCOMPARE(file.Parts().size(), 8);
        for (int n = 0; n < 8; ++n) {
            QCOMPARE(file.Parts()[n].Header.Slot(), uint16_t(n + 1));
            QCOMPARE(file.StoredImage(n), file.StoredImage(0));
        }

        // The same name again: asked; No keeps the old file.
        QVERIFY(unitsamples::writeFile(target, QByteArrayLiteral("old")));
        rig.fx.questionAnswer = false;
        rig.merge();
        QCOMPARE(rig.questions.last(), QStringLiteral("Firmware file: ") + target +
                                           QStringLiteral(" exists, overwrite it?"));
        QCOMPARE(rig.memo().last(), QStringLiteral("Save canceled"));
        QCOMPARE(readAll(target), QByteArrayLiteral("old"));
        // Yes replaces it.
        rig.fx.questionAnswer = true;
        rig.merge();
        QVERIFY(FirmwareFile(readAll(target)).Valid());
        QCOMPARE(QDir(QFileInfo(target).absolutePath()).entryList(QDir::Files).size(), 2);
    }

    void nothingNamedSavesNothing() {
        MergeRig rig;
        rig.start();
        MergePage *p = rig.page();
        p->Rows[2].File->setText(QStringLiteral("   "));
        rig.type(p->Rows[2].Ver1, QStringLiteral("9"));
        rig.merge();
        QVERIFY(p->mmoMessage1->toPlainText().isEmpty());
        QVERIFY(p->LastSavedPath().isEmpty());
        QCOMPARE(p->Rows[2].File->text(), QString());
        QCOMPARE(p->Rows[2].Ver1->text(), QStringLiteral("9")); // not merged: as typed
        QVERIFY(rig.fx.ctx()->LastFirmwareFolder.isEmpty());
        // Only missing files: their lines, nothing saved.
        p->Rows[2].File->setText(rig.fx.dir.filePath(QStringLiteral("gone.bin")));
        rig.merge();
        QCOMPARE(rig.memo(),
                 QStringList{"IRMX MCU firmware file: " +
                             rig.fx.dir.filePath(QStringLiteral("gone.bin")) + " does not exist"});
        QVERIFY(p->LastSavedPath().isEmpty());
        rig.page()->Button2->click();
        QVERIFY(p->mmoMessage1->toPlainText().isEmpty());
    }

    void mergedFileFlashesAnInputCard() {
        MergeRig rig;
        rig.start();
        MergePage *p = rig.page();
        const QByteArray card = plainImage(700, 9);
        rig.choose(5, QStringLiteral("flash"), QStringLiteral("card.bin"), card);
        rig.type(p->Rows[5].Ver1, QStringLiteral("2"));
        rig.type(p->Rows[5].Ver2, QStringLiteral("1"));
        rig.type(p->edtProductName, QStringLiteral("unit"));
        rig.merge();
        const QString merged = p->LastSavedPath();
        QVERIFY(QFileInfo::exists(merged));

        // The upgrade page opens the merged file in the shared folder and
        // sends input card 1 only.
        FWUpgradePage *up = rig.fx.form->FWUpgrade;
        rig.fx.form->pcContainer->setCurrentWidget(up);
        rig.nextOpen = merged;
        QTest::mouseClick(up->btnOpenFW, Qt::LeftButton);
        QCOMPARE(rig.fx.prompts().last().fileName, QFileInfo(merged).absolutePath());
        QVERIFY(up->cbInputMCU[8]->isChecked());
        ClickIndicator(up->cbInputMCU[8]);
        ClickIndicator(up->cbInputMCU[0]);
        rig.fx.questionAnswer = true;
        QTest::mouseClick(up->btnUpgrade, Qt::LeftButton);
        QCOMPARE(up->LastOutcome(), FileUpgrade::Outcome::Succeeded);
        rig.fx.sim->withState([&](MatrixState &s) {
            const StoredImage *image = s.unit.lastImage(unitsamples::InputType, 0);
            QVERIFY(image);
            QCOMPARE(image->slot(), 1);
            QCOMPARE(image->image, card); // deciphered before sending
            QVERIFY(!s.unit.lastImage(unitsamples::InputType, 1));
            QCOMPARE(s.uploads.size(), 1);
            QCOMPARE(s.uploads[0].ver1, uint16_t(2));
            QCOMPARE(s.uploads[0].ver2, uint16_t(1));
        });
    }
};

QTEST_MAIN(TestMergePage)
#include "tst_mergepage.moc"
