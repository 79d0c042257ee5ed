// The board-information editor in the real window: growing and pruning the
// tree, the fields enabled by level, Apply and every refusal it shows, the
// check-box cascade, the key filter, ".bif" save and open, and "&Merge".

#include "EditorRig.h"
#include "boardinfo/BoardInfoFile.h"
#include "firmware/FirmwarePackage.h"

#include <QDir>
#include <QScrollBar>

namespace {
bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
const QString OneMain = QStringLiteral("Only one main board is allowed in the list, please check.");
} // namespace

class TestBoardInfoEditor : public QObject {
    Q_OBJECT

private slots:
    void init() {
        LinkTiming::shrinkForTests();
        GeneralPage::PortListSource = [] { return QStringList(); };
    }

    void tabAndStartState() {
        ShellFixture fx;
        fx.openWindow();
        BoardInfoEditorPage *p = fx.form->PackageBuilder;
        QCOMPARE(fx.form->tsMGFW, static_cast<QWidget *>(p));
        const int index = fx.form->pcContainer->indexOf(p);
        QVERIFY(!fx.form->pcContainer->isTabVisible(index));
        QVERIFY(!p->isEnabled());
        fx.form->setServiceMode(true);
        QVERIFY(fx.form->pcContainer->isTabVisible(index));
        QVERIFY(p->isEnabled());
        // Both check boxes start checked; Overwrite waits for Include to be cleared.
        QVERIFY(p->cbBI_IncludeBI->isChecked() && !p->cbBI_IncludeBI->isEnabled());
        QVERIFY(p->cbBI_OverwriteSC->isChecked() && !p->cbBI_OverwriteSC->isEnabled());
        QCOMPARE(p->cbBI_PCBType->count(), 34);
        QCOMPARE(p->cbBI_PCBType->itemText(1), QStringLiteral("0"));
        QCOMPARE(p->cbBI_MCUType->itemText(32), QStringLiteral("32"));
        QCOMPARE(p->cbBI_PCBVersion->itemText(26), QStringLiteral("Z"));
        for (QWidget *w : p->findChildren<QWidget *>())
            if (w->focusPolicy() != Qt::NoFocus && !qobject_cast<QScrollBar *>(w) &&
                w->inherits("QAbstractButton"))
                QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
    }

