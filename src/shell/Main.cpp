#include "shell/Main.h"

#include "app/AppContext.h"
#include "app/OperationScope.h"
#include "app/PromptService.h"
#include "boardinfo/ui/BoardInfoEditorPage.h"
#include "boardinfo/ui/ProductInfoPage.h"
#include "control/ControlFlags.h"
#include "control/ui/AdvancedPage.h"
#include "control/ui/DeviceStatusGroup.h"
#include "control/ui/EdidPage.h"
#include "control/ui/IRRS232Page.h"
#include "control/ui/InOutSettingPage.h"
#include "control/ui/MultiViewPage.h"
#include "control/ui/PortTagPage.h"
#include "control/ui/PreSetting_edit.h"
#include "control/ui/SettingPage.h"
#include "control/ui/ShowInOutInfo.h"
#include "control/ui/VideoWallPage.h"
#include "firmware/FirmwareTransfer.h"
#include "firmware/ui/ConfigurationPage.h"
#include "firmware/ui/FWInfoPage.h"
#include "firmware/ui/FWUpgradePage.h"
#include "firmware/ui/MergePage.h"
#include "firmware/ui/UpgradePage.h"
#include "lanmodule/ui/LanDeviceGroup.h"
#include "lanmodule/ui/ModuleInfoGroup.h"
#include "lanmodule/ui/Search.h"
#include "link/LinkAlerts.h"
#include "link/ModuleLink.h"
#include "link/TSCOMControl.h"
#include "protocol/Commands.h"
#include "settings/PortTagStore.h"
#include "shell/DiagnosticLogPage.h"
#include "shell/DialogPrompts.h"
#include "shell/GeneralPage.h"
#include "shell/StatusBar.h"
#include "shell/WaitIndicator.h"
#include "widgets/ServiceVisibility.h"
#include "widgets/TCaptionGauge.h"
#include "widgets/TPageControl.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QShortcut>
#include <QTextBlock>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
const QString DesignCaption = QStringLiteral("Firmware upgrading w/ VC & EDID control tool - ");

QString withSeparator(const QString &folder) {
    QString f = QDir::fromNativeSeparators(folder);
    if (!f.endsWith(QLatin1Char('/')))
        f += QLatin1Char('/');
    return f;
}

// Longest diagnostic log kept in the hidden memo, in lines.
constexpr int DiagnosticLines = 2000;
} // namespace

