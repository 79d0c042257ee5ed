// The control pages of the source, IR/RS-232 and view pages in the window (service mode),
// against the in-process simulator: controls are chosen, clicked and typed
// into as a user does; the frames sent and the simulator's state are checked.

#include "ControlFixture.h"

#include "control/ui/AdvancedPage.h"
#include "control/ui/IRRS232Page.h"
#include "control/ui/InOutSettingPage.h"
#include "control/ui/MultiViewPage.h"
#include "control/ui/PortTagPage.h"
#include "control/ui/VideoWallPage.h"
#include "widgets/TLedNumber.h"
#include "widgets/TSpinEdit.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

using Row = IrRs232Routing::Row;

class TestControlPages : public QObject {
    Q_OBJECT

    static QByteArray lastFrame(ControlFixture &fx, uint8_t code, uint8_t sub) {
        const QList<QByteArray> f = fx.frames(code, sub);
        return f.isEmpty() ? QByteArray() : f.last();
    }
    static uint16_t p(const QByteArray &f, int n) { return ShellFixture::param(f, n); }

private slots:
    // ---- Sources and power ----------------------------------------------------------

    void inOutSettingsReadAndSet() {
        ControlFixture fx;
        fx.open();
        fx.change([](MatrixState &s) {
            s.inputAuto[0] = true;
            s.inputSource[0] = 2;  // HDBT
            s.inputSource[1] = 65; // a type value: the priority combo keeps its item
            s.inputAudio[2] = 2;
            s.inputAudio[3] = 9; // out of range: left as it is
            s.outputAudio[3] = 25;
            s.outputAudio[5] = 30; // unknown code: nothing changes
            s.audioDelay[4] = 3;
            s.audioDelay[5] = 20; // out of range
        });
        InOutSettingPage *page = fx.form->InOutSetting;
        fx.sim->clearFrameLog();
        fx.showPage(page);
        QCOMPARE(fx.frames(0x07, 2).size(), 8);
        QCOMPARE(fx.frames(0x06, 6).size(), 8);
        QCOMPARE(fx.frames(0x06, 2).size(), 8);
        QCOMPARE(fx.frames(0x06, 4).size(), 8);
        QVERIFY(page->VideoAuto(1)->isChecked());
        QCOMPARE(page->VideoSource(1)->currentText(), QStringLiteral("HDBT"));
        QCOMPARE(page->VideoSource(2)->currentText(), QStringLiteral("HDMI"));
        QCOMPARE(page->InputAudio(3)->currentIndex(), 1);
        QCOMPARE(page->InputAudio(4)->currentIndex(), 0);
        QCOMPARE(page->OutputAudio(4)->currentText(),
                 QStringLiteral("Analog L/R In follow Output-Input selection"));
        QVERIFY(!page->AudioIndex(4)->isEnabled());
        QCOMPARE(page->OutputAudio(6)->currentIndex(), 1); // form default kept
        QVERIFY(page->AudioIndex(6)->isEnabled());
        QCOMPARE(page->AudioDelay(5)->currentText(), QStringLiteral("150ms"));
        QCOMPARE(page->AudioDelay(6)->currentIndex(), 0);
        QCOMPARE(page->AudioDelay(1)->count(), 11);

        // "ARC" with port "3" sends P2 = 19.
        fx.sim->clearFrameLog();
        ControlFixture::choose(page->AudioIndex(2), 2);
        ControlFixture::choose(page->OutputAudio(2), 2);
        QByteArray f = lastFrame(fx, 0x06, 1);
        QCOMPARE(p(f, 1), uint16_t(2));
        QCOMPARE(p(f, 2), uint16_t(19));
        QCOMPARE(fx.state().outputAudio[1], uint16_t(19));
        QCOMPARE(fx.sequence().last(), qMakePair(0x06, 2)); // read back
        QCOMPARE(page->AudioIndex(2)->currentIndex(), 2);
        // A read-back of 25 selects "Analog L/R In follow ..." and disables the port.
        fx.change([](MatrixState &s) { s.outputAudio[1] = 25; });
        fx.showGeneral();
        fx.showPage(page);
        QCOMPARE(page->OutputAudio(2)->currentIndex(), 3);
        QVERIFY(!page->AudioIndex(2)->isEnabled());
        // Choosing "Extracted follow ..." sends 26 and keeps the port disabled.
        ControlFixture::choose(page->OutputAudio(2), 4);
        QCOMPARE(fx.state().outputAudio[1], uint16_t(26));
        QVERIFY(!page->AudioIndex(2)->isEnabled());

        // Video source, Auto (no read-back after Auto), input audio, delay.
        fx.sim->clearFrameLog();
        ControlFixture::choose(page->VideoSource(3), 0); // HDBT
        f = lastFrame(fx, 0x07, 1);
        QCOMPARE(p(f, 1), uint16_t(3));
        QCOMPARE(p(f, 2), uint16_t(1));
        QCOMPARE(p(f, 3), uint16_t(2));
        QCOMPARE(fx.sequence().last(), qMakePair(0x07, 2));
        fx.sim->clearFrameLog();
        ClickIndicator(page->VideoAuto(3));
        QCOMPARE(fx.sequence(), (QList<QPair<int, int>>{{0x07, 1}}));
        QVERIFY(fx.state().inputAuto[2]);
        QCOMPARE(fx.state().inputSource[2], uint16_t(2));
        ControlFixture::choose(page->InputAudio(5), 2);
        QCOMPARE(fx.state().inputAudio[4], uint8_t(3));
        ControlFixture::choose(page->AudioDelay(7), 10);
        QCOMPARE(fx.state().audioDelay[6], uint8_t(10));
        QCOMPARE(page->AudioDelay(7)->currentText(), QStringLiteral("500ms"));
    }