    void growAndPrune() {
        EditorRig rig;
        rig.start();
        BoardInfoEditorPage *p = rig.page();
        rig.click(p->bbAddChild); // empty tree: nothing
        QVERIFY(rig.model().IsEmpty());
        rig.click(p->bbAdd);
        QCOMPARE(rig.model().Count(), 1);
        BoardInfoTreeNode *board = rig.tree()->SelectedNode();
        QCOMPARE(board->Data, BoardInfoNode());
        // A board: name, PCB type and quantity.
        QVERIFY(p->cbBI_PCBType->isEnabled() && p->cbBI_Quantity->isEnabled());
        QVERIFY(!p->cbBI_MCUType->isEnabled() && !p->edtBI_Solution->isEnabled());
        rig.click(p->bbAddChild);
        BoardInfoTreeNode *group = rig.tree()->SelectedNode();
        QCOMPARE(group->Parent(), board);
        QVERIFY(p->cbBI_MCUType->isEnabled() && !p->cbBI_PCBType->isEnabled());
        rig.click(p->bbAddChild);
        BoardInfoTreeNode *item = rig.tree()->SelectedNode();
        QCOMPARE(item->Level(), 2);
        QVERIFY(p->edtBI_Solution->isEnabled() && p->bbOpenFM->isEnabled() &&
                p->leBI_FWVer2->isEnabled() && !p->cbBI_Quantity->isEnabled());
        QVERIFY(!p->cbBI_IncludeBI->isChecked() && p->cbBI_OverwriteSC->isEnabled());
        ClickIndicator(p->cbBI_IncludeBI);
        QVERIFY(!p->cbBI_OverwriteSC->isEnabled());
        ClickIndicator(p->cbBI_IncludeBI);
        QVERIFY(p->cbBI_OverwriteSC->isEnabled());
        // "+S" on a firmware item does nothing.
        rig.click(p->bbAddChild);
        QCOMPARE(rig.model().Count(), 3);
        QCOMPARE(rig.tree()->SelectedNode(), item);
        // "+" adds a sibling at the end of the selected node's level.
        rig.click(p->bbAdd);
        QCOMPARE(group->ChildCount(), 2);
        QVERIFY(rig.tree()->ItemOf(group)->isExpanded());
        BoardInfoTreeNode *second = rig.tree()->SelectedNode();

        // Without a selection.
        rig.tree()->setCurrentItem(nullptr);
        rig.takeInformations();
        rig.click(p->bbAdd);
        rig.click(p->bbAddChild);
        QCOMPARE(rig.takeInformations(),
                 QStringList({"Please select an item before adding a new one.",
                              "Please select an item before adding a new sub item."}));
        QCOMPARE(rig.model().Count(), 4);

        // A node with children is not deleted; a leaf is, with its item.
        rig.select(board);
        rig.click(p->bbDelete);
        QCOMPARE(rig.takeInformations(),
                 QStringList{"Please select an item without any sub item before deleting it."});
        QCOMPARE(rig.model().Count(), 4);
        rig.select(second);
        rig.click(p->bbDelete);
        QCOMPARE(rig.model().Count(), 3);
        QCOMPARE(rig.tree()->topLevelItem(0)->child(0)->childCount(), 1);

        // "N": asked first.
        rig.fx.questionAnswer = false;
        rig.click(p->bbNew);
        QCOMPARE(rig.takePrompts(PromptService::Kind::Question),
                 QStringList{"Board Information in the list will be cleared, sure to continue?"});
        QCOMPARE(rig.fx.panel(2), QStringLiteral("Cancelled"));
        QCOMPARE(rig.model().Count(), 3);
        rig.fx.questionAnswer = true;
        rig.click(p->bbNew);
        QCOMPARE(rig.model().Count(), 1);
        QCOMPARE(rig.tree()->topLevelItemCount(), 1);
        QCOMPARE(rig.tree()->SelectedNode(), rig.model().Top(0));
    }

    void boardNames() {
        EditorRig rig;
        rig.start();
        rig.addBoard("Main", "0", "1");
        BoardInfoTreeNode *second = rig.addBoard("Second", "5", "4");
        QCOMPARE(second->Text, QStringLiteral("Second"));
        QCOMPARE(rig.tree()->ItemOf(second)->text(0), QStringLiteral("Second"));
        rig.takeErrors();
        EditorRig::type(rig.page()->edtBI_Name, "MAIN");
        rig.apply();
        QCOMPARE(rig.takeErrors(), QStringList{"Board name [MAIN] exists, please change."});
        QCOMPARE(second->Data.NameText(), QStringLiteral("Second"));
        QCOMPARE(rig.page()->edtBI_Name->text(), QStringLiteral("Second"));
        // The other fields are stored all the same.
        QCOMPARE(int(second->Data.PCBType), 5);
        // An empty name leaves the node without one.
        EditorRig::type(rig.page()->edtBI_Name, "");
        rig.apply();
        QCOMPARE(rig.takeErrors(), QStringList{"Please input Name."});
        QVERIFY(second->Data.Name.isEmpty());
        QVERIFY(rig.tree()->ItemOf(second)->text(0).isEmpty());
        // Two boards without a name: the name is asked for, not called taken.
        rig.click(rig.page()->bbAdd);
        rig.apply();
        QCOMPARE(rig.takeErrors(), QStringList{"Please input Name."});
        rig.select(second);
        // Names are cut at 31 characters by the edit.
        EditorRig::type(rig.page()->edtBI_Name, QString(40, 'x'));
        rig.apply();
        QCOMPARE(second->Data.Name.size(), 32);
    }

    void secondMainBoard() {
        EditorRig rig;
        rig.start();
        rig.addBoard("Main", "0", "1");
        rig.takeInformations();
        BoardInfoTreeNode *other = rig.addBoard("Other", "0", "2");
        QCOMPARE(rig.takeInformations(), QStringList{OneMain});
        QCOMPARE(int(other->Data.PCBType), 0);
        QCOMPARE(int(other->Data.Quantity), 2);
        QCOMPARE(rig.page()->cbBI_PCBType->currentText(), QStringLiteral("0"));
        // "Select" stores 255 again.
        EditorRig::choose(rig.page()->cbBI_PCBType, "Select");
        rig.apply();
        QCOMPARE(int(other->Data.PCBType), int(PCBTypeNotSelected));
        QVERIFY(rig.takeInformations().isEmpty());
    }

