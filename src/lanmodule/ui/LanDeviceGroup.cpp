#include "lanmodule/ui/LanDeviceGroup.h"

#include "app/AppContext.h"
#include "app/OperationScope.h"
#include "app/PromptService.h"
#include "lanmodule/DeviceEntry.h"
#include "lanmodule/DeviceListModel.h"
#include "lanmodule/ui/EditLAN.h"
#include "lanmodule/ui/ModalResults.h"
#include "lanmodule/ui/Search.h"
#include "link/ModuleLink.h"
#include "link/TSCOMControl.h"
#include "protocol/ModuleConfigRecord.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString NoDeviceMAC = QStringLiteral("00-00-00-00-00-00");

} // namespace

LanDeviceGroup::LanDeviceGroup(AppContext *context, ModuleLink *module, QWidget *parent)
    : QGroupBox(QStringLiteral("TCP control mode"), parent), ctx(context),
      FModule(module ? module : new ModuleLink(context->Engine, this)) {
    setObjectName(QStringLiteral("gbLANMode"));

    cbLANDevice = new QComboBox(this);
    cbLANDevice->setObjectName(QStringLiteral("cbLANDevice"));
    // Texts with their sort keys: tens of thousands of devices stay cheap to
    // list, merge and replace.
    FEntries = new DeviceListModel(cbLANDevice);
    cbLANDevice->setModel(FEntries);
    cbLANDevice->setAccessibleName(QStringLiteral("TCP control device"));
    cbLANDevice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbLANDevice->setMinimumContentsLength(30);
    btnSearchDevice = new QPushButton(QStringLiteral("&Search ..."), this);
    btnSearchDevice->setObjectName(QStringLiteral("btnSearchDevice"));
    btnConfig = new QPushButton(QStringLiteral("C&onfig ..."), this);
    btnConfig->setObjectName(QStringLiteral("btnConfig"));
    btnDeleteDevice = new QPushButton(QStringLiteral("\u00D7"), this);
    btnDeleteDevice->setObjectName(QStringLiteral("btnDeleteDevice"));
    btnDeleteDevice->setAccessibleName(QStringLiteral("Delete device"));
    btnDeleteDevice->setToolTip(QStringLiteral("Delete device"));

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(cbLANDevice, 1);
    layout->addWidget(btnSearchDevice);
    layout->addWidget(btnConfig);
    layout->addWidget(btnDeleteDevice);

    FSearch = new TfrmSearch(FModule, this);
    FEditLAN = new TfrmEditLAN(ctx->Prompts, this);

    // Picking the device already in use again changes nothing.
    connect(cbLANDevice, QOverload<int>::of(&QComboBox::activated), this, [this](int index) {
        if (index >= 0 && cbLANDevice->itemText(index) == FDeviceInUse)
            return;
        // Another device would close the link under the running operation.
        if (ctx->RefuseWhenBusy()) {
            const int inUse =
                cbLANDevice->findText(FDeviceInUse, Qt::MatchExactly | Qt::MatchCaseSensitive);
            cbLANDevice->setCurrentIndex(inUse);
            return;
        }
        cbLANDeviceChange();
    });
    connect(btnSearchDevice, &QPushButton::clicked, this, &LanDeviceGroup::btnSearchDeviceClick);
    connect(btnConfig, &QPushButton::clicked, this, &LanDeviceGroup::btnConfigClick);
    connect(btnDeleteDevice, &QPushButton::clicked, this, &LanDeviceGroup::btnDeleteDeviceClick);
}

// ---- The list ----------------------------------------------------------------

QStringList LanDeviceGroup::Entries() const {
    return FEntries->entries();
}

int LanDeviceGroup::AddEntry(const QString &entry) {
    const int at = FEntries->insertPosition(entry);
    cbLANDevice->insertItem(at, entry);
    return at;
}

int LanDeviceGroup::AddEntries(const QStringList &entries) {
    // One merge, however long the list: a flood of answers must not cost a
    // pass over the list for each.
    int current = cbLANDevice->currentIndex();
    const QSignalBlocker block(cbLANDevice);
    const int added = FEntries->mergeEntries(entries, &current);
    cbLANDevice->setCurrentIndex(current);
    return added;
}

void LanDeviceGroup::SetEntries(const QStringList &entries) {
    const QSignalBlocker block(cbLANDevice);
    FEntries->setEntries(entries);
    cbLANDevice->setCurrentIndex(-1);
}