    void inputTypeOnPortTagPage() {
        ControlFixture fx;
        fx.open();
        PortTagPage *page = fx.form->PortTags;
        QVERIFY(page->gbInputSourceType->isVisibleTo(page)); // service mode
        fx.change([](MatrixState &s) {
            s.inputSource[3] = 70;
            s.inputSource[4] = 81;
        });
        fx.sim->clearFrameLog();
        fx.showPage(page);
        QCOMPARE(fx.frames(0x07, 2).size(), 8);
        QVERIFY(page->TypeRadio(4, true)->isChecked());
        QCOMPARE(fx.form->General->DeviceStatus->TypeLabel(4)->text(), QStringLiteral("VGA"));
        QVERIFY(!page->TypeRadio(5, true)->isChecked()); // 81: nothing changes
        QVERIFY(!page->TypeRadio(5, false)->isChecked());

        // VGA on input 2.
        fx.sim->clearFrameLog();
        ClickIndicator(page->TypeRadio(2, true));
        QCOMPARE(fx.sequence(), (QList<QPair<int, int>>{{0x07, 1}})); // no read-back
        const QByteArray f = lastFrame(fx, 0x07, 1);
        QCOMPARE(p(f, 1), uint16_t(2));
        QCOMPARE(p(f, 2), uint16_t(1));
        QCOMPARE(p(f, 3), uint16_t(65));
        QCOMPARE(fx.state().inputSource[1], uint16_t(65));
        QVERIFY(page->TypeRadio(2, true)->isEnabled());
        QVERIFY(page->TypeRadio(2, true)->hasFocus());
        fx.showGeneral();
        fx.showPage(page);
        QCOMPARE(fx.form->General->DeviceStatus->TypeLabel(2)->text(), QStringLiteral("VGA"));
    }

