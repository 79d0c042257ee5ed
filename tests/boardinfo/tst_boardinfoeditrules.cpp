// The editor's rules without a window: typed versions and solutions becoming
// node values, and the check-box cascade over boards, groups and items.

#include "boardinfo/BoardInfoEditRules.h"
#include "boardinfo/BoardInfoTree.h"

#include <QtTest>

class tst_BoardInfoEditRules : public QObject {
    Q_OBJECT

private slots:
    void versions_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("empty") << "" << true << 255;
        QTest::newRow("zero") << "0" << true << 0;
        QTest::newRow("five") << "5" << true << 5;
        QTest::newRow("leading zeros") << "007" << true << 7;
        QTest::newRow("largest") << "255" << true << 255;
        QTest::newRow("one above a byte") << "256" << false << 255;
        QTest::newRow("would wrap to 44") << "300" << false << 255;
        QTest::newRow("letters") << "1a" << false << 255;
        QTest::newRow("negative") << "-1" << false << 255;
    }
    void versions() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        uint8_t v = 99;
        QCOMPARE(ParseEditorVersion(text, v), ok);
        QCOMPARE(int(v), value);
    }

    void solutions_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("empty") << "" << true << 255;
        QTest::newRow("two digits") << "2C" << true << 0x2C;
        QTest::newRow("lower case") << "0a" << true << 0x0A;
        QTest::newRow("one digit") << "F" << true << 0x0F;
        QTest::newRow("three digits") << "123" << false << 255;
        QTest::newRow("not hex") << "G1" << false << 255;
        QTest::newRow("separator") << ";" << false << 255;
    }
    void solutions() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        uint8_t v = 99;
        QCOMPARE(ParseSolutionText(text, v), ok);
        QCOMPARE(int(v), value);
    }

    void fieldTexts() {
        QCOMPARE(SolutionFieldText(0x0A), QStringLiteral("0A"));
        QCOMPARE(SolutionFieldText(255), QString());
        QCOMPARE(Ver1FieldText(4), QStringLiteral("4"));
        QCOMPARE(Ver2FieldText(5), QStringLiteral("05"));
        QCOMPARE(Ver2FieldText(117), QStringLiteral("117"));
        QCOMPARE(Ver2FieldText(255), QString());
    }

    void cascade() {
        BoardInfoTree tree;
        BoardInfoTreeNode *board = tree.AddTop();
        BoardInfoTreeNode *g1 = tree.AddChild(board);
        BoardInfoTreeNode *g2 = tree.AddChild(board);
        BoardInfoTreeNode *a = tree.AddChild(g1);
        BoardInfoTreeNode *b = tree.AddChild(g1);
        BoardInfoTreeNode *c = tree.AddChild(g2);

        g1->Checked = true;
        CascadeEditorCheck(g1);
        QVERIFY(a->Checked && b->Checked);
        QVERIFY(!c->Checked && !board->Checked);
        a->Checked = false;
        CascadeEditorCheck(a);
        QVERIFY(g1->Checked);
        b->Checked = false;
        CascadeEditorCheck(b);
        QVERIFY(!g1->Checked);
        c->Checked = true;
        CascadeEditorCheck(c);
        QVERIFY(g2->Checked && !g1->Checked && !board->Checked);
        board->Checked = true;
        CascadeEditorCheck(board);
        QVERIFY(!a->Checked && !b->Checked);
        g2->Checked = false;
        CascadeEditorCheck(g2);
        QVERIFY(!c->Checked);
        CascadeEditorCheck(nullptr);
    }
};

QTEST_GUILESS_MAIN(tst_BoardInfoEditRules)
#include "tst_boardinfoeditrules.moc"
