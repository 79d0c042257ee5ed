// The whole way of a firmware image through the tool, in the real window
// against the simulated unit (a main board, four input and four output
// cards): raw images merged into a ".fw" on the merge page; a board-
// information tree typed into the editor and built into a ".fw2"; the package
// read on the package information page; the unit upgraded from it on the
// Upgrade Firmware page; one input card flashed from the ".fw" on the
// single-file page. Every step says what it checked (scripts/roundtrip.sh
// prints those lines).

#include "../../boardinfo/ui/EditorRig.h"
#include "../UnitSamples.h"
#include "boardinfo/BoardInfo.h"
#include "boardinfo/BoardInfoBlock.h"
#include "firmware/FirmwareFile.h"
#include "firmware/FirmwarePackage.h"
#include "firmware/PackageUpgrade.h"
#include "firmware/ui/FWInfoPage.h"
#include "firmware/ui/FWUpgradePage.h"
#include "firmware/ui/MergePage.h"
#include "firmware/ui/UpgradePage.h"

#include <QDir>

namespace {

constexpr int Cards = 4;
constexpr uint8_t InputType = unitsamples::InputType;
constexpr uint8_t OutputType = unitsamples::OutputType;

QByteArray rawImage(int size, uint8_t seed) {
    QByteArray image(size, '\0');
    for (int i = 0; i < size; ++i)
        image[i] = char(uint8_t(seed * 7 + i * 13 + (i >> 8)));
    return image;
}

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void checked(const QString &what) {
    qInfo().noquote() << "checked:" << what;
}

QByteArray nameBytes(const char *name) {
    return QByteArray(name, int(qstrlen(name)) + 1);
}

} // namespace

class TestRoundTrip : public QObject {
    Q_OBJECT

private slots:
    void init() {
        LinkTiming::shrinkForTests();
        GeneralPage::PortListSource = [] { return QStringList(); };
    }