    void pohOnAdvancedPage() {
        ControlFixture fx;
        fx.open();
        AdvancedPage *page = fx.form->Advanced;
        fx.change([](MatrixState &s) { s.pohReceivers = 0x81; });
        fx.showPage(page);
        QCOMPARE(page->POHCombo(true, 1)->currentText(), QStringLiteral("On"));
        QCOMPARE(page->POHCombo(true, 8)->currentText(), QStringLiteral("On"));
        QCOMPARE(page->POHCombo(true, 2)->currentText(), QStringLiteral("Off"));
        // Transmitter 3 on, all others off: P2 = 0x0804.
        fx.sim->clearFrameLog();
        ControlFixture::choose(page->POHCombo(false, 3), 1);
        const QByteArray f = lastFrame(fx, 0x10, 3);
        QCOMPARE(p(f, 2), uint16_t(0x0804));
        QCOMPARE(p(f, 3), uint16_t(0));
        QCOMPARE(fx.sequence().last(), qMakePair(0x10, 4));
        QCOMPARE(fx.state().pohTransmitters, uint8_t(0x04));
        // A refused command sets the combo back.
        fx.change([](MatrixState &s) { s.refusedCommands = {MatrixState::commandKey(0x10, 3)}; });
        ControlFixture::choose(page->POHCombo(false, 5), 1);
        QCOMPARE(page->POHCombo(false, 5)->currentText(), QStringLiteral("Off"));
        ControlFixture::choose(page->POHCombo(false, 3), 0);
        QCOMPARE(page->POHCombo(false, 3)->currentText(), QStringLiteral("On"));
        QCOMPARE(fx.state().pohTransmitters, uint8_t(0x04));
    }

    // ---- IR and RS-232 -------------------------------------------------------------

    void irAndRs232() {
        ControlFixture fx;
        fx.open();
        IRRS232Page *page = fx.form->IRRS232;
        fx.change([](MatrixState &s) {
            s.remoteRxIr[1] = 5;
            s.remoteRxIr[2] = 12; // out of range: left
            s.irOut.remoteRx = 0xFF;
            s.irOut.local = 0x03;
            s.irLoop = true;
            s.rs232Route[0] = 1;
            s.rs232Route[8] = 40; // out of range: left
        });
        fx.showPage(page);
        QCOMPARE(page->RemoteRx(2)->currentText(), QStringLiteral("Local IR In 5"));
        QCOMPARE(page->RemoteRx(3)->currentIndex(), 2); // form default
        QVERIFY(page->Box(true, Row::RemoteRx, 9)->isChecked());
        QVERIFY(page->Box(true, Row::Local, 2)->isChecked());
        QVERIFY(!page->Box(true, Row::Local, 3)->isChecked());
        QVERIFY(!page->Box(true, Row::Local, 9)->isChecked());
        QVERIFY(page->cbAllIRInAllIROutLoop->isChecked());
        QCOMPARE(page->Rs232(1)->currentText(), QStringLiteral("Remote HDBT Transmitter 1"));
        QCOMPARE(page->Rs232(2)->currentText(), QStringLiteral("Remote HDBT Receiver 2"));
        QCOMPARE(page->cbRS232RouteGlobal->currentIndex(), 0);

        // Boxes 1 and 3 of the remote TX row of IR in: P3 = 0x0500.
        ClickIndicator(page->Box(false, Row::RemoteTx, 1));
        ClickIndicator(page->Box(false, Row::RemoteTx, 3));
        QByteArray f = lastFrame(fx, 0x04, 7);
        QCOMPARE(p(f, 3), uint16_t(0x0500));
        QCOMPARE(fx.state().irIn.remoteTx, uint8_t(0x05));

        // "All" on the local row, then cleared: the earlier pattern comes back.
        ClickIndicator(page->Box(false, Row::Local, 2));
        ClickIndicator(page->Box(false, Row::Local, 5));
        ClickIndicator(page->Box(false, Row::Local, 9));
        QCOMPARE(fx.state().irIn.local, uint8_t(0xFF));
        for (int k = 1; k <= 8; ++k)
            QVERIFY(page->Box(false, Row::Local, k)->isChecked());
        ClickIndicator(page->Box(false, Row::Local, 9));
        QCOMPARE(fx.state().irIn.local, uint8_t(0x12));
        QVERIFY(page->Box(false, Row::Local, 2)->isChecked());
        QVERIFY(!page->Box(false, Row::Local, 3)->isChecked());
        // One saved row for all six "All" boxes: another row in between replaces it.
        ClickIndicator(page->Box(false, Row::Local, 9));   // saves 0x12
        ClickIndicator(page->Box(true, Row::RemoteTx, 9)); // saves IR-out TX row (0)
        ClickIndicator(page->Box(false, Row::Local, 9));   // restores 0, not 0x12
        QCOMPARE(fx.state().irIn.local, uint8_t(0));
        QCOMPARE(fx.state().irOut.remoteTx, uint8_t(0xFF));
        // A numbered box that completes a row checks its "All".
        for (int k = 1; k <= 8; ++k)
            if (!page->Box(false, Row::RemoteRx, k)->isChecked())
                ClickIndicator(page->Box(false, Row::RemoteRx, k));
        QVERIFY(page->Box(false, Row::RemoteRx, 9)->isChecked());
        // Loop sends the IR-out command with P4.
        ClickIndicator(page->cbAllIRInAllIROutLoop);
        f = lastFrame(fx, 0x04, 9);
        QCOMPARE(p(f, 4), uint16_t(0));
        QVERIFY(!fx.state().irLoop);

        // Receiver IR output, then read back.
        ControlFixture::choose(page->RemoteRx(4), 6);
        QCOMPARE(p(lastFrame(fx, 0x04, 5), 2), uint16_t(7));
        QCOMPARE(fx.state().remoteRxIr[3], uint8_t(7));
        QCOMPARE(fx.sequence().last(), qMakePair(0x04, 6));

        // "Remote HDBT Receiver 2" for the global route: P1 = 9, P2 = 10.
        fx.sim->clearFrameLog();
        ControlFixture::choose(page->cbRS232RouteGlobal, 10);
        f = fx.frames(0x05, 1).first();
        QCOMPARE(p(f, 1), uint16_t(9));
        QCOMPARE(p(f, 2), uint16_t(10));
        QCOMPARE(fx.sequence().last(), qMakePair(0x05, 2));
        QCOMPARE(fx.state().rs232Route[8], uint8_t(10));
        QCOMPARE(page->cbRS232RouteGlobal->currentText(), QStringLiteral("Remote HDBT Receiver 2"));
        ControlFixture::choose(page->Rs232(3), 0);
        QCOMPARE(fx.state().rs232Route[2], uint8_t(0));
    }

