// The device list of the General page and the two dialogs that need no
// network: the TCP configuration dialog's edits and the typed confirmation.

#include "LanUiFixture.h"
#include "lanmodule/DeviceListModel.h"
#include "lanmodule/ui/EditLAN.h"
#include "lanmodule/ui/EnterYes.h"
#include "lanmodule/ui/ModalResults.h"
#include "lanmodule/ui/OctetEdit.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

const QString MacA = QStringLiteral("18-98-66-00-00-0A");
const QString MacB = QStringLiteral("18-98-66-00-00-0B");
const QString MacC = QStringLiteral("18-98-66-00-00-0C");

void leave(QWidget *from, QWidget *to) {
    from->setFocus();
    to->setFocus();
    QApplication::processEvents();
}

} // namespace

class TstLanDeviceGroup : public QObject {
    Q_OBJECT

    std::unique_ptr<LanUi> ui;
    std::unique_ptr<LanDeviceGroup> group;

    QStringList threeEntries() const {
        return {Entry(QStringLiteral("beta"), QStringLiteral("10.0.0.2"), MacB),
                Entry(QStringLiteral("Gamma"), QStringLiteral("10.0.0.3"), MacC),
                Entry(QStringLiteral("Alpha"), QStringLiteral("10.0.0.1"), MacA)};
    }

private slots:
    void init() {
        ui = std::make_unique<LanUi>();
        group = std::make_unique<LanDeviceGroup>(&ui->ctx, ui->engine.Modules());
        group->show();
        ui->storedLabels[MacA] = QStringLiteral("labels of A");
        ui->storedLabels[MacB] = QStringLiteral("labels of B");
        ui->storedLabels[MacC] = QStringLiteral("labels of C");
    }
    void cleanup() {
        group.reset();
        ui.reset();
    }

    void listSortsAndSelects() {
        group->SetEntries(threeEntries());
        const QStringList entries = group->Entries();
        QCOMPARE(entries.size(), 3);
        QVERIFY(entries[0].startsWith(QLatin1String("[Alpha]")));
        QVERIFY(entries[1].startsWith(QLatin1String("[beta]")));
        QVERIFY(entries[2].startsWith(QLatin1String("[Gamma]")));

        // Case-insensitive exact match; the device change follows.
        group->SelectEntry(entries[1].toUpper());
        QCOMPARE(group->cbLANDevice->currentIndex(), 1);
        QCOMPARE(ui->ctx.CurrentDeviceMAC, MacB);
        QCOMPARE(ui->engine.DeviceIP(), QStringLiteral("10.0.0.2"));
        QCOMPARE(ui->labels, QStringLiteral("labels of B"));
        QCOMPARE(group->cbLANDevice->toolTip(), entries[1]);

        // The user picking another device changes it; picking the same one again does not.
        const int loads = ui->labelLoads;
        emit group->cbLANDevice->activated(1);
        QCOMPARE(ui->labelLoads, loads);
        group->cbLANDevice->setCurrentIndex(2);
        emit group->cbLANDevice->activated(2);
        QCOMPARE(ui->labelLoads, loads + 1);
        QCOMPARE(ui->ctx.CurrentDeviceMAC, MacC);

        // No match: the first entry.
        group->SelectEntry(QStringLiteral("[nothing like it]"));
        QCOMPARE(group->cbLANDevice->currentIndex(), 0);
        QCOMPARE(ui->ctx.CurrentDeviceMAC, MacA);

        // An empty list selects nothing.
        group->SetEntries({});
        group->SelectEntry(QString());
        QCOMPARE(group->cbLANDevice->currentIndex(), -1);
        QCOMPARE(ui->ctx.CurrentDeviceMAC, QStringLiteral("00-00-00-00-00-00"));
        QCOMPARE(ui->engine.DeviceIP(), QStringLiteral("0.0.0.0"));
        QCOMPARE(group->cbLANDevice->toolTip(), QString());
    }