TForm1::TForm1(const QString &appFolder, QWidget *parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("Form1"));
    prompts = &FPrompts;
    DialogPrompts::install(FPrompts, this);
    engine = new TTSCOMControl(this);
    ctx = new AppContext(engine, prompts, this);
    ctx->AppFolder =
        withSeparator(appFolder.isEmpty() ? QCoreApplication::applicationDirPath() : appFolder);
    (void)QRandomGenerator::global();

    setWindowTitle(DesignCaption);
    frmPreSettingEdit = new TfrmPreSettingEdit(ctx, this);
    frmShowInOutInfo = new TfrmShowInOutInfo(this);
    FControlFlags = new ControlFlags;

    sb = new TStatusBar;
    sb->QuietStatus = &ctx->QuietStatus;
    sb->Closing = engine->closingFlag();

    pcContainer = new TPageControl;
    pcContainer->setObjectName(QStringLiteral("pcContainer"));
    pcContainer->setAccessibleName(QStringLiteral("Pages"));
    pcContainer->Changing = [this] { return pcContainerChanging(); };
    buildPages();

    mmoMsg = new QPlainTextEdit;
    mmoMsg->setObjectName(QStringLiteral("mmoMsg"));
    mmoMsg->setReadOnly(true);
    mmoMsg->setAccessibleName(QStringLiteral("Diagnostic log"));
    mmoMsg->setMaximumBlockCount(DiagnosticLines);
    btnStop = new QPushButton(QStringLiteral("Stop"));
    btnStop->setObjectName(QStringLiteral("btnStop"));
    btnClear = new QPushButton(QStringLiteral("clear"));
    btnClear->setObjectName(QStringLiteral("btnClear"));
    for (QWidget *w : {static_cast<QWidget *>(mmoMsg), static_cast<QWidget *>(btnStop),
                       static_cast<QWidget *>(btnClear)}) {
        w->setEnabled(false);
        w->setVisible(false);
    }
    connect(btnClear, &QPushButton::clicked, mmoMsg, &QPlainTextEdit::clear);
    // The memo lives on the diagnostic log page, whose tab only service mode shows.
    DiagLog = new DiagnosticLogPage(mmoMsg, prompts);
    connect(DiagLog, &DiagnosticLogPage::statusText, this,
            [this](int level, const QString &text) { ShowStatus(level, text); });
    addPage(DiagLog, QStringLiteral("tsDiagLog"), QStringLiteral("Diagnostic log"), false);

    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 0);
    auto *row = new QHBoxLayout;
    row->addWidget(pcContainer, 1);
    layout->addLayout(row, 1);
    layout->addWidget(btnStop);
    layout->addWidget(btnClear);
    auto *statusRow = new QHBoxLayout;
    statusRow->addWidget(sb, 1);
    Wait = new WaitIndicator(ctx, central);
    statusRow->addWidget(Wait);
    layout->addLayout(statusRow);
    setCentralWidget(central);
    // Esc ends a wait as the status bar's Stop does.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { ctx->StopOperation(); });

    tmr = new QTimer(this);
    tmr->setObjectName(QStringLiteral("tmr"));
    tmr->setInterval(1000);
    connect(tmr, &QTimer::timeout, this, [this] { tmrTimer(); });

    // Hooks the pages use.
    ctx->ConnectAction = [this] { General->btnConnectClick(); };
    ctx->StatusSink = [this](int level, const QString &text, bool blink) {
        ShowStatus(level, text, blink);
    };
    ctx->PortLabel = [this](int tag) { return PortTags->Label(tag); };
    ctx->SavePortTagsAction = [this] { SavePortTags(); };
    ctx->LoadPortTagsAction = [this] {
        ClearPortTags();
        LoadPortTags();
    };
    ctx->DiagnosticLine = [this](const QString &line) { mmoMsg->appendPlainText(line); };
    connect(ctx, &AppContext::portLabelsChanged, this, [this] {
        frmPreSettingEdit->RebuildPortLists([this](int tag) { return PortTags->Label(tag); });
    });

    connectEngine();

    setWindowTitle(windowTitle() + QStringLiteral("ver4.31"));
    resize(1025, 640);
    setWindowTitle(QStringLiteral("TALVERIUM ") + windowTitle());
}

TForm1::~TForm1() {
    engine->disconnect(this);
    engine->Modules()->disconnect(this);
    ctx->Firmware->disconnect(this);
    engine->Cancel();
    delete FControlFlags;
}

void TForm1::setServiceMode(bool on) {
    FServiceMode = on;
    for (int index : FHiddenTabs)
        pcContainer->setTabShown(index, on);
    tsMGFW->setEnabled(on);
    ServiceVisibility::Apply(this, on);
    mmoMsg->setEnabled(on);
    mmoMsg->setVisible(on);
}

bool TForm1::CheckAppFolder(const QString &folder, PromptService &prompts) {
    if (FolderIsWritable(folder))
        return true;
    prompts.Information(
        QStringLiteral("Please copy GUI application to writable disk then run it. Thank you."));
    return false;
}

QWidget *TForm1::addPage(QWidget *page, const QString &name, const QString &caption, bool visible) {
    if (page->objectName().isEmpty())
        page->setObjectName(name);
    const int index = pcContainer->addTab(page, caption);
    pcContainer->setTabShown(index, visible);
    if (!visible)
        FHiddenTabs.append(index);
    return page;
}