    // ---- Views --------------------------------------------------------------------

    void multiView() {
        ControlFixture fx;
        fx.open();
        MultiViewPage *page = fx.form->MultiView;
        fx.change([](MatrixState &s) {
            s.mvMainPicture = 3;
            s.mvAudioSource = 0;
            s.mvLayout = 2;
        });
        fx.showPage(page);
        QVERIFY(page->LayoutButton(3)->isChecked());
        QVERIFY(page->MainButton(3)->isChecked());
        QCOMPARE(page->ledMVMainPicture->text(), QStringLiteral("3"));
        QCOMPARE(page->ledMVAudioSource->text(), QStringLiteral("A"));
        QVERIFY(page->AudioButton(0)->isChecked());

        // In matrix mode, main picture 2: sub-code 1 (P1 1, P2 the down layout) then 7.
        fx.sim->clearFrameLog();
        QTest::mouseClick(page->MainButton(2), Qt::LeftButton);
        QCOMPARE(fx.sequence(), (QList<QPair<int, int>>{{0x60, 2}, {0x60, 1}, {0x60, 7}}));
        QByteArray f = fx.frames(0x60, 1).first();
        QCOMPARE(p(f, 1), uint16_t(1));
        QCOMPARE(p(f, 2), uint16_t(2));
        QCOMPARE(p(fx.frames(0x60, 7).first(), 1), uint16_t(2));
        QCOMPARE(fx.state().workMode, uint16_t(1));
        QCOMPARE(fx.state().mvMainPicture, uint16_t(2));
        // Already in multi-view: no set-layout.
        fx.sim->clearFrameLog();
        QTest::mouseClick(page->MainButton(1), Qt::LeftButton);
        QCOMPARE(fx.sequence(), (QList<QPair<int, int>>{{0x60, 2}, {0x60, 7}}));
        // Previous on 1 gives 4; next on audio 4 gives 1; "A" steps from the main picture.
        QTest::mouseClick(page->sbMVMainPictureSourcePre, Qt::LeftButton);
        QCOMPARE(fx.state().mvMainPicture, uint16_t(4));
        QCOMPARE(page->ledMVMainPicture->text(), QStringLiteral("4"));
        QTest::mouseClick(page->sbMVAudioSourceNxt, Qt::LeftButton); // from "A": main 4 -> 1
        QCOMPARE(fx.state().mvAudioSource, uint16_t(1));
        QTest::mouseClick(page->AudioButton(4), Qt::LeftButton);
        QTest::mouseClick(page->sbMVAudioSourceNxt, Qt::LeftButton);
        QCOMPARE(fx.state().mvAudioSource, uint16_t(1));
        QCOMPARE(page->ledMVAudioSource->text(), QStringLiteral("1"));
        QTest::mouseClick(page->AudioButton(0), Qt::LeftButton);
        QCOMPARE(fx.state().mvAudioSource, uint16_t(0));
        QCOMPARE(page->ledMVAudioSource->text(), QStringLiteral("A"));

        // Layout 2 and back, surviving a page change.
        QTest::mouseClick(page->LayoutButton(2), Qt::LeftButton);
        QCOMPARE(fx.state().mvLayout, uint16_t(1));
        QCOMPARE(page->RememberedLayout(), 2);
        fx.showGeneral();
        fx.showPage(page);
        QVERIFY(page->LayoutButton(2)->isChecked());
        QTest::mouseClick(page->LayoutButton(1), Qt::LeftButton);
        QCOMPARE(fx.state().mvLayout, uint16_t(0));
        // A refused layout presses the remembered one again.
        fx.change([](MatrixState &s) { s.refusedCommands = {MatrixState::commandKey(0x60, 1)}; });
        QTest::mouseClick(page->LayoutButton(4), Qt::LeftButton);
        QVERIFY(page->LayoutButton(1)->isChecked());
        // A refused main picture restores the button and display.
        fx.change([](MatrixState &s) { s.refusedCommands = {MatrixState::commandKey(0x60, 7)}; });
        QTest::mouseClick(page->MainButton(3), Qt::LeftButton);
        QVERIFY(page->MainButton(4)->isChecked());
        QCOMPARE(page->ledMVMainPicture->text(), QStringLiteral("4"));

        // Mended: values out of range are not applied; stepping from them wraps.
        fx.change([](MatrixState &s) {
            s.refusedCommands.clear();
            s.mvLayout = 7;
            s.mvMainPicture = 0;
            s.mvAudioSource = 9;
        });
        fx.showGeneral();
        fx.showPage(page);
        QVERIFY(page->LayoutButton(1)->isChecked());
        QCOMPARE(page->ledMVMainPicture->text(), QStringLiteral("4"));
        QCOMPARE(page->ledMVAudioSource->text(), QStringLiteral("A"));
        page->ledMVMainPicture->setText(QStringLiteral("0"));
        QTest::mouseClick(page->sbMVMainPictureSourcePre, Qt::LeftButton);
        QCOMPARE(fx.state().mvMainPicture, uint16_t(4));
        page->ledMVMainPicture->setText(QStringLiteral("6"));
        QTest::mouseClick(page->sbMVMainPictureSourceNxt, Qt::LeftButton);
        QCOMPARE(fx.state().mvMainPicture, uint16_t(1));
    }