    void imagesThroughEveryPage() {
        EditorRig rig;
        ShellFixture &fx = rig.fx;
        fx.seedSimDevice();
        fx.startSim();
        fx.sim->withState([](MatrixState &s) {
            s.unit = unitsamples::unit(Cards);
            s.rebootMs = 30;
        });
        rig.start();
        fx.questionAnswer = true;

        // The raw MCU images.
        const QString imageDir = fx.dir.filePath(QStringLiteral("images"));
        QVERIFY(QDir().mkpath(imageDir));
        const QByteArray mainImage = rawImage(1500, 1);
        const QByteArray inputImage = rawImage(700, 5);
        const QByteArray outputImage = rawImage(650, 6);
        const QString mainBin = imageDir + QStringLiteral("/main.bin");
        const QString inputBin = imageDir + QStringLiteral("/input.bin");
        const QString outputBin = imageDir + QStringLiteral("/output.bin");
        QVERIFY(unitsamples::writeFile(mainBin, mainImage));
        QVERIFY(unitsamples::writeFile(inputBin, inputImage));
        QVERIFY(unitsamples::writeFile(outputBin, outputImage));

        // 1. Merge page: the three images into one ".fw".
        MergePage *merge = fx.form->Merge;
        fx.form->pcContainer->setCurrentWidget(merge);
        const struct {
            int row;
            QString file, ver1, ver2;
        } rows[] = {{0, mainBin, "4", "2"}, {5, inputBin, "2", "17"}, {6, outputBin, "3", "9"}};
        for (const auto &r : rows) {
            rig.fileAnswer = r.file;
            QTest::mouseClick(merge->Rows[size_t(r.row)].Open, Qt::LeftButton);
            QCOMPARE(merge->Rows[size_t(r.row)].File->text(), r.file);
            EditorRig::type(merge->Rows[size_t(r.row)].Ver1, r.ver1);
            EditorRig::type(merge->Rows[size_t(r.row)].Ver2, r.ver2);
        }
        EditorRig::type(merge->edtProductName, QStringLiteral("RT"));
        QTest::mouseClick(merge->btnMerge, Qt::LeftButton);
        const QString fwPath = merge->LastSavedPath();
        QVERIFY(QFileInfo::exists(fwPath));
        const QByteArray fw = readAll(fwPath);
        const auto imageOf = [&fw](uint8_t partClass, uint16_t kind, int slot) {
            const std::optional<FoundPart> part =
                FindPart(fw, partClass, kind,
                         slot < 0 ? std::nullopt : std::optional<uint16_t>(uint16_t(slot)));
            return part ? part->Image : QByteArray();
        };
        QCOMPARE(imageOf(PartClassMain, McuKindMain, -1), mainImage);
        for (int n = 1; n <= 8; ++n) {
            QCOMPARE(imageOf(PartClassSub, InputType, n), inputImage);
            QCOMPARE(imageOf(PartClassSub, OutputType, n), outputImage);
        }
        checked("merge page wrote " + QFileInfo(fwPath).fileName() +
                ": main part and input/output parts for slots 1..8 decipher to the raw images");

        // 2. The editor: a main board with four input and four output cards.
        fx.form->pcContainer->setCurrentWidget(rig.page());
        BoardInfoTreeNode *mainBoard = rig.addBoard("MAIN", "0", "1");
        BoardInfoTreeNode *mainGroup = rig.addGroup(mainBoard, "Main MCU", "3");
        rig.addItem(mainGroup, {"Main FW", "2C", "B", "A", "C", "0001", mainBin, "4", "2"});
        rig.select(mainBoard);
        BoardInfoTreeNode *inputBoard = rig.addBoard("INPUT", "5", "4");
        BoardInfoTreeNode *inputGroup = rig.addGroup(inputBoard, "Card MCU", "7");
        rig.addItem(inputGroup, {"Input FW", "0A", "B", "A", "Z", "0002", inputBin, "2", "17"});
        rig.select(inputBoard);
        BoardInfoTreeNode *outputBoard = rig.addBoard("OUTPUT", "6", "4");
        BoardInfoTreeNode *outputGroup = rig.addGroup(outputBoard, "Card MCU", "8");
        rig.addItem(outputGroup, {"Output FW", "0B", "C", "A", "Z", "0003", outputBin, "3", "9"});
        for (BoardInfoTreeNode *n :
             {mainBoard, mainGroup, inputBoard, inputGroup, outputBoard, outputGroup})
            rig.clickCheck(n);
        for (BoardInfoTreeNode *n : rig.model().Nodes())
            QVERIFY(n->Checked);
        QVERIFY(rig.takeErrors().isEmpty());
        rig.takeInformations();

        // 3. "&Merge" on the builder page.
        QTest::mouseClick(rig.page()->btnMerge2, Qt::LeftButton);
        QVERIFY(rig.takeInformations().isEmpty());
        const QString fw2Path = rig.page()->LastPackagePath();
        QVERIFY(QFileInfo::exists(fw2Path));
        QCOMPARE(QFileInfo(fw2Path).absolutePath(), QFileInfo(fx.dir.path()).absoluteFilePath());
        QVERIFY(QFileInfo(fw2Path).fileName().startsWith(
            "Main FW_AC_4.02 Input FW_AZ_2.17 Output FW_AZ_3.09 "));
        const QByteArray fw2 = readAll(fw2Path);
        const FirmwarePackage package(fw2);
        QCOMPARE(package.Count(), 3);
        QVERIFY(!package.Malformed());
        QCOMPARE(package.Item(1).Image, mainImage);
        QCOMPARE(package.Item(2).Image, inputImage);
        QCOMPARE(package.Item(3).Image, outputImage);
        QByteArray mainBlock(2, '\0');
        mainBlock[0] = 1;
        mainBlock += BoardEntryBytes(0, 1, nameBytes("MAIN")) +
                     BoardEntryBytes(InputType, Cards, nameBytes("INPUT")) +
                     BoardEntryBytes(OutputType, Cards, nameBytes("OUTPUT")) +
                     SpecialCodeEntryBytes(QByteArray("\x00\x01", 2));
        FixBoardInfoChecksum(mainBlock);
        QCOMPARE(package.Item(1).Block, mainBlock);
        QCOMPARE(package.Item(2).Block, BuildBoardInfo(rig.model(), *inputGroup->Child(0)).Block);
        checked("package builder wrote " + QFileInfo(fw2Path).fileName() +
                ": 3 items whose images decipher to the raw images; the main item's block lists "
                "MAIN, INPUT x4, OUTPUT x4");

        // 4. The package information page lists every item.
        FWInfoPage *info = fx.form->FWInfo;
        fx.form->pcContainer->setCurrentWidget(info);
        rig.fileAnswer = fw2Path;
        QTest::mouseClick(info->bbOpenFPF, Qt::LeftButton);
        const QStringList report = info->mmoInfoFPF->toPlainText().split('\n');
        QVERIFY(report.contains("Part Count: 3"));
        for (const char *line :
             {"Name: MAIN->Main MCU->MAIN", "Name: INPUT->Card MCU->Input FW",
              "Name: OUTPUT->Card MCU->Output FW", "Version: 4.02", "Version: 2.17",
              "Version: 3.09", "Special Code: 0003", "Quantity: 4", "Solution: 0B",
              "PCB Version From: A", "PCB Version To: Z", "Part: 3"})
            QVERIFY2(report.contains(QString::fromLatin1(line)), line);
        checked("package information page reports 3 parts with their names, versions, "
                "solutions and special codes");

        // 5. The Upgrade Firmware page sends the package to every board.
        UpgradePage *upgrade = fx.form->Upgrade;
        fx.form->pcContainer->setCurrentWidget(upgrade);
        QTest::mouseClick(upgrade->bbFWOpen, Qt::LeftButton);
        QVERIFY(upgrade->btnFWUpgrade->isEnabled());
        ClickIndicator(upgrade->cbBIOnly);
        QVERIFY(!upgrade->cbBIOnly->isChecked());
        QTest::mouseClick(upgrade->btnFWUpgrade, Qt::LeftButton);
        QCOMPARE(upgrade->LastOutcome(), PackageUpgrade::Outcome::Succeeded);
        fx.sim->withState([&](MatrixState &s) {
            QCOMPARE(s.unit.storedImage(0, 0), mainImage);
            QCOMPARE(s.unit.storedBlock(0, 0), mainBlock);
            for (int n = 0; n < Cards; ++n) {
                for (uint8_t type : {InputType, OutputType}) {
                    const StoredImage *image = s.unit.lastImage(type, n);
                    QVERIFY(image);
                    QCOMPARE(image->slot(), n + 1);
                    QCOMPARE(image->image, type == InputType ? inputImage : outputImage);
                    QCOMPARE(s.unit.storedBlock(type, n),
                             package.Item(type == InputType ? 2 : 3).Block);
                    const SimBoard *board = s.unit.board(type, n);
                    QCOMPARE(int(board->pcbSolution), type == InputType ? 0x0A : 0x0B);
                    QCOMPARE(int(board->pcbVersion), type == InputType ? int('B') : int('C'));
                }
            }
            QCOMPARE(int(s.unit.mainBoard()->pcbSolution), 0x2C);
        });
        checked("upgrade page: the main board and input/output cards 1..4 hold their raw images "
                "in their slots and the board information of the tree");

        // 6. The single-file page flashes input card 1 from the merged ".fw".
        int uploadsBefore = 0;
        int inputImagesBefore = 0;
        fx.sim->withState([&](MatrixState &s) {
            uploadsBefore = int(s.uploads.size());
            inputImagesBefore = int(s.unit.board(InputType, 0)->images.size());
        });
        FWUpgradePage *single = fx.form->FWUpgrade;
        fx.form->pcContainer->setCurrentWidget(single);
        rig.fileAnswer = fwPath;
        QTest::mouseClick(single->btnOpenFW, Qt::LeftButton);
        QVERIFY(single->cbInputMCU[8]->isChecked());
        ClickIndicator(single->cbInputMCU[8]);
        if (single->cbMainMCU->isChecked())
            ClickIndicator(single->cbMainMCU);
        if (single->cbOutputMCU[8]->isChecked())
            ClickIndicator(single->cbOutputMCU[8]);
        ClickIndicator(single->cbInputMCU[0]);
        QTest::mouseClick(single->btnUpgrade, Qt::LeftButton);
        QCOMPARE(single->LastOutcome(), FileUpgrade::Outcome::Succeeded);
        fx.sim->withState([&](MatrixState &s) {
            QCOMPARE(int(s.uploads.size()), uploadsBefore + 1);
            QCOMPARE(int(s.uploads.last().kind), int(InputType));
            QCOMPARE(int(s.uploads.last().slot), 1);
            const SimBoard *card = s.unit.board(InputType, 0);
            QCOMPARE(int(card->images.size()), inputImagesBefore + 1);
            QCOMPARE(card->images.last().image, inputImage);
            QCOMPARE(int(card->images.last().ver2()), 17);
            QCOMPARE(int(s.unit.board(InputType, 1)->images.size()), 1);
        });
        checked("single-file page flashed input card 1 (only) from the merged file with the raw "
                "input image");
    }
};

QTEST_MAIN(TestRoundTrip)
#include "tst_roundtrip.moc"