    void itemFields() {
        EditorRig rig;
        rig.start();
        BoardInfoTreeNode *board = rig.addBoard("INPUT", "5", "8");
        BoardInfoTreeNode *group = rig.addGroup(board, "Card MCU", "7");
        QCOMPARE(int(group->Data.MCUType), 7);
        QCOMPARE(rig.page()->cbBI_PCBType->currentText(), QStringLiteral("5")); // its board's
        rig.takeErrors();
        // Lower-case letters are upper-cased, other keys dropped.
        BoardInfoTreeNode *item =
            rig.addItem(group, {"Input FW", "2c", "B", "A", "Z", "12ab;0g0z03", "/tmp/in.bin", "1",
                                "5", false, true});
        QVERIFY(rig.takeErrors().isEmpty());
        BoardInfoEditorPage *p = rig.page();
        const BoardInfoNode &d = item->Data;
        QCOMPARE(int(d.Solution), 0x2C);
        QCOMPARE(p->edtBI_Solution->text(), QStringLiteral("2C"));
        QCOMPARE(d.SpecialCode, QByteArray("\x12\xAB\x00\x03", 4));
        QCOMPARE(p->edtBI_SC->text(), QStringLiteral("12AB;0003"));
        QCOMPARE(int(d.PCBVersion), int('B'));
        QCOMPARE(int(d.PCBVersionFrom), int('A'));
        QCOMPARE(int(d.PCBVersionTo), int('Z'));
        QCOMPARE(int(d.Ver1), 1);
        QCOMPARE(int(d.Ver2), 5);
        QCOMPARE(p->leBI_FWVer2->text(), QStringLiteral("05"));
        QCOMPARE(int(d.IncludeBoardInfo), 0);
        QCOMPARE(int(d.DefaultFirmware), 1);
        QCOMPARE(d.FirmwareFile, QStringLiteral("/tmp/in.bin"));
        // Disabled fields hold their reset values.
        QCOMPARE(int(d.MCUType), 7);
        QCOMPARE(int(d.PCBType), 5);

        // A special code part of two digits is refused; nothing is kept.
        EditorRig::type(p->edtBI_SC, "12;3456");
        rig.apply();
        QCOMPARE(rig.takeErrors(), QStringList{"Board information [Special Code] value error."});
        QVERIFY(d.SpecialCode.isEmpty());
        QVERIFY(p->edtBI_SC->text().isEmpty());
        // A code longer than its one-byte entry length can hold is refused too.
        QStringList parts(127, QStringLiteral("ABCD"));
        EditorRig::type(p->edtBI_SC, parts.join(';'));
        rig.apply();
        QCOMPARE(rig.takeErrors(), QStringList{"Board information [Special Code] value error."});
        QVERIFY(d.SpecialCode.isEmpty());
        parts.removeLast();
        EditorRig::type(p->edtBI_SC, parts.join(';'));
        rig.apply();
        QVERIFY(rig.takeErrors().isEmpty());
        QCOMPARE(d.SpecialCode.size(), 252);

        // Versions above a byte are refused, not wrapped.
        EditorRig::type(p->leBI_FWVer1, "300");
        EditorRig::type(p->leBI_FWVer2, "x");
        rig.apply();
        QCOMPARE(rig.takeErrors(),
                 QStringList({"FW version [Ver1] value error.", "FW version [Ver2] value error."}));
        QCOMPARE(int(d.Ver1), 255);
        QCOMPARE(int(d.Ver2), 255);
        QVERIFY(p->leBI_FWVer1->text().isEmpty());
        EditorRig::type(p->leBI_FWVer1, "255");
        EditorRig::type(p->leBI_FWVer2, "0");
        rig.apply();
        QVERIFY(rig.takeErrors().isEmpty());
        QCOMPARE(int(d.Ver1), 255);
        QCOMPARE(int(d.Ver2), 0);
        QCOMPARE(p->leBI_FWVer2->text(), QStringLiteral("00"));
        // Solution: empty stores 255.
        EditorRig::type(p->edtBI_Solution, "");
        rig.apply();
        QCOMPARE(int(d.Solution), 255);
    }

