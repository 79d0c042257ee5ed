#include "shell/Main.h"

#include "control/ui/AdvancedPage.h"
#include "control/ui/DeviceStatusGroup.h"
#include "control/ui/EdidPage.h"
#include "control/ui/PortTagPage.h"
#include "control/ui/PreSetting_edit.h"
#include "lanmodule/ui/LanDeviceGroup.h"
#include "lanmodule/ui/Search.h"
#include "link/Commands.h"
#include "link/TSCOMControl.h"
#include "settings/PortTagStore.h"
#include "shell/AppContext.h"
#include "shell/GeneralPage.h"
#include "shell/PromptService.h"
#include "shell/StatusBar.h"
#include "widgets/TCaptionGauge.h"
#include "widgets/TPageControl.h"

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

// "Part_" ids as the upgrade texts write them: high.low[.third]
QString partText(uint32_t wParam) {
    const uint16_t w = static_cast<uint16_t>(wParam & 0xFFFF);
    const uint8_t t = static_cast<uint8_t>(wParam >> 24);
    QString s = QStringLiteral("%1.%2").arg(HiByte(w)).arg(LoByte(w));
    if (t != 0)
        s += QStringLiteral(".%1").arg(t);
    return s;
}
} // namespace

TForm1::TForm1(const QString &appFolder, QWidget *parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("Form1"));
    prompts = std::make_unique<PromptService>(this);
    engine = new TTSCOMControl(this);
    engine->setListener(this);
    ctx = new AppContext(engine, prompts.get(), this);
    ctx->AppFolder =
        withSeparator(appFolder.isEmpty() ? QCoreApplication::applicationDirPath() : appFolder);
    (void)QRandomGenerator::global();

    setWindowTitle(DesignCaption);
    frmPreSettingEdit = new TfrmPreSettingEdit(ctx, this);

    sb = new TStatusBar;
    sb->QuietStatus = &ctx->QuietStatus;
    sb->Closing = &engine->Flags.Closing;

    pcContainer = new TPageControl;
    pcContainer->setObjectName(QStringLiteral("pcContainer"));
    pcContainer->setAccessibleName(QStringLiteral("Pages"));
    pcContainer->Changing = [this] { return pcContainerChanging(); };
    buildPages();

    mmoMsg = new QPlainTextEdit;
    mmoMsg->setObjectName(QStringLiteral("mmoMsg"));
    mmoMsg->setReadOnly(true);
    mmoMsg->setAccessibleName(QStringLiteral("Diagnostic log"));
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

    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 0);
    auto *row = new QHBoxLayout;
    row->addWidget(pcContainer, 1);
    row->addWidget(mmoMsg);
    layout->addLayout(row, 1);
    layout->addWidget(btnStop);
    layout->addWidget(btnClear);
    layout->addWidget(sb);
    setCentralWidget(central);

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

    setWindowTitle(windowTitle() + QStringLiteral("ver4.31"));
    resize(1025, 640);
    setWindowTitle(QStringLiteral("TALVERIUM ") + windowTitle());
}

TForm1::~TForm1() {
    engine->setListener(nullptr);
    engine->Disconnect();
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
    pcContainer->setTabVisible(index, visible);
    return page;
}