    void foundEntriesMergeAsAddedOneByOne() {
        // The merge of a search result gives the list that adding the new
        // entries one by one gives (equal texts in any case, duplicates).
        QStringList stored, found;
        for (int n = 0; n < 300; ++n) {
            const QString tag =
                (n % 3 ? QStringLiteral("dev%1") : QStringLiteral("DEV%1")).arg(n % 97);
            (n % 2 ? stored : found) << Entry(tag, QStringLiteral("10.0.%1.1").arg(n % 7), MacA);
        }
        found << stored.mid(0, 40) << found.mid(0, 10);
        LanDeviceGroup oneByOne(&ui->ctx, ui->engine.Modules());
        oneByOne.SetEntries(stored);
        for (const QString &e : found)
            if (!oneByOne.Entries().contains(e))
                oneByOne.AddEntry(e);

        group->SetEntries(stored);
        group->cbLANDevice->setCurrentIndex(77);
        const QString selected = group->cbLANDevice->currentText();
        QCOMPARE(group->AddEntries(found), oneByOne.cbLANDevice->count() - int(stored.size()));
        QCOMPARE(group->Entries(), oneByOne.Entries());
        QCOMPARE(group->cbLANDevice->currentText(), selected);
        QCOMPARE(group->AddEntries(found), 0);
    }