    void checkCascade() {
        EditorRig rig;
        rig.start();
        BoardInfoTreeNode *board = rig.addBoard("INPUT", "5", "8");
        BoardInfoTreeNode *group = rig.addGroup(board, "Card MCU", "7");
        BoardInfoTreeNode *a = rig.addItem(group, {"A", "01", "A", "A", "B", "", "", "", ""});
        BoardInfoTreeNode *b = rig.addItem(group, {"B", "01", "A", "A", "B", "", "", "", ""});
        QVERIFY(!group->Checked && !a->Checked && !b->Checked);
        rig.clickCheck(group);
        QVERIFY(group->Checked && a->Checked && b->Checked);
        QCOMPARE(rig.tree()->ItemOf(b)->checkState(0), Qt::Checked);
        QCOMPARE(rig.tree()->SelectedNode(), group);
        QVERIFY(!board->Checked);
        rig.clickCheck(a);
        QVERIFY(!a->Checked && group->Checked);
        QCOMPARE(rig.tree()->SelectedNode(), a);
        rig.clickCheck(b);
        QVERIFY(!b->Checked && !group->Checked);
        QCOMPARE(rig.tree()->ItemOf(group)->checkState(0), Qt::Unchecked);
        rig.clickCheck(b);
        QVERIFY(b->Checked && group->Checked);
        // A board passes nothing on.
        rig.clickCheck(board);
        QVERIFY(board->Checked && !a->Checked);
        // The space key changes nothing.
        rig.select(a);
        QTest::keyClick(rig.tree(), Qt::Key_Space);
        QVERIFY(!a->Checked);
        QCOMPARE(rig.tree()->ItemOf(a)->checkState(0), Qt::Unchecked);
    }

    void boardInfoFileRoundTrip() {
        EditorRig rig;
        rig.start();
        BoardInfoTreeNode *main = rig.addBoard("MAIN", "0", "1");
        BoardInfoTreeNode *group = rig.addGroup(main, "Main MCU", "3");
        rig.addItem(group, {"Main FW", "2C", "B", "A", "C", "0001", "/tmp/main.bin", "4", "2"});
        BoardInfoTreeNode *spare =
            rig.addItem(group, {"Spare", "FF", "C", "C", "D", "", "", "", ""});
        rig.clickCheck(spare);
        rig.select(main);
        BoardInfoTreeNode *input = rig.addBoard("INPUT", "5", "4");
        rig.addItem(rig.addGroup(input, "Card MCU", "7"),
                    {"Input FW", "0A", "A", "A", "Z", "12AB;0003", "/tmp/in.bin", "2", "17"});
        rig.clickCheck(input);
        const QByteArray image = BoardInfoFileBytes(rig.model());
        QCOMPARE(rig.model().Count(), 7);

        // "S": the extension is added; an existing file is asked about.
        rig.fileAnswer = rig.fx.dir.filePath("unit");
        rig.click(rig.page()->bbSaveBI);
        QCOMPARE(rig.fx.panel(2), QStringLiteral("Saved Okay"));
        const QString path = rig.fx.dir.filePath("unit.bif");
        QVERIFY(QFileInfo::exists(path));
        rig.fx.prompts().clear();
        rig.fx.questionAnswer = false;
        rig.page()->mnuSaveBI->trigger();
        QCOMPARE(rig.takePrompts(PromptService::Kind::Question),
                 QStringList{"Board Information File: [" + path + "] exists, overwrite it?"});
        QCOMPARE(rig.fx.panel(2), QStringLiteral("Save cancelled"));
        rig.fileAnswer.clear();
        rig.click(rig.page()->bbSaveBI);
        QCOMPARE(rig.fx.panel(2), QStringLiteral("Save cancelled"));

        // "O": cancelled, a missing file, No to clearing, then Yes.
        rig.click(rig.page()->bbOpenBI);
        QCOMPARE(rig.fx.panel(2), QStringLiteral("Open cancelled"));
        rig.fileAnswer = rig.fx.dir.filePath("none.bif");
        rig.click(rig.page()->bbOpenBI);
        QCOMPARE(rig.fx.panel(2), QStringLiteral("File does not exist"));
        rig.fileAnswer = path;
        rig.click(rig.page()->bbOpenBI);
        QCOMPARE(rig.fx.panel(2), QStringLiteral("Open cancelled"));
        QCOMPARE(rig.model().Count(), 7);
        rig.fx.questionAnswer = true;
        rig.click(rig.page()->bbNew);
        QCOMPARE(rig.model().Count(), 1);
        rig.page()->mnuOpenBI->trigger();
        QCOMPARE(rig.fx.panel(2), QStringLiteral("Open Okay"));
        QCOMPARE(BoardInfoFileBytes(rig.model()), image);
        QCOMPARE(rig.tree()->topLevelItemCount(), 2);
        QCOMPARE(rig.tree()->topLevelItem(1)->child(0)->child(0)->text(0),
                 QStringLiteral("Input FW"));
        QCOMPARE(rig.tree()->topLevelItem(0)->child(0)->child(1)->checkState(0), Qt::Checked);
        QCOMPARE(rig.tree()->SelectedNode(), rig.model().Top(0));
        QCOMPARE(rig.page()->edtBI_Name->text(), QStringLiteral("MAIN"));
    }