void LanDeviceGroup::SelectEntry(const QString &entry) {
    int index = -1;
    for (int i = 0; i < cbLANDevice->count() && index < 0; ++i)
        if (QString::compare(cbLANDevice->itemText(i), entry, Qt::CaseInsensitive) == 0)
            index = i;
    if (index < 0 && cbLANDevice->count() > 0)
        index = 0;
    cbLANDevice->setCurrentIndex(index);
    cbLANDeviceChange();
}

void LanDeviceGroup::SetControlsEnabled(bool enabled) {
    setEnabled(enabled);
    for (QWidget *w : {static_cast<QWidget *>(cbLANDevice), static_cast<QWidget *>(btnSearchDevice),
                       static_cast<QWidget *>(btnConfig), static_cast<QWidget *>(btnDeleteDevice)})
        w->setEnabled(enabled);
}

void LanDeviceGroup::disconnectLink() {
    if (!ctx->Engine->Connected())
        return;
    // The window's connect toggle, so that its controls follow.
    if (ctx->ConnectAction)
        ctx->ConnectAction();
    else
        ctx->Engine->Disconnect();
}

// ---- Device change and delete ------------------------------------------------

void LanDeviceGroup::cbLANDeviceChange() {
    disconnectLink();
    const int index = cbLANDevice->currentIndex();
    const QString entry = index >= 0 ? cbLANDevice->itemText(index) : QString();
    if (index < 0) {
        ctx->CurrentDeviceMAC = NoDeviceMAC;
        ctx->Engine->setDeviceIP(QStringLiteral("0.0.0.0"));
    } else {
        ctx->CurrentDeviceMAC = DeviceEntryField(entry, DeviceEntry::MAC);
        ctx->Engine->setDeviceIP(DeviceEntryField(entry, DeviceEntry::IPAddress));
    }
    // Clears the port labels and loads those of the device.
    if (ctx->LoadPortTagsAction)
        ctx->LoadPortTagsAction();
    cbLANDevice->setToolTip(entry);
    FDeviceInUse = entry;
}

void LanDeviceGroup::btnDeleteDeviceClick() {
    const int index = cbLANDevice->currentIndex();
    if (index < 0)
        return;
    const QString entry = cbLANDevice->itemText(index);
    if (ctx->RefuseWhenBusy())
        return;
    if (!ctx->Prompts->Question(QStringLiteral("Sure to delete device: ") + entry +
                                QStringLiteral(" ?")))
        return;
    cbLANDevice->removeItem(index);
    cbLANDevice->setCurrentIndex(qMin(index, cbLANDevice->count() - 1));
    cbLANDevice->update();
    cbLANDeviceChange();
}

// ---- Search ----------------------------------------------------------------------

void LanDeviceGroup::btnSearchDeviceClick() {
    TTSCOMControl *engine = ctx->Engine;
    if (ctx->RefuseWhenBusy())
        return;
    disconnectLink();
    ctx->ShowStatus(2, QStringLiteral("Searching TCP control device ..."));
    ctx->ShowStatus(3, QString());
    // A directed search points the engine at the typed address; a search that
    // ends without a new selection must leave the link on the selected device.
    const QString deviceIP = engine->DeviceIP();
    engine->setUDPMode(umBROADCAST);
    FModule->ClearDevices();
    FSearch->FoundEntries.clear();
    int result = ModalResult::mrCancel;
    {
        // The wizard's discovery holds the operation while it runs.
        OperationScope operation(ctx, OperationScope::Link::NotNeeded);
        if (!operation)
            return;
        result = ctx->Prompts->ExecDialog(FSearch, FSearch->objectName());
    }
    if (result == ModalResult::mrYes || result == ModalResult::mrOK) {
        AddEntries(FSearch->FoundEntries);
        const QString chosen = result == ModalResult::mrYes ? FSearch->cbMXDevice->currentText()
                                                            : FSearch->cbMXDevice1->currentText();
        if (!chosen.isEmpty()) {
            const int at = cbLANDevice->findText(chosen, Qt::MatchExactly | Qt::MatchCaseSensitive);
            if (at >= 0)
                cbLANDevice->setCurrentIndex(at);
        }
        cbLANDeviceChange();
        ctx->ShowStatus(2, QStringLiteral("Search TCP control device ok"));
    } else {
        engine->setDeviceIP(deviceIP);
        ctx->ShowStatus(2, QStringLiteral("Search TCP control device cancelled"));
    }
    ctx->ShowStatus(3, QString());
    if (engine->ControlMode() == cmCOM)
        ctx->ShowStatus(2, QString());
}