void TForm1::buildPages() {
    General = new GeneralPage(ctx);
    PortTags = new PortTagPage(ctx, frmPreSettingEdit);
    Advanced = new AdvancedPage(ctx);
    Edid = new EdidPage(ctx);
    Setting = new SettingPage(ctx, frmPreSettingEdit, frmShowInOutInfo);
    MultiView = new MultiViewPage(ctx);
    VideoWall = new VideoWallPage(ctx, FControlFlags);
    InOutSetting = new InOutSettingPage(ctx, FControlFlags);
    IRRS232 = new IRRS232Page(ctx, FControlFlags);
    PortTags->SetFlags(FControlFlags);
    Advanced->SetFlags(FControlFlags);
    DeviceStatusGroup *status = General->DeviceStatus;
    PortTags->TypeLabel = [status](int n) { return status->TypeLabel(n); };
    Setting->DisplayTagChecked = [status] { return status->cbDisplayTag->isChecked(); };
    // Groups of other pages that the form as delivered keeps hidden.
    for (QWidget *w :
         {static_cast<QWidget *>(Edid->gbEDIDMode), static_cast<QWidget *>(Edid->gbOutputEDID),
          static_cast<QWidget *>(Advanced->ModuleInfo->gbResetDefault)})
        ServiceVisibility::HideAsDelivered(w);

    FWUpgrade = new FWUpgradePage(ctx);
    mmoMessage = FWUpgrade->mmoMessage;
    Merge = new MergePage(ctx);

    Upgrade = new UpgradePage(ctx);
    PackageTree = Upgrade->tvPackage;
    mmoMessageUpgrade = Upgrade->mmoMessageUpgrade;
    tsgFWUpgrade = Upgrade->tsgFWUpgrade;

    addPage(General, QStringLiteral("tsGeneral"), QStringLiteral("General"), true);
    addPage(PortTags, QStringLiteral("tsPortTag"), QStringLiteral("Input/Output Setting"), false);
    addPage(Setting, QStringLiteral("tsSetting"), QStringLiteral("Matrix control"), false);
    addPage(MultiView, QStringLiteral("tsMV"), QStringLiteral("Multi-Vew control"), false);
    addPage(VideoWall, QStringLiteral("tsVW"), QStringLiteral("Video-Wall control"), false);
    addPage(InOutSetting, QStringLiteral("tsInOutSetting"), QStringLiteral("Input/Output Settings"),
            false);
    addPage(IRRS232, QStringLiteral("tsIRRS232Setting"), QStringLiteral("IR/RS232 Settings"),
            false);
    addPage(Edid, QStringLiteral("tsEDIDCtrl"), QStringLiteral("EDID Management"), true);
    addPage(Advanced, QStringLiteral("tsIR"), QStringLiteral("Advanced"), true);
    addPage(FWUpgrade, QStringLiteral("tsFWUpgrade"), QStringLiteral(" Firmware Upgrade"), false);
    addPage(Merge, QStringLiteral("tsMergeFW"), QStringLiteral("Merge Firmware"), false);
    PackageBuilder = new BoardInfoEditorPage(ctx);
    tsMGFW =
        addPage(PackageBuilder, QStringLiteral("tsMGFW"), QStringLiteral("Merge Firmware"), false);
    tsMGFW->setEnabled(false);
    addPage(Upgrade, QStringLiteral("tsUGFW"), QStringLiteral("Upgrade Firmware"), true);
    ProductInfo = new ProductInfoPage(ctx);
    addPage(ProductInfo, QStringLiteral("TabSheet1"), QStringLiteral("Product Information"), true);
    FWInfo = new FWInfoPage(prompts);
    connect(FWInfo, &FWInfoPage::statusText, this,
            [this](int level, const QString &text) { ShowStatus(level, text); });
    addPage(FWInfo, QStringLiteral("tsFWInfo"), QStringLiteral("Firmware Package Information"),
            true);
    Configuration = new ConfigurationPage(ctx);
    addPage(Configuration, QStringLiteral("tsConfiguration"), QStringLiteral("Configuration"),
            true);
}

void TForm1::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    if (!FShown) {
        FShown = true;
        FormShow();
    }
}

