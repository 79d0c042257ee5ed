// The "Matrix control" page in the window, against the
// in-process simulator: the real buttons are clicked and hovered, the menu
// items triggered, and the simulator's state is checked after each flow.

#include "ControlFixture.h"

#include "control/RoutingModel.h"
#include "control/ui/PortTagPage.h"
#include "control/ui/PreSetting_edit.h"
#include "control/ui/SettingPage.h"
#include "control/ui/ShowInOutInfo.h"
#include "widgets/TLedNumber.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>

namespace {
using Routing = std::array<uint8_t, 8>;

Routing routingOf(ControlFixture &fx) {
    return fx.state().routing;
}

QAction *menuItem(SettingPage *page, int tag) {
    for (QAction *a : page->pm->actions())
        if (!a->isSeparator() && a->property("tag").toInt() == tag)
            return a;
    return nullptr;
}

void hover(QWidget *button) {
    QTest::mouseMove(button, QPoint(5, 5));
    QCoreApplication::processEvents();
}
} // namespace

class TestSettingPage : public QObject {
    Q_OBJECT

private slots:
    void pageAsDelivered() {
        ControlFixture fx;
        fx.open(false);
        SettingPage *page = fx.form->Setting;
        const int index = fx.form->pcContainer->indexOf(page);
        QCOMPARE(fx.form->pcContainer->tabText(index), QStringLiteral("Matrix control"));
        QVERIFY(!fx.form->pcContainer->isTabVisible(index));
        for (int k = 1; k <= 8; ++k) {
            QCOMPARE(page->gbOutput[k - 1]->isHidden(), k >= 5);
            QCOMPARE(page->LED(k)->digitCount(), 1);
            QCOMPARE(page->LED(k)->objectName(), QStringLiteral("LED%1").arg(k));
            for (int i = 1; i <= 8; ++i) {
                QToolButton *b = page->InputButton(k, i);
                QVERIFY(b);
                QCOMPARE(b->text(), QString::number(i));
                QCOMPARE(SettingPage::GroupIndex(b), k);
            }
            QCOMPARE(page->StepButton(2 * k - 1)->arrowType(), Qt::LeftArrow);
            QCOMPARE(page->StepButton(2 * k)->arrowType(), Qt::RightArrow);
        }
        QCOMPARE(page->StepButton(1)->objectName(), QStringLiteral("sbPrevious"));
        QCOMPARE(page->StepButton(2)->objectName(), QStringLiteral("sbNext"));
        QCOMPARE(page->lblNote->text(), QStringLiteral("Output from Input"));
        // The pop-up menu: ten items.
        const QList<QAction *> items = page->pm->actions();
        QCOMPARE(items.size(), 10);
        QStringList texts;
        QList<int> tags;
        for (QAction *a : items) {
            texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
            tags << (a->isSeparator() ? -1 : a->property("tag").toInt());
        }
        QCOMPARE(texts,
                 (QStringList{"All Outputs", "-", "1 Output", "2 Outputs", "3 Outputs", "4 Outputs",
                              "5 Outputs", "6 Outputs", "7 Outputs", "Port to Port"}));
        QCOMPARE(tags, (QList<int>{8, -1, 1, 2, 3, 4, 5, 6, 7, 100}));
        // The preset list.
        QTableWidget *lv = page->lvPreSetting;
        QCOMPARE(lv->rowCount(), 8);
        QCOMPARE(lv->columnCount(), 9);
        QCOMPARE(lv->horizontalHeaderItem(0)->text(), QStringLiteral("Input Selection Presets"));
        QCOMPARE(lv->horizontalHeaderItem(8)->text(), QStringLiteral("Output 8"));
        QCOMPARE(lv->horizontalHeader()->sectionSize(0), 170);
        QCOMPARE(lv->horizontalHeader()->sectionSize(3), 85);
        QCOMPARE(page->PresetName(7), QStringLiteral("Settings 8"));
        QCOMPARE(page->PresetColumns(0), (QStringList{"1", "2", "3", "4", "5", "6", "7", "8"}));
        QVERIFY(page->Model()->BatchAbort);
    }