void TForm1::buildPages() {
    General = new GeneralPage(ctx);
    PortTags = new PortTagPage(ctx, frmPreSettingEdit);
    Advanced = new AdvancedPage(ctx);
    Edid = new EdidPage(ctx);

    // Pages whose workflows are not part of this build yet keep their place and name.
    auto placeholder = [](const QString &name) {
        auto *w = new QWidget;
        w->setObjectName(name);
        return w;
    };

    auto *fwUpgrade = placeholder(QStringLiteral("tsFWUpgrade"));
    mmoMessage = new QPlainTextEdit(fwUpgrade);
    mmoMessage->setObjectName(QStringLiteral("mmoMessage"));
    mmoMessage->setReadOnly(true);
    mmoMessage->setAccessibleName(QStringLiteral("Firmware upgrade messages"));
    (new QVBoxLayout(fwUpgrade))->addWidget(mmoMessage);

    auto *ugfw = placeholder(QStringLiteral("tsUGFW"));
    PackageTree = new QTreeWidget(ugfw);
    PackageTree->setObjectName(QStringLiteral("tvPackage"));
    PackageTree->setHeaderHidden(true);
    PackageTree->setAccessibleName(QStringLiteral("Firmware package parts"));
    mmoMessageUpgrade = new QPlainTextEdit(ugfw);
    mmoMessageUpgrade->setObjectName(QStringLiteral("mmoMessageUpgrade"));
    mmoMessageUpgrade->setReadOnly(true);
    mmoMessageUpgrade->setAccessibleName(QStringLiteral("Upgrade messages"));
    tsgFWUpgrade = new TCaptionGauge(ugfw);
    tsgFWUpgrade->setObjectName(QStringLiteral("tsgFWUpgrade"));
    tsgFWUpgrade->setAccessibleName(QStringLiteral("Upgrade progress"));
    auto *ugLayout = new QVBoxLayout(ugfw);
    ugLayout->addWidget(PackageTree, 1);
    ugLayout->addWidget(tsgFWUpgrade);
    ugLayout->addWidget(mmoMessageUpgrade, 1);

    addPage(General, QStringLiteral("tsGeneral"), QStringLiteral("General"), true);
    addPage(PortTags, QStringLiteral("tsPortTag"), QStringLiteral("Input/Output Setting"), false);
    addPage(placeholder(QStringLiteral("tsSetting")), QStringLiteral("tsSetting"),
            QStringLiteral("Matrix control"), false);
    addPage(placeholder(QStringLiteral("tsMV")), QStringLiteral("tsMV"),
            QStringLiteral("Multi-Vew control"), false);
    addPage(placeholder(QStringLiteral("tsVW")), QStringLiteral("tsVW"),
            QStringLiteral("Video-Wall control"), false);
    addPage(placeholder(QStringLiteral("tsInOutSetting")), QStringLiteral("tsInOutSetting"),
            QStringLiteral("Input/Output Settings"), false);
    addPage(placeholder(QStringLiteral("tsIRRS232Setting")), QStringLiteral("tsIRRS232Setting"),
            QStringLiteral("IR/RS232 Settings"), false);
    addPage(Edid, QStringLiteral("tsEDIDCtrl"), QStringLiteral("EDID Management"), true);
    addPage(Advanced, QStringLiteral("tsIR"), QStringLiteral("Advanced"), true);
    addPage(fwUpgrade, QStringLiteral("tsFWUpgrade"), QStringLiteral(" Firmware Upgrade"), false);
    addPage(placeholder(QStringLiteral("tsMergeFW")), QStringLiteral("tsMergeFW"),
            QStringLiteral("Merge Firmware"), false);
    QWidget *mgfw = addPage(placeholder(QStringLiteral("tsMGFW")), QStringLiteral("tsMGFW"),
                            QStringLiteral("Merge Firmware"), false);
    mgfw->setEnabled(false);
    addPage(ugfw, QStringLiteral("tsUGFW"), QStringLiteral("Upgrade Firmware"), true);
    addPage(placeholder(QStringLiteral("TabSheet1")), QStringLiteral("TabSheet1"),
            QStringLiteral("Product Information"), true);
    addPage(placeholder(QStringLiteral("tsFWInfo")), QStringLiteral("tsFWInfo"),
            QStringLiteral("Firmware Package Information"), true);
    addPage(placeholder(QStringLiteral("tsConfiguration")), QStringLiteral("tsConfiguration"),
            QStringLiteral("Configuration"), true);
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
    General->RefreshComPortList();
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
    if (!ctx->PowerOn)
        return true;
    return ctx->EngineFree();
}