    void videoWall() {
        ControlFixture fx;
        fx.open();
        VideoWallPage *page = fx.form->VideoWall;
        fx.change([](MatrixState &s) {
            s.wallLayout = 1;
            s.wallSource = 3;
            s.borders[1] = {10, 20, 30, 40};
            s.borders[2] = {150, 5, 0, 0}; // 150: that field is left as it is
        });
        fx.sim->clearFrameLog();
        fx.showPage(page);
        QCOMPARE(fx.frames(0x60, 10).size(), 4); // outputs 1 to 4 have controls
        QVERIFY(page->LayoutButton(2)->isChecked());
        QVERIFY(page->SourceButton(3)->isChecked());
        QCOMPARE(page->ledVWSource->text(), QStringLiteral("3"));
        // Border read 0x0A14: left 10, right 20.
        QCOMPARE(page->Border(2, 0)->text(), QStringLiteral("10"));
        QCOMPARE(page->Border(2, 1)->text(), QStringLiteral("20"));
        QCOMPARE(page->Border(2, 3)->text(), QStringLiteral("40"));
        QCOMPARE(page->Border(3, 0)->text(), QStringLiteral("0"));
        QCOMPARE(page->Border(3, 1)->text(), QStringLiteral("5"));
        QVERIFY(fx.frames(0x60, 9).isEmpty()); // the read sends no border

        // Typing 150: 1 and 15 are sent, 150 is not; on release 100 is sent.
        QLineEdit *left1 = page->Border(1, 0)->lineEdit();
        left1->setFocus();
        left1->selectAll();
        fx.sim->clearFrameLog();
        QTest::keyClicks(left1, QStringLiteral("150"));
        QList<int> sent;
        for (const QByteArray &f : fx.frames(0x60, 9)) {
            QCOMPARE(p(f, 1), uint16_t(1));
            QCOMPARE(p(f, 2), uint16_t(0));
            sent << p(f, 3);
        }
        QCOMPARE(sent, (QList<int>{1, 15, 100}));
        QCOMPARE(left1->text(), QStringLiteral("100"));
        QCOMPARE(left1->cursorPosition(), 3);
        QCOMPARE(fx.state().borders[0][0], uint8_t(100));
        // A fourth digit and letters are refused; an empty field becomes 0.
        QTest::keyClick(left1, Qt::Key_5);
        QTest::keyClick(left1, Qt::Key_A);
        QCOMPARE(left1->text(), QStringLiteral("100"));
        fx.sim->clearFrameLog();
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(left1, Qt::Key_Backspace);
        QCOMPARE(left1->text(), QStringLiteral("0"));
        QCOMPARE(fx.state().borders[0][0], uint8_t(0));
        // The spin buttons step within 0..100.
        page->Border(1, 2)->stepBy(1);
        QCOMPARE(fx.state().borders[0][2], uint8_t(1));

        // Source: work mode is checked first (matrix mode here).
        fx.change([](MatrixState &s) { s.workMode = 0; });
        fx.sim->clearFrameLog();
        QTest::mouseClick(page->sbVWSourceNxt, Qt::LeftButton);
        QCOMPARE(fx.sequence(), (QList<QPair<int, int>>{{0x60, 2}, {0x60, 1}, {0x60, 3}}));
        QCOMPARE(p(fx.frames(0x60, 1).first(), 1), uint16_t(2));
        QCOMPARE(p(fx.frames(0x60, 1).first(), 2), uint16_t(1));
        QCOMPARE(fx.state().wallSource, uint16_t(4));
        QTest::mouseClick(page->sbVWSourceNxt, Qt::LeftButton);
        QCOMPARE(fx.state().wallSource, uint16_t(1));

        // A layout change reads everything back.
        fx.sim->clearFrameLog();
        QTest::mouseClick(page->LayoutButton(3), Qt::LeftButton);
        QCOMPARE(fx.state().wallLayout, uint16_t(2));
        QCOMPARE(fx.frames(0x60, 4).size(), 1);
        QCOMPARE(fx.frames(0x60, 10).size(), 4);

        // Reset: every field of outputs 1 to 4 to 0.
        fx.questionAnswer = true;
        fx.sim->clearFrameLog();
        QTest::mouseClick(page->btnResetBorder, Qt::LeftButton);
        QCOMPARE(fx.prompts().last().text,
                 QStringLiteral("Sure to reset Video-Wall border settings?"));
        QCOMPARE(fx.frames(0x60, 9).size(), 16);
        for (int n = 0; n < 4; ++n)
            QCOMPARE(fx.state().borders[n], (std::array<uint8_t, 4>{0, 0, 0, 0}));
        // A refused border stops the reset.
        fx.change([](MatrixState &s) { s.refusedCommands = {MatrixState::commandKey(0x60, 9)}; });
        fx.sim->clearFrameLog();
        QTest::mouseClick(page->btnResetBorder, Qt::LeftButton);
        QVERIFY(!page->BorderResult());
        QList<int> fields;
        for (const QByteArray &f : fx.frames(0x60, 9))
            if (!fields.contains(p(f, 1) * 10 + p(f, 2)))
                fields << p(f, 1) * 10 + p(f, 2);
        QCOMPARE(fields, (QList<int>{10}));
    }
};

QTEST_MAIN(TestControlPages)
#include "tst_controlpages.moc"