void TForm1::FormShow() {
    General->DeviceStatus->InitialiseTexts();
    Setting->InitialiseDisplays();
    MultiView->InitialiseDisplays();
    VideoWall->InitialiseDisplays();
    General->RefreshComPortList();
    Upgrade->ShowUpgradeAdvice();
    Merge->InitialiseDateStamp();
    LoadSettings();
    ShowStatus(1, ConnectionStateWords[engine->Connected()]);
    tmr->start();
    SaveSettings();
}

void TForm1::tmrTimer() {
    General->RefreshComPortList();
    ShowStatus(4, QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
}

bool TForm1::pcContainerChanging() {
    // No page change under a running operation, whatever the power state.
    return !ctx->RefuseWhenBusy();
}

bool TForm1::FormCloseQuery() {
    if (!ctx->Busy()) {
        engine->Cancel();
        return true;
    }
    if (engine->IsConnecting()) {
        prompts->Information(QStringLiteral("Connection in process, please wait..."));
        return false;
    }
    if (prompts->Question(
            QStringLiteral("Processing not complete, continue to close controller?"))) {
        engine->Cancel();
        return true;
    }
    return false;
}

void TForm1::FormClose() {
    SaveSettings();
}

void TForm1::closeEvent(QCloseEvent *event) {
    if (FClosed) {
        event->accept();
        return;
    }
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FClosed = true;
    tmr->stop();
    FormClose();
    event->accept();
}

void TForm1::ShowStatus(int level, const QString &text, bool blink) {
    sb->ShowStatus(level, text, blink);
}

void TForm1::writeUpgradeLog(const QString &text, bool repeating) {
    // The reboot texts belong to the page whose run is uploading.
    if (FWUpgrade->Running())
        FWUpgrade->WriteUpgradeLog(text, repeating);
    else
        Upgrade->WriteUpgradeLog(text, repeating);
}

void TForm1::connectEngine() {
    connect(engine, &TTSCOMControl::linkFailed, this, &TForm1::LinkFailed);
    connect(engine, &TTSCOMControl::connectFailed, this,
            [this](bool connected, const QString &) { ConnectFailed(connected); });
    connect(engine, &TTSCOMControl::linkNote, this,
            [this](const QString &text) { mmoMsg->appendPlainText(text); });
    connect(engine, &TTSCOMControl::connectionLost, this,
            [this](const QString &reason) { General->LinkLost(reason); });
    connect(engine, &TTSCOMControl::diagnostic, this,
            [this](LinkMessage kind, const QString &text) {
                // Diagnostics: kept in the hidden memo, bounded to its last lines.
                if (kind == WM_LINK_FRAMELOG || kind == WM_LINK_DATALOG)
                    mmoMsg->appendPlainText(text);
            });
    connect(engine->Modules(), &ModuleLink::searchText, this,
            [this](const QString &text, SearchTextTarget target) {
                if (target == SearchTextTarget::SearchDialog) {
                    if (TfrmSearch *search = General->LanGroup->frmSearch())
                        search->SearchText(text, 0);
                } else {
                    ShowStatus(2, text);
                }
            });
    FirmwareTransfer *firmware = ctx->Firmware;
    connect(firmware, &FirmwareTransfer::partRefused, this, &TForm1::PartRefused);
    connect(firmware, &FirmwareTransfer::partProgress, this, &TForm1::PartProgress);
    connect(firmware, &FirmwareTransfer::upgradeLog, this,
            [this](const QString &text, bool repeating) { writeUpgradeLog(text, repeating); });
}

void TForm1::LinkFailed(LinkFailure failure) {
    ShowStatus(2, LinkAlerts::FailureText(failure, engine->ControlMode()), true);
    ShowStatus(3, QString());
}

void TForm1::ConnectFailed(bool connected) {
    const QString failed = LinkAlerts::ConnectFailureText(engine->ControlMode(), connected,
                                                          engine->ComPort(), engine->DeviceIP());
    const QString advice =
        engine->ControlMode() == cmCOM && !connected ? engine->ConnectAdvice() : QString();
    if (advice.isEmpty()) {
        ShowStatus(2, failed, true);
    } else {
        // A port this user may not open: say so and how to fix it.
        ShowStatus(2, failed + QStringLiteral(": ") + engine->ConnectAdviceSummary(), true);
        mmoMsg->appendPlainText(failed + QStringLiteral(": ") + advice);
        prompts->Information(failed + QStringLiteral(".\n\n") + advice);
    }
    ShowStatus(3, QString());
    UpgradeLinkOK = false;
}

void TForm1::PartRefused(PartId part, PartVersion version) {
    mmoMessage->appendPlainText(QStringLiteral("Write to Part_") + part.text() +
                                QStringLiteral(" ver") + version.text() +
                                QStringLiteral(" failed"));
}

void TForm1::PartProgress(PartId part, int percent) {
    if (FWUpgrade->Running())
        FWUpgrade->PartProgress(part, percent);
    else
        Upgrade->PartProgress(part, percent);
}

void TForm1::MarkPackageNode(bool restore, int partId, int subId, const QString &text) {
    Upgrade->MarkPackageNode(restore, partId, subId, text);
}

// ---- Settings file ------------------------------------------------------

void TForm1::LoadSettings() {
    QString error;
    const SettingsData data = SettingsData::loadFile(ctx->SettingsPath(), &error);
    if (!error.isEmpty() && !FSettingsLocked) {
        // Said once; every later save would only repeat it.
        FSettingsLocked = true;
        prompts->Error(error);
    }
    FStored = data;
    // Each page takes its own values, in the file's order.
    General->LoadSettings(data);
    ClearPortTags();
    LoadPortTags();
    Edid->LoadSettings(data);
    frmPreSettingEdit->SetInputNames(data.inDeviceNames);
    frmPreSettingEdit->SetOutputNames(data.outDisplayNames);
    Setting->LoadPresets(data);
    frmPreSettingEdit->RebuildPortLists([this](int tag) { return PortTags->Label(tag); });
    General->DeviceStatus->cbDisplayTag->setChecked(true); // the stored value is not read
    ctx->LoadSettings(data);
}

void TForm1::SaveSettings() {
    if (FSettingsLocked)
        return;
    SettingsData data = FStored;
    General->SaveSettings(data);
    data.tagMode = engine->ControlMode();
    data.deviceMac = ctx->CurrentDeviceMAC;
    for (int n = 1; n <= PortTagStore::PortCount; ++n) {
        data.tags.inputs[n - 1] = PortTags->Label(n);
        data.tags.outputs[n - 1] = PortTags->Label(40 + n);
    }
    data.inDeviceNames = frmPreSettingEdit->InputNames();
    data.outDisplayNames = frmPreSettingEdit->OutputNames();
    Setting->SavePresets(data);
    data.displayTag = General->DeviceStatus->cbDisplayTag->isChecked();
    Edid->SaveSettings(data);
    ctx->SaveSettings(data);
    QString error;
    if (!data.saveFile(ctx->SettingsPath(), &error))
        prompts->Error(error);
}

void TForm1::LoadPortTags() {
    const PortTagStore::Tags tags =
        PortTagStore::loadFile(ctx->SettingsPath(), engine->ControlMode(), ctx->CurrentDeviceMAC);
    for (int n = 1; n <= PortTagStore::PortCount; ++n) {
        PortTags->SetLabel(n, tags.inputs[n - 1]);
        PortTags->SetLabel(40 + n, tags.outputs[n - 1]);
    }
    emit ctx->portLabelsChanged();
}

void TForm1::SavePortTags() {
    if (FSettingsLocked)
        return;
    PortTagStore::Tags tags;
    for (int n = 1; n <= PortTagStore::PortCount; ++n) {
        tags.inputs[n - 1] = PortTags->Label(n);
        tags.outputs[n - 1] = PortTags->Label(40 + n);
    }
    QString error;
    if (!PortTagStore::saveFile(ctx->SettingsPath(), engine->ControlMode(), ctx->CurrentDeviceMAC,
                                tags, &error))
        prompts->Error(error);
}

void TForm1::ClearPortTags() {
    PortTags->ClearPortTags();
}