    void floodOfFoundEntries() {
        // 20,000 answers onto a list of 20,000 known devices, half of them
        // known already: one pass, sorted, each entry once.
        QStringList stored, found;
        for (int n = 0; n < 20000; ++n) {
            const QString mac = QStringLiteral("18-98-66-%1-%2-%3")
                                    .arg((n >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
                                    .arg((n >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
                                    .arg(n & 0xFF, 2, 16, QLatin1Char('0'))
                                    .toUpper();
            const QString e =
                Entry(QStringLiteral("m%1").arg((n * 7919) % 20000, 5, 10, QLatin1Char('0')),
                      QStringLiteral("10.1.%1.%2").arg(n / 250).arg(n % 250), mac);
            if (n % 2 == 0)
                stored << e;
            found << e;
        }
        group->SetEntries(stored);
        group->cbLANDevice->setCurrentIndex(0);
        const QString first = group->cbLANDevice->currentText();
        QCOMPARE(group->AddEntries(found), 10000);
        const QStringList entries = group->Entries();
        QCOMPARE(entries.size(), 20000);
        for (int i = 1; i < entries.size(); ++i)
            QVERIFY(QString::compare(entries[i - 1], entries[i], Qt::CaseInsensitive) < 0);
        QCOMPARE(group->cbLANDevice->currentText(), first);
    }

    void comboBoxEditsThroughTheModel() {
        // The list's own edits (insert at a place, remove, find) go through
        // the model and keep each key with its text.
        QComboBox combo;
        auto *model = new DeviceListModel(&combo);
        combo.setModel(model);
        model->setEntries({QStringLiteral("[b]"), QStringLiteral("[d]")});
        combo.insertItem(model->insertPosition(QStringLiteral("[C]")), QStringLiteral("[C]"));
        combo.insertItem(model->insertPosition(QStringLiteral("[a]")), QStringLiteral("[a]"));
        QCOMPARE(model->entries(), (QStringList{QStringLiteral("[a]"), QStringLiteral("[b]"),
                                                QStringLiteral("[C]"), QStringLiteral("[d]")}));
        QCOMPARE(combo.itemText(2), QStringLiteral("[C]"));
        QCOMPARE(combo.findText(QStringLiteral("[d]"), Qt::MatchExactly | Qt::MatchCaseSensitive),
                 3);
        combo.removeItem(1);
        QCOMPARE(combo.count(), 3);
        // The keys moved with their texts: a merge after the edits still sorts right.
        QCOMPARE(model->mergeEntries(
                     {QStringLiteral("[B]"), QStringLiteral("[c]"), QStringLiteral("[C]")}),
                 2);
        QCOMPARE(model->entries(),
                 (QStringList{QStringLiteral("[a]"), QStringLiteral("[B]"), QStringLiteral("[C]"),
                              QStringLiteral("[c]"), QStringLiteral("[d]")}));
    }

    void deletingTheOnlyEntry() {
        const QString only = Entry(QStringLiteral("Alpha"), QStringLiteral("10.0.0.1"), MacA);
        group->SetEntries({only});
        group->SelectEntry(only);
        QCOMPARE(ui->labels, QStringLiteral("labels of A"));

        ui->questionAnswer = false;
        group->btnDeleteDevice->click();
        QCOMPARE(group->Entries().size(), 1);
        QCOMPARE(ui->ctx.CurrentDeviceMAC, MacA);

        ui->questionAnswer = true;
        group->btnDeleteDevice->click();
        QCOMPARE(ui->questions().last().text,
                 QStringLiteral("Sure to delete device: ") + only + QStringLiteral(" ?"));
        QVERIFY(group->Entries().isEmpty());
        QCOMPARE(group->cbLANDevice->currentIndex(), -1);
        QCOMPARE(ui->ctx.CurrentDeviceMAC, QStringLiteral("00-00-00-00-00-00"));
        QCOMPARE(ui->engine.DeviceIP(), QStringLiteral("0.0.0.0"));
        QCOMPARE(ui->labels, QString());
        // The labels kept for that device stay where they are.
        QCOMPARE(ui->storedLabels.value(MacA), QStringLiteral("labels of A"));

        // Nothing selected: nothing to ask.
        const int asked = int(ui->questions().size());
        group->btnDeleteDevice->click();
        QCOMPARE(int(ui->questions().size()), asked);
    }

    void deletingKeepsThePosition() {
        group->SetEntries(threeEntries());
        const QStringList entries = group->Entries();
        // The last of three: the new last one is selected.
        group->SelectEntry(entries[2]);
        group->btnDeleteDeviceClick();
        QCOMPARE(group->Entries(), QStringList({entries[0], entries[1]}));
        QCOMPARE(group->cbLANDevice->currentIndex(), 1);
        QCOMPARE(ui->ctx.CurrentDeviceMAC, MacB);
        QCOMPARE(ui->labels, QStringLiteral("labels of B"));
        // The first: the one after it moves up into its place.
        group->SelectEntry(entries[0]);
        group->btnDeleteDeviceClick();
        QCOMPARE(group->cbLANDevice->currentIndex(), 0);
        QCOMPARE(ui->ctx.CurrentDeviceMAC, MacB);
    }

    void configWithoutDevice() {
        group->btnConfig->click();
        QCOMPARE(ui->prompts.History.size(), 1);
        QCOMPARE(ui->prompts.History[0].kind, PromptService::Kind::Information);
        QCOMPARE(ui->prompts.History[0].text, QStringLiteral("TCP control deivce not found."));
    }

    void configCancelled() {
        const QString entry = Entry(QStringLiteral("Hall"), QStringLiteral("10.1.2.3"), MacA,
                                    QStringLiteral("Auto IP"), QStringLiteral("Cross Subnet"));
        group->SetEntries({entry});
        group->SelectEntry(entry);
        TfrmEditLAN *dlg = group->frmEditLAN();
        struct Seen {
            QString tag, ip4, gw4, mask1, mac6;
            bool tagLenHidden = false, autoInitially = false, sameSubnet = true;
            bool dhcpChecked = false, ipEnabled = true, macReadOnly = false;
        } seen;
        ui->dialogAnswer = [&](QDialog *d) {
            QTimer::singleShot(0, d, [&, d] {
                seen.tag = dlg->leDeviceTag->text();
                seen.tagLenHidden = dlg->lblDevTagLen->isHidden();
                seen.autoInitially = dlg->AutoIPInitially;
                seen.sameSubnet = dlg->SameSubnet;
                seen.dhcpChecked = dlg->rbDHCP->isChecked();
                seen.ipEnabled = dlg->edtIPField[0]->isEnabled();
                seen.ip4 = dlg->edtIPField[3]->text();
                seen.gw4 = dlg->edtGWField[3]->text();
                seen.mask1 = dlg->edtSNMField[0]->text();
                seen.mac6 = dlg->edtMACField[5]->text();
                seen.macReadOnly = dlg->edtMACField[0]->isReadOnly();
                QTest::keyClick(d, Qt::Key_Escape);
            });
            return d->exec();
        };
        group->btnConfigClick();
        // Filled from the entry, shown with Auto IP chosen.
        QCOMPARE(seen.tag, QStringLiteral("Hall"));
        QVERIFY(seen.tagLenHidden);
        QVERIFY(seen.autoInitially);
        QVERIFY(!seen.sameSubnet);
        QVERIFY(seen.dhcpChecked);
        QVERIFY(!seen.ipEnabled);
        QCOMPARE(seen.ip4, QStringLiteral("3"));
        QCOMPARE(seen.gw4, QStringLiteral("254"));
        QCOMPARE(seen.mask1, QStringLiteral("255"));
        QCOMPARE(seen.mac6, QStringLiteral("0A"));
        QVERIFY(seen.macReadOnly);
        QCOMPARE(ui->lastStatus(2), QStringLiteral("Modify TCP configuration cancelled"));
        QCOMPARE(group->Entries(), QStringList({entry}));
    }

    void searchWhileBusy() {
        // Another operation holds the link: the search is refused, no wizard.
        OperationScope hold(&ui->ctx, OperationScope::Link::NotNeeded);
        QVERIFY(hold.active());
        group->btnSearchDevice->click();
        QVERIFY(ui->prompts.History.isEmpty());
        QCOMPARE(ui->statuses.size(), 1);
        QCOMPARE(ui->lastStatus(3), QStringLiteral("In processing, command ignored"));
    }

    void octetEdits() {
        TfrmEditLAN dlg(&ui->prompts);
        dlg.FillFromEntry(Entry(QStringLiteral("Hall"), QStringLiteral("10.1.2.3"), MacA), MacA);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        OctetEdit *ip1 = dlg.edtIPField[0];
        OctetEdit *ip2 = dlg.edtIPField[1];

        // Static IP chosen: the address rows are open.
        QVERIFY(dlg.rbStaticIP->isChecked());
        QVERIFY(ip1->isEnabled());

        ip1->clear();
        QTest::keyClicks(ip1, QStringLiteral("3a0-0"));
        QCOMPARE(ip1->text(), QStringLiteral("300"));
        leave(ip1, ip2);
        QCOMPARE(ip1->text(), QStringLiteral("255"));

        ip1->clear();
        leave(ip1, ip2);
        QCOMPARE(ip1->text(), QStringLiteral("0"));

        ip1->setText(QStringLiteral("254"));
        leave(ip1, ip2);
        QCOMPARE(ip1->text(), QStringLiteral("254"));

        // Backspace is taken.
        QTest::keyClick(ip1, Qt::Key_End);
        QTest::keyClick(ip1, Qt::Key_Backspace);
        QCOMPARE(ip1->text(), QStringLiteral("25"));

        // Auto IP closes the address rows, Static IP opens them again.
        dlg.rbDHCP->click();
        QVERIFY(!ip1->isEnabled());
        QVERIFY(!dlg.lblGateway->isEnabled());
        QVERIFY(!dlg.edtSNMField[3]->isEnabled());
        QVERIFY(dlg.edtMACField[0]->isEnabled());
        dlg.rbStaticIP->click();
        QVERIFY(ip1->isEnabled());

        // OK clamps every octet, even one that still has the focus.
        dlg.edtGWField[2]->setText(QStringLiteral("999"));
        dlg.edtSNMField[3]->setText(QString());
        dlg.edtGWField[2]->setFocus();
        dlg.btnOK->click();
        QCOMPARE(dlg.result(), ModalResult::mrOK);
        QCOMPARE(dlg.edtGWField[2]->text(), QStringLiteral("255"));
        QCOMPARE(dlg.edtSNMField[3]->text(), QStringLiteral("0"));
        QCOMPARE(dlg.gatewayText(), QStringLiteral("10.77.255.254"));
    }

    void resetFillsDefaults() {
        TfrmEditLAN dlg(&ui->prompts);
        dlg.FillFromEntry(Entry(QStringLiteral("Hall"), QStringLiteral("10.1.2.3"), MacA,
                                QStringLiteral("Auto IP")),
                          MacA);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QVERIFY(dlg.rbDHCP->isChecked());

        ui->questionAnswer = false;
        dlg.btnReset->click();
        QCOMPARE(ui->questions().last().text, QStringLiteral("Sure to reset TCP configurations?"));
        QCOMPARE(dlg.leDeviceTag->text(), QStringLiteral("Hall"));
        QVERIFY(dlg.rbDHCP->isChecked());

        ui->questionAnswer = true;
        dlg.btnReset->click();
        QCOMPARE(dlg.leDeviceTag->text(), QStringLiteral("TCP Module"));
        QVERIFY(dlg.rbStaticIP->isChecked());
        QVERIFY(!dlg.rbDHCP->isChecked());
        QCOMPARE(dlg.ipText(), QStringLiteral("192.168.0.100"));
        QCOMPARE(dlg.gatewayText(), QStringLiteral("192.168.0.1"));
        QCOMPARE(dlg.maskText(), QStringLiteral("255.255.255.0"));
        QVERIFY(dlg.edtIPField[0]->isEnabled());
        // The MAC is not touched, and nothing was sent.
        QCOMPARE(dlg.macText(), MacA);
        QVERIFY(dlg.isVisible());
    }

    void typedConfirmation() {
        TfrmEnterYes dlg;
        QStringList seen;
        auto typeAndPress = [&](const QString &text) {
            dlg.edtYes->setText(text);
            dlg.btnYes->click();
            seen << (dlg.isVisible() ? QStringLiteral("open") : QStringLiteral("closed"));
        };
        QString emptied = QStringLiteral("not shown");
        QTimer::singleShot(0, &dlg, [&] {
            emptied = dlg.edtYes->text();
            typeAndPress(QStringLiteral("yes"));
            typeAndPress(QStringLiteral("Yes "));
            typeAndPress(QStringLiteral(" Yes"));
            typeAndPress(QStringLiteral("Yes"));
        });
        dlg.edtYes->setText(QStringLiteral("left from before"));
        QCOMPARE(dlg.exec(), ModalResult::mrYes);
        QCOMPARE(seen, QStringList({"open", "open", "open", "closed"}));
        QCOMPARE(emptied, QString());
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Confirm to Reset"));

        QTimer::singleShot(0, &dlg, [&] { dlg.btnNo->click(); });
        QCOMPARE(dlg.exec(), ModalResult::mrNo);
        QTimer::singleShot(0, &dlg, [&] { QTest::keyClick(&dlg, Qt::Key_Escape); });
        QCOMPARE(dlg.exec(), ModalResult::mrNo);
        QTimer::singleShot(0, &dlg, [&] { dlg.close(); });
        QCOMPARE(dlg.exec(), ModalResult::mrNo);
    }

    void accessibleNames() {
        // Every control a user works with can be named by assistive tools.
        TfrmEditLAN edit(&ui->prompts);
        TfrmEnterYes yes;
        const QList<QWidget *> roots = {group.get(), &edit, &yes, group->frmSearch()};
        for (QWidget *root : roots) {
            for (QWidget *w : root->findChildren<QWidget *>()) {
                if (!qobject_cast<QLineEdit *>(w) && !qobject_cast<QComboBox *>(w) &&
                    !qobject_cast<QAbstractButton *>(w))
                    continue;
                if (w->parent() && qobject_cast<QComboBox *>(w->parent()))
                    continue; // the combo box's own line edit
                bool named = !w->accessibleName().isEmpty();
                if (auto *b = qobject_cast<QAbstractButton *>(w))
                    named = named || !b->text().isEmpty();
                for (QLabel *l : root->findChildren<QLabel *>())
                    named = named || l->buddy() == w;
                QVERIFY2(named, qPrintable(w->objectName()));
                QVERIFY2(!w->objectName().isEmpty(), qPrintable(w->metaObject()->className()));
            }
        }
    }
};

QTEST_MAIN(TstLanDeviceGroup)
#include "tst_landevicegroup.moc"