bool TForm1::FormCloseQuery() {
    if (ctx->EngineFree()) {
        engine->Flags.Closing = true;
        return true;
    }
    if (engine->Connecting) {
        prompts->Information(QStringLiteral("Connection in process, please wait..."));
        return false;
    }
    if (prompts->Question(
            QStringLiteral("Processing not complete, continue to close controller?"))) {
        engine->Flags.Closing = true;
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

void TForm1::writeUpgradeLog(const QString &text, int32_t lParam) {
    if (lParam != 1) {
        mmoMessageUpgrade->appendPlainText(text);
        return;
    }
    mmoMessageUpgrade->setCursorWidth(0);
    QTextDocument *doc = mmoMessageUpgrade->document();
    for (const QString &phrase :
         {QStringLiteral("System rebooting"), QStringLiteral("More delay after system reboot")}) {
        if (!text.contains(phrase))
            continue;
        const QTextBlock last = doc->lastBlock();
        const QString lastLine = doc->isEmpty() ? QString() : last.text();
        if (lastLine.contains(phrase)) {
            QTextCursor cursor(last);
            cursor.select(QTextCursor::BlockUnderCursor);
            cursor.movePosition(QTextCursor::StartOfBlock);
            cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            cursor.insertText(text);
        } else {
            mmoMessageUpgrade->appendPlainText(text);
        }
    }
    mmoMessageUpgrade->repaint();
}

void TForm1::linkMessage(int message, uint32_t wParam, int32_t lParam, const QString &text) {
    switch (message) {
    case WM_LINK_TIMEOUT:
        engine->Flags.TimeoutSeen = true;
        ShowStatus(2, QStringLiteral("Time out!"), true);
        ShowStatus(3, QString());
        break;
    case WM_LINK_BADSTATUS:
        ShowStatus(2, QStringLiteral("Data invalid!"), true);
        ShowStatus(3, QString());
        break;
    case WM_LINK_EXCEPTION:
        ShowStatus(2,
                   engine->ControlMode() == cmCOM ? QStringLiteral("COM access failed!")
                                                  : QStringLiteral("TCP control failed!"),
                   true);
        ShowStatus(3, QString());
        break;
    case WM_LINK_CONNFAIL: {
        const bool connected = wParam != 0;
        if (engine->ControlMode() == cmCOM)
            ShowStatus(2,
                       QString(SerialActionWords[connected]) + QStringLiteral(" COM [") +
                           engine->ComPort() + QStringLiteral("] failed"),
                       true);
        else
            ShowStatus(2,
                       QString(LANActionWords[connected]) + QStringLiteral(" ") +
                           engine->DeviceIP() + QStringLiteral(" failed"),
                       true);
        ShowStatus(3, QString());
        UpgradeLinkOK = false;
        break;
    }
    case WM_LINK_PARTREFUSED: {
        const uint16_t v = static_cast<uint16_t>(lParam & 0xFFFF);
        mmoMessage->appendPlainText(
            QStringLiteral("Write to Part_") + partText(wParam) +
            QStringLiteral(" ver%1.%2 failed").arg(HiByte(v)).arg(LoByte(v)));
        engine->Flags.PartRefused = true;
        break;
    }
    case WM_LINK_PROGRESS: {
        const int percent = lParam & 0xFFFF;
        if (percent == FLastPercent)
            break;
        tsgFWUpgrade->SetCaption(QStringLiteral("Upgrading Part_") + partText(wParam));
        tsgFWUpgrade->SetPosition(percent);
        FLastPercent = percent;
        break;
    }
    case WM_LINK_INVALID:
        ShowStatus(2, QStringLiteral("Send data failed!"), true);
        ShowStatus(3, QString());
        break;
    case WM_LINK_UPGRADELOG:
        writeUpgradeLog(text, lParam);
        break;
    case WM_LINK_SEARCHTEXT:
        if (lParam == 0) {
            if (TfrmSearch *search = General->LanGroup->frmSearch())
                search->SearchText(text, lParam);
        } else {
            ShowStatus(2, text);
        }
        break;
    case WM_LINK_TREEMARK:
        MarkPackageNode(false, (lParam >> 16) & 0xFFFF, lParam & 0xFFFF, text);
        break;
    case WM_LINK_FRAMELOG:
    case WM_LINK_DATALOG:
        // Diagnostics: kept in the hidden memo, bounded.
        if (mmoMsg->document()->blockCount() > 2000)
            mmoMsg->clear();
        mmoMsg->appendPlainText(text);
        break;
    default:
        break;
    }
}

void TForm1::MarkPackageNode(bool restore, int partId, int subId, const QString &text) {
    if (PackageTree->topLevelItemCount() == 0)
        return;
    auto nodeByte6 = [](QTreeWidgetItem *item) {
        const QByteArray data = item->data(0, Qt::UserRole).toByteArray();
        return data.size() > 6 ? static_cast<uint8_t>(data[6]) : -1;
    };
    int textIndex = 0;
    for (int i = 0; i < PackageTree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *node = PackageTree->topLevelItem(i);
        if (restore) {
            if (textIndex < PackageTreeTexts.size())
                node->setText(0, PackageTreeTexts[textIndex++]);
            for (int c = 0; c < node->childCount(); ++c)
                if (textIndex < PackageTreeTexts.size())
                    node->child(c)->setText(0, PackageTreeTexts[textIndex++]);
            continue;
        }
        if (nodeByte6(node) != partId)
            continue;
        QTreeWidgetItem *chosen = node;
        for (int c = 0; c < node->childCount(); ++c) {
            if (nodeByte6(node->child(c)) == subId) {
                chosen = node->child(c);
                break;
            }
        }
        chosen->setText(0, chosen->text(0) + QStringLiteral(" ->") + text);
        break;
    }
    PackageTree->viewport()->update();
}

// ---- Settings file ------------------------------------------------------

void TForm1::LoadSettings() {
    const SettingsData data = SettingsData::loadFile(ctx->SettingsPath());
    FStored = data;

    General->rbLANMode->setChecked(data.lanMode);
    General->rbCOMMode->setChecked(!data.lanMode);
    if (data.lanMode)
        General->rbLANModeClick();
    else
        General->rbCOMModeClick();

    engine->setComPort(data.comPort);

    General->LanGroup->SetEntries(data.devices);
    General->LanGroup->SelectEntry(data.lanDevice);

    QComboBox *ports = General->cbCOMList;
    const int index = ports->findText(engine->ComPort(), Qt::MatchExactly);
    if (index >= 0)
        ports->setCurrentIndex(index);
    else if (ports->count() > 0)
        ports->setCurrentIndex(0);

    ClearPortTags();
    LoadPortTags();

    EdidChoices choices;
    choices.mode = data.edidMode;
    choices.modeInput = data.setEdidModeInput;
    choices.copyOutput = data.copyEdidOutput;
    choices.copyInput = data.copyEdidInput;
    choices.readOutput = data.readEdidDataOutput;
    choices.downloadInput = data.downloadEdidInput;
    Edid->RestoreChoices(choices);

    frmPreSettingEdit->SetInputNames(data.inDeviceNames);
    frmPreSettingEdit->SetOutputNames(data.outDisplayNames);

    ctx->MacIdB1 = data.macId[0];
    ctx->MacIdB2 = data.macId[1];
    ctx->MacIdB3 = data.macId[2];
    ctx->AfterRebootDelay = data.AfterRebootDelay;
    ctx->BeforeBIDelay = data.BeforeBIDelay;
    engine->AfterRebootDelay = data.AfterRebootDelay;
}

void TForm1::SaveSettings() {
    SettingsData data = FStored;
    data.lanMode = General->rbLANMode->isChecked();
    data.comPort = General->cbCOMList->currentText();
    data.lanDevice = General->LanGroup->cbLANDevice->currentText();
    data.devices = General->LanGroup->Entries();
    data.tagMode = engine->ControlMode();
    data.deviceMac = ctx->CurrentDeviceMAC;
    for (int n = 1; n <= PortTagStore::PortCount; ++n) {
        data.tags.inputs[n - 1] = PortTags->Label(n);
        data.tags.outputs[n - 1] = PortTags->Label(40 + n);
    }
    data.inDeviceNames = frmPreSettingEdit->InputNames();
    data.outDisplayNames = frmPreSettingEdit->OutputNames();
    const EdidChoices choices = Edid->Choices();
    data.edidMode = choices.mode;
    data.setEdidModeInput = choices.modeInput;
    data.copyEdidOutput = choices.copyOutput;
    data.copyEdidInput = choices.copyInput;
    data.readEdidDataOutput = choices.readOutput;
    data.downloadEdidInput = choices.downloadInput;
    data.saveEdidFile = choices.savePath;
    data.openEdidFile = choices.openPath;
    data.displayTag = true;
    data.macId = {ctx->MacIdB1, ctx->MacIdB2, ctx->MacIdB3};
    data.AfterRebootDelay = ctx->AfterRebootDelay;
    data.BeforeBIDelay = ctx->BeforeBIDelay;
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