    void showReadsRoutingAndClickSwitches() {
        ControlFixture fx;
        fx.open();
        fx.change([](MatrixState &s) { s.routing = {3, 1, 4, 1, 5, 9, 2, 6}; });
        fx.sim->clearFrameLog();
        SettingPage *page = fx.form->Setting;
        fx.showPage(page);
        QCOMPARE(fx.frames(0x02, 1).size(), 8);
        QCOMPARE(page->LED(1)->text(), QStringLiteral("3"));
        QVERIFY(page->InputButton(1, 3)->isChecked());
        QCOMPARE(page->LED(6)->text(), QStringLiteral("9")); // shown as is, no button
        for (int i = 1; i <= 8; ++i)
            QVERIFY(!page->InputButton(6, i)->isChecked());
        QCOMPARE(page->SelectedPreset(), 0); // the first preset gets selected

        // One click switches output 2 to input 5.
        fx.sim->clearFrameLog();
        QTest::mouseClick(page->InputButton(2, 5), Qt::LeftButton);
        QCOMPARE(fx.sequence(), (QList<QPair<int, int>>{{0x60, 2}, {0x02, 3}}));
        const QByteArray sw = fx.frames(0x02, 3).first();
        QCOMPARE(ShellFixture::param(sw, 1), uint16_t(5));
        QCOMPARE(ShellFixture::param(sw, 2), uint16_t(2));
        QCOMPARE(routingOf(fx)[1], uint8_t(5));
        QCOMPARE(page->LED(2)->text(), QStringLiteral("5"));
        QVERIFY(page->InputButton(2, 5)->isChecked());

        // It survives a page change: the read-back on show.
        fx.showGeneral();
        fx.change([](MatrixState &s) { s.routing[0] = 7; });
        fx.showPage(page);
        QCOMPARE(page->LED(2)->text(), QStringLiteral("5"));
        QCOMPARE(page->LED(1)->text(), QStringLiteral("7"));
        QVERIFY(page->InputButton(1, 7)->isChecked());
    }

    void clickOnButtonAlreadyDownRunsFullExchange() {
        ControlFixture fx;
        fx.open();
        SettingPage *page = fx.form->Setting;
        fx.showPage(page);
        QVERIFY(page->InputButton(3, 3)->isChecked());
        fx.change([](MatrixState &s) { s.workMode = 1; });
        fx.sim->clearFrameLog();
        QTest::mouseClick(page->InputButton(3, 3), Qt::LeftButton);
        QCOMPARE(fx.sequence(), (QList<QPair<int, int>>{{0x60, 2}, {0x60, 1}, {0x02, 3}}));
        const QByteArray mode = fx.frames(0x60, 1).first();
        QCOMPARE(ShellFixture::param(mode, 1), uint16_t(0));
        QCOMPARE(ShellFixture::param(mode, 2), uint16_t(0));
        QCOMPARE(fx.state().workMode, uint16_t(0));
        QVERIFY(page->InputButton(3, 3)->isChecked());
    }

    void previousAndNext() {
        ControlFixture fx;
        fx.open();
        fx.change([](MatrixState &s) { s.routing = {1, 8, 10, 0, 5, 6, 7, 8}; });
        SettingPage *page = fx.form->Setting;
        fx.showPage(page);
        QTest::mouseClick(page->StepButton(1), Qt::LeftButton); // previous on 1
        QCOMPARE(routingOf(fx)[0], uint8_t(8));
        QCOMPARE(page->LED(1)->text(), QStringLiteral("8"));
        QTest::mouseClick(page->StepButton(4), Qt::LeftButton); // next on 8
        QCOMPARE(routingOf(fx)[1], uint8_t(1));
        // Mended: previous from a display of 10 gives 8, not 9.
        QCOMPARE(page->LED(3)->text(), QStringLiteral("10"));
        fx.sim->clearFrameLog();
        QTest::mouseClick(page->StepButton(5), Qt::LeftButton);
        QCOMPARE(ShellFixture::param(fx.frames(0x02, 3).first(), 1), uint16_t(8));
        QCOMPARE(routingOf(fx)[2], uint8_t(8));
        QVERIFY(page->InputButton(3, 8)->isChecked());
        // From 0: previous gives 8, next gives 1.
        QTest::mouseClick(page->StepButton(8), Qt::LeftButton);
        QCOMPARE(routingOf(fx)[3], uint8_t(1));
    }