    void mergeFromThePage() {
        EditorRig rig;
        rig.start();
        const QString bin = rig.fx.dir.filePath("main.bin");
        QVERIFY(writeFile(bin, QByteArray(100, 'm')));
        BoardInfoTreeNode *main = rig.addBoard("MAIN", "0", "1");
        BoardInfoTreeNode *item = rig.addItem(
            rig.addGroup(main, "Main MCU", "3"),
            {"Main FW", "2C", "B", "A", "C", "0001", rig.fx.dir.filePath("missing.bin"), "4", "2"});
        rig.takeInformations();
        rig.click(rig.page()->btnMerge2);
        QCOMPARE(rig.takeInformations(), QStringList{"No item selected."});
        rig.clickCheck(main);
        rig.clickCheck(item);
        rig.select(main);
        rig.click(rig.page()->btnMerge2);
        QCOMPARE(rig.takeInformations(), QStringList{"Item [MAIN -> Main MCU -> Main FW] FW file "
                                                     "does not exist, please check."});
        QCOMPARE(rig.tree()->SelectedNode(), item);
        QVERIFY(rig.page()->edtBI_FWFileName->hasFocus());
        EditorRig::type(rig.page()->edtBI_FWFileName, bin);
        rig.apply();
        rig.click(rig.page()->btnMerge2);
        QVERIFY(rig.takeInformations().isEmpty());
        const QString path = rig.page()->LastPackagePath();
        QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(rig.fx.dir.path()).absoluteFilePath());
        QVERIFY(QFileInfo(path).fileName().startsWith("Main FW_AC_4.02 "));
        QVERIFY(path.endsWith(".fw2"));
        const QStringList memo = rig.page()->mmoMessage2->toPlainText().split('\n');
        QCOMPARE(memo, QStringList({"Firmware part: [Main FW_AC_4.02] merged",
                                    "Firmware saved to:", path}));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const FirmwarePackage package(f.readAll());
        QCOMPARE(package.Count(), 1);
        QCOMPARE(package.Item(1).Image, QByteArray(100, 'm'));

        // Again: the overwrite question; No keeps the old file.
        rig.click(rig.page()->btnClearMsg2);
        rig.fx.questionAnswer = false;
        rig.click(rig.page()->btnMerge2);
        QCOMPARE(rig.takePrompts(PromptService::Kind::Question),
                 QStringList{"File\r\n" + path + "\r\nexists, overwrite it?"});
        QCOMPARE(rig.page()->mmoMessage2->toPlainText().split('\n').last(),
                 QStringLiteral("Firmware saving cancelled"));
    }
};

QTEST_MAIN(TestBoardInfoEditor)
#include "tst_boardinfoeditor.moc"
