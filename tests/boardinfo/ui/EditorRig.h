#pragma once
// The board-information editor page in the real window (service mode), with
// every prompt answered and recorded, and helpers that work its controls the
// way a user does: buttons clicked, texts typed, check boxes clicked on their
// indicators in the tree.

#include "../../shell/ShellFixture.h"
#include "boardinfo/ui/BoardInfoEditorPage.h"
#include "boardinfo/ui/TCTVData.h"
#include "widgets/TPageControl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QToolButton>

struct EditorRig {
    ShellFixture fx;
    QString fileAnswer; // what the file dialogs answer (empty: cancelled)

    BoardInfoEditorPage *page() const { return fx.form->PackageBuilder; }
    TCTVData *tree() const { return page()->CheckTreeview1; }
    BoardInfoTree &model() const { return tree()->Tree(); }

    void start() {
        fx.openWindow();
        fx.form->setServiceMode(true);
        fx.form->Prompts()->setResponder([this](const PromptService::Request &r) {
            PromptService::Answer a;
            if (r.kind == PromptService::Kind::Question)
                a.yes = fx.questionAnswer;
            if (r.kind == PromptService::Kind::OpenFile || r.kind == PromptService::Kind::SaveFile)
                a.fileName = fileAnswer;
            return a;
        });
        fx.form->pcContainer->setCurrentWidget(page());
        QTRY_VERIFY(page()->isVisible());
    }

    // Texts of the prompts of one kind shown since the last call, then forgotten.
    QStringList takePrompts(PromptService::Kind kind) {
        QStringList texts;
        for (const PromptService::Request &r : fx.prompts())
            if (r.kind == kind)
                texts << r.text;
        fx.prompts().clear();
        return texts;
    }
    QStringList takeErrors() { return takePrompts(PromptService::Kind::Error); }
    QStringList takeInformations() { return takePrompts(PromptService::Kind::Information); }

    static void type(QLineEdit *edit, const QString &text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }
    static void choose(QComboBox *box, const QString &text) {
        const int index = box->findText(text);
        QVERIFY2(index >= 0, qPrintable(text));
        box->setCurrentIndex(index);
    }
    void click(QAbstractButton *b) const { QTest::mouseClick(b, Qt::LeftButton); }
    void apply() const { click(page()->btnSetBI); }

    void select(BoardInfoTreeNode *node) const {
        QTreeWidgetItem *item = tree()->ItemOf(node);
        QVERIFY(item);
        tree()->scrollToItem(item);
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {},
                          tree()->visualItemRect(item).center());
        QCOMPARE(tree()->SelectedNode(), node);
    }

    // Clicks the node's check box where the style draws it.
    void clickCheck(BoardInfoTreeNode *node) const {
        QTreeWidgetItem *item = tree()->ItemOf(node);
        QVERIFY(item);
        QStyleOptionViewItem option;
        option.initFrom(tree()->viewport());
        option.rect = tree()->visualItemRect(item);
        option.features = QStyleOptionViewItem::HasCheckIndicator;
        const QRect box =
            tree()->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, tree());
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, box.center());
    }

    // A board below the selected one's level 0 (or the first), filled and applied.
    BoardInfoTreeNode *addBoard(const QString &name, const QString &pcbType,
                                const QString &quantity) {
        click(page()->bbAdd);
        BoardInfoTreeNode *node = tree()->SelectedNode();
        type(page()->edtBI_Name, name);
        choose(page()->cbBI_PCBType, pcbType);
        choose(page()->cbBI_Quantity, quantity);
        apply();
        return node;
    }
    BoardInfoTreeNode *addGroup(BoardInfoTreeNode *board, const QString &name,
                                const QString &mcuType) {
        select(board);
        click(page()->bbAddChild);
        BoardInfoTreeNode *node = tree()->SelectedNode();
        type(page()->edtBI_Name, name);
        choose(page()->cbBI_MCUType, mcuType);
        apply();
        return node;
    }
    struct ItemText {
        QString name, solution, version, from, to, specialCode, file, ver1, ver2;
        bool include = true;
        bool isDefault = true;
    };
    BoardInfoTreeNode *addItem(BoardInfoTreeNode *group, const ItemText &t) {
        select(group);
        click(page()->bbAddChild);
        BoardInfoTreeNode *node = tree()->SelectedNode();
        BoardInfoEditorPage *p = page();
        type(p->edtBI_Name, t.name);
        type(p->edtBI_Solution, t.solution);
        choose(p->cbBI_PCBVersion, t.version);
        choose(p->cbBI_PCBVerFrom, t.from);
        choose(p->cbBI_PCBVerTo, t.to);
        type(p->edtBI_SC, t.specialCode);
        type(p->edtBI_FWFileName, t.file);
        type(p->leBI_FWVer1, t.ver1);
        type(p->leBI_FWVer2, t.ver2);
        if (p->cbBI_IncludeBI->isChecked() != t.include)
            ClickIndicator(p->cbBI_IncludeBI);
        if (p->cbDefaultFW->isChecked() != t.isDefault)
            ClickIndicator(p->cbDefaultFW);
        apply();
        return node;
    }
};