    void failedSwitchRestoresAndLeavesStrangeRows() {
        ControlFixture fx;
        fx.open();
        fx.change([](MatrixState &s) {
            s.routing = {1, 2, 6, 0, 5, 6, 7, 8};
            s.refuseSwitchOutputs = {3, 4};
        });
        SettingPage *page = fx.form->Setting;
        fx.showPage(page);
        QTest::mouseClick(page->InputButton(3, 2), Qt::LeftButton);
        QCOMPARE(page->LED(3)->text(), QStringLiteral("6"));
        QVERIFY(page->InputButton(3, 6)->isChecked());
        QVERIFY(page->Model()->BatchAbort);
        QCOMPARE(routingOf(fx)[2], uint8_t(6));
        // Mended: a display of 0 restores the display and leaves the row's buttons.
        QCOMPARE(page->LED(4)->text(), QStringLiteral("0"));
        QTest::mouseClick(page->InputButton(4, 2), Qt::LeftButton);
        QCOMPARE(page->LED(4)->text(), QStringLiteral("0"));
        QVERIFY(page->InputButton(4, 2)->isChecked()); // left as it was
        QVERIFY(
            fx.state().controlLog.contains(QStringLiteral("refused: switch output 4 <- input 2")));
    }

    void menuSwitches() {
        ControlFixture fx;
        fx.open();
        SettingPage *page = fx.form->Setting;
        fx.showPage(page);
        // "3 Outputs" from (output 7, input 2): outputs 7 and 8 only.
        hover(page->InputButton(7, 2));
        QCOMPARE(page->Hovered, page->InputButton(7, 2));
        fx.sim->clearFrameLog();
        menuItem(page, 3)->trigger();
        QCOMPARE(fx.frames(0x02, 3).size(), 2);
        QCOMPARE(routingOf(fx), (Routing{1, 2, 3, 4, 5, 6, 2, 2}));
        // "Port to Port", whatever button is hovered.
        hover(page->InputButton(5, 3));
        menuItem(page, 100)->trigger();
        QCOMPARE(routingOf(fx), (Routing{1, 2, 3, 4, 5, 6, 7, 8}));
        for (int k = 1; k <= 8; ++k)
            QVERIFY(page->InputButton(k, k)->isChecked());
        // "All Outputs" from a button of input 5 stops at the first refused output.
        fx.change([](MatrixState &s) { s.refuseSwitchOutputs = {4}; });
        hover(page->InputButton(2, 5));
        fx.sim->clearFrameLog();
        menuItem(page, 8)->trigger();
        QCOMPARE(routingOf(fx), (Routing{5, 5, 5, 4, 5, 6, 7, 8}));
        QList<int> outputs;
        for (const QByteArray &f : fx.frames(0x02, 3))
            if (outputs.isEmpty() || outputs.last() != ShellFixture::param(f, 2))
                outputs << ShellFixture::param(f, 2);
        QCOMPARE(outputs, (QList<int>{1, 2, 3, 4})); // ascending, nothing after 4
        QCOMPARE(page->LED(4)->text(), QStringLiteral("4"));
        QVERIFY(page->InputButton(4, 4)->isChecked());
        QCOMPARE(page->LED(5)->text(), QStringLiteral("5"));
    }