// ---- Configuration -------------------------------------------------------------

void LanDeviceGroup::btnConfigClick() {
    const int index = cbLANDevice->currentIndex();
    if (index < 0) {
        ctx->Prompts->Information(QStringLiteral("TCP control deivce not found."));
        return;
    }
    const QString oldEntry = cbLANDevice->itemText(index);
    if (ctx->RefuseWhenBusy())
        return;
    disconnectLink();
    ctx->ShowStatus(2, QString());
    ctx->ShowStatus(3, QString());

    FEditLAN->FillFromEntry(oldEntry, ctx->CurrentDeviceMAC);
    if (ctx->Prompts->ExecDialog(FEditLAN, FEditLAN->objectName()) != ModalResult::mrOK) {
        ctx->ShowStatus(2, QStringLiteral("Modify TCP configuration cancelled"));
        return;
    }

    SetControlsEnabled(false);
    emit busyChanged(true);
    ctx->ShowStatus(2, QStringLiteral("Setting TCP control configuration ..."));

    uint8_t mac[6] = {};
    ParseMACText(ctx->CurrentDeviceMAC, mac);
    uint8_t ip[4], gateway[4], mask[4];
    FEditLAN->addressBytes(ip, gateway, mask);
    const bool autoIP = FEditLAN->autoIPChosen();
    const ModuleConfigRecord record =
        ModuleConfigRecord::build(mac, FEditLAN->leDeviceTag->text(), autoIP, ip, gateway, mask);

    int result = ModuleConfigRecord::Failed;
    {
        OperationScope operation(ctx, OperationScope::Link::NotNeeded);
        if (operation) {
            result = FModule->ConfigureModule(record.b);
            ctx->Engine->Pause(2 * LinkTiming::current().tickMs);
        }
    }

    if (result == ModuleConfigRecord::Conflict) {
        ctx->ShowStatus(2, QStringLiteral("Setting IP conflict:") + FEditLAN->ipText(), true);
        ctx->ShowStatus(3, QString());
    } else if (result != ModuleConfigRecord::Accepted) {
        ctx->ShowStatus(2, QStringLiteral("Modify TCP configuration failed"), true);
        ctx->ShowStatus(3, QString());
    } else {
        ctx->ShowStatus(2, QStringLiteral("Modify TCP configuration ok"));
        DeviceEntry e;
        e[DeviceEntry::Tag] = FEditLAN->leDeviceTag->text();
        e[DeviceEntry::IPMode] = IPModeNames[autoIP ? 1 : 0];
        if (autoIP) {
            ModuleConfigRecord reply;
            std::copy(FModule->ModuleConfig(), FModule->ModuleConfig() + ModuleConfigRecord::Size,
                      reply.b);
            e[DeviceEntry::IPAddress] = reply.ipText();
            e[DeviceEntry::Gateway] = reply.gatewayText();
            e[DeviceEntry::SubnetMask] = reply.maskText();
            e[DeviceEntry::MAC] = reply.replyMacText();
        } else {
            e[DeviceEntry::IPAddress] = FEditLAN->ipText();
            e[DeviceEntry::Gateway] = FEditLAN->gatewayText();
            e[DeviceEntry::SubnetMask] = FEditLAN->maskText();
            e[DeviceEntry::MAC] = FEditLAN->macText();
        }
        e[DeviceEntry::Subnet] =
            SubnetModeNames[DeviceEntryField(oldEntry, DeviceEntry::Subnet) == SubnetModeNames[1]
                                ? 1
                                : 0];
        const QString newEntry = e.text();
        // The edited entry moves to its sorted place; an equal entry already
        // in the list is not doubled.
        const int oldIndex =
            cbLANDevice->findText(oldEntry, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (oldIndex >= 0)
            cbLANDevice->removeItem(oldIndex);
        int at = cbLANDevice->findText(newEntry, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (at < 0)
            at = AddEntry(newEntry);
        cbLANDevice->setCurrentIndex(at);
        cbLANDeviceChange();
        const QStringList macParts = FEditLAN->macTexts();
        ctx->MacIdB1 = macParts.value(0);
        ctx->MacIdB2 = macParts.value(1);
        ctx->MacIdB3 = macParts.value(2);
    }

    SetControlsEnabled(true);
    emit busyChanged(false);
    if (btnConfig->isEnabled() && btnConfig->isVisible())
        btnConfig->setFocus();
}