    void noteAndPopUp() {
        ControlFixture fx;
        fx.open();
        SettingPage *page = fx.form->Setting;
        fx.showPage(page);
        hover(page->InputButton(1, 4));
        QCOMPARE(page->lblNote->text(), QStringLiteral("Output 1 from Input 4"));
        QVERIFY(!fx.form->frmShowInOutInfo->isVisible()); // no labels: never shown
        hover(page->StepButton(3)); // output 2's previous button: its current input
        QCOMPARE(page->lblNote->text(), QStringLiteral("Output 2 from Input 2"));
        hover(page->gbOutput[0]);
        QCOMPARE(page->lblNote->text(), QStringLiteral("Output from Input"));

        fx.form->PortTags->SetLabel(42, QStringLiteral("Projector"));
        fx.form->PortTags->SetLabel(5, QStringLiteral("Player"));
        hover(page->InputButton(2, 5));
        QCOMPARE(page->lblNote->text(),
                 QStringLiteral("Output 2 - [Projector] from Input 5 - [Player]"));
        TfrmShowInOutInfo *info = fx.form->frmShowInOutInfo;
        QVERIFY(info->isVisible());
        const QStringList lines = info->Text().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 16);
        QCOMPARE(lines[0], QStringLiteral("Output 1 - No Label"));
        QCOMPARE(lines[1], QStringLiteral("Output 2 - [Projector]"));
        QCOMPARE(lines[12], QStringLiteral("Input 5 - [Player]"));
        QVERIFY(!info->Text().endsWith(QStringLiteral("\r\n")));
        const QPoint expected = page->InputButton(2, 5)->mapToGlobal(QPoint(5, 5 + 28));
        QCOMPARE(info->pos(), expected);
        const QFontMetrics fm(info->lblInfo->font());
        int widest = 0;
        for (const QString &l : lines)
            widest = std::max(widest, fm.horizontalAdvance(l));
        QCOMPARE(info->width(), widest + 10);
        QCOMPARE(info->height(), 16 * fm.height() + 10);
        // Moving over the page closes it; a click on it closes it too.
        hover(page->gbInputSelection);
        QVERIFY(!info->isVisible());
        hover(page->InputButton(2, 5));
        QVERIFY(info->isVisible());
        QTest::mouseClick(info->lblInfo, Qt::LeftButton);
        QVERIFY(!info->isVisible());
        // Not over a previous/next button, nor with cbDisplayTag cleared.
        hover(page->StepButton(3));
        QVERIFY(!info->isVisible());
        fx.form->General->DeviceStatus->cbDisplayTag->setChecked(false);
        hover(page->InputButton(3, 5));
        QVERIFY(!info->isVisible());
        QCOMPARE(page->lblNote->text(), QStringLiteral("Output 3 from Input 5 - [Player]"));
    }

    void presetsApply() {
        ControlFixture fx;
        fx.open();
        fx.change([](MatrixState &s) { s.routing = {8, 7, 6, 5, 4, 3, 2, 1}; });
        SettingPage *page = fx.form->Setting;
        fx.showPage(page);
        // The default preset: eight switches in output order.
        page->lvPreSetting->selectRow(0);
        fx.sim->clearFrameLog();
        QTest::mouseClick(page->btnSet, Qt::LeftButton);
        QList<int> outputs;
        for (const QByteArray &f : fx.frames(0x02, 3)) {
            outputs << ShellFixture::param(f, 2);
            QCOMPARE(ShellFixture::param(f, 1), ShellFixture::param(f, 2));
        }
        QCOMPARE(outputs, (QList<int>{1, 2, 3, 4, 5, 6, 7, 8}));
        QCOMPARE(routingOf(fx), (Routing{1, 2, 3, 4, 5, 6, 7, 8}));

        // A preset whose third switch fails: 4 to 8 untouched, output 3 restored.
        fx.change([](MatrixState &s) { s.refuseSwitchOutputs = {3}; });
        page->lvPreSetting->item(1, 0)->setText(QStringLiteral("Stage"));
        for (int c = 1; c <= 8; ++c)
            page->lvPreSetting->item(1, c)->setText(QStringLiteral("2"));
        page->lvPreSetting->selectRow(1);
        QTest::mouseClick(page->btnSet, Qt::LeftButton);
        QCOMPARE(routingOf(fx), (Routing{2, 2, 3, 4, 5, 6, 7, 8}));
        QCOMPARE(page->LED(3)->text(), QStringLiteral("3"));
        QVERIFY(page->InputButton(3, 3)->isChecked());
        QCOMPARE(page->LED(4)->text(), QStringLiteral("4"));

        // A malformed entry stops the apply there and says so.
        fx.change([](MatrixState &s) { s.refuseSwitchOutputs.clear(); });
        page->lvPreSetting->item(1, 2)->setText(QStringLiteral("0"));
        fx.sim->clearFrameLog();
        QTest::mouseClick(page->btnSet, Qt::LeftButton);
        QCOMPARE(fx.frames(0x02, 3).size(), 1);
        QVERIFY(fx.panel(1).contains(QStringLiteral("Output 2")));

        // No selection.
        page->lvPreSetting->clearSelection();
        QTest::mouseClick(page->btnSet, Qt::LeftButton);
        QCOMPARE(fx.prompts().last().text, QStringLiteral("Please select item."));
        QTest::mouseClick(page->btnPreEdit, Qt::LeftButton);
        QCOMPARE(fx.prompts().last().text, QStringLiteral("Please select item."));
    }

    void presetEditAndSettingsFile() {
        ControlFixture fx;
        fx.open(true, "[Pre-Setting value]\r\nvalue2=3,4\r\n");
        SettingPage *page = fx.form->Setting;
        QCOMPARE(page->PresetColumns(1), (QStringList{"3", "4", "1", "2", "3", "4", "5", "6"}));
        fx.form->PortTags->SetLabel(3, QStringLiteral("Camera"));
        fx.form->PortTags->SetLabel(41, QStringLiteral("Wall"));
        TfrmPreSettingEdit *dlg = fx.form->frmPreSettingEdit;

        page->lvPreSetting->selectRow(1);
        QString title;
        fx.dialogAnswer = [&](QDialog *) {
            title = dlg->windowTitle();
            [&] {
                QVERIFY(dlg->gbOutputSetting->isVisibleTo(dlg));
                QVERIFY(!dlg->gbInputLabels->isVisibleTo(dlg));
                QCOMPARE(dlg->size(), QSize(567, 292));
                QCOMPARE(dlg->leSettingName->text(), QStringLiteral("Settings 2"));
                QCOMPARE(dlg->OutputCombo(1)->currentIndex(), 2);
                QCOMPARE(dlg->OutputCombo(2)->currentIndex(), 3);
                QCOMPARE(dlg->OutputCombo(1)->itemText(2), QStringLiteral("In 3 - [Camera]"));
                QCOMPARE(dlg->findChild<QLabel *>("lblOutput1")->text(),
                         QStringLiteral("Out 1 - [Wall] from"));
                QCOMPARE(dlg->cbFromDeviceOfAllOutput->currentText(),
                         QStringLiteral("Select Input"));
                QCOMPARE(dlg->cbFromDeviceOfAllOutput->count(), 10);
            }();
            dlg->leSettingName->setText(QStringLiteral("Port to port"));
            ControlFixture::choose(dlg->cbFromDeviceOfAllOutput, 9); // "Port to Port"
            dlg->OutputCombo(8)->setCurrentIndex(-1);                // no selection: 0
            QTest::mouseClick(dlg->btnOK, Qt::LeftButton);
            return dlg->result();
        };
        QTest::mouseClick(page->btnPreEdit, Qt::LeftButton);
        QCOMPARE(title, QStringLiteral("Edit Output Settings"));
        QCOMPARE(page->PresetName(1), QStringLiteral("Port to port"));
        QCOMPARE(page->PresetColumns(1), (QStringList{"1", "2", "3", "4", "5", "6", "7", "0"}));

        // Cancel (the dialog is rejected) changes nothing.
        fx.dialogAnswer = [&](QDialog *) {
            ControlFixture::choose(dlg->cbFromDeviceOfAllOutput, 4); // all from input 4
            return int(QDialog::Rejected);
        };
        QTest::mouseClick(page->btnPreEdit, Qt::LeftButton);
        QCOMPARE(page->PresetColumns(1), (QStringList{"1", "2", "3", "4", "5", "6", "7", "0"}));

        // Applying the preset stops at output 8, which holds 0.
        fx.showPage(page);
        fx.sim->clearFrameLog();
        QTest::mouseClick(page->btnSet, Qt::LeftButton);
        QCOMPARE(fx.frames(0x02, 3).size(), 7);

        fx.form->SaveSettings();
        QFile f(fx.settingsPath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY(text.contains("Setting2=Port to port\r\n"));
        QVERIFY(text.contains("value2=1,2,3,4,5,6,7,0\r\n"));
        QVERIFY(text.contains("[Display tag]\r\nValue=1\r\n"));
    }
};

QTEST_MAIN(TestSettingPage)
#include "tst_settingpage.moc"
