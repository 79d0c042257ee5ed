#include "lanmodule/ui/ModuleInfoGroup.h"

#include "app/AppContext.h"
#include "app/OperationScope.h"
#include "app/PromptService.h"
#include "lanmodule/ui/EnterYes.h"
#include "lanmodule/ui/ModalResults.h"
#include "link/ModuleLink.h"
#include "link/TSCOMControl.h"
#include "protocol/LdcdPacket.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString VersionCaption = QStringLiteral("Version: ");
const QString DHCPCaption = QStringLiteral("DHCP: ");
const QString IPCaption = QStringLiteral("IP Address: ");
} // namespace

ModuleInfoGroup::ModuleInfoGroup(AppContext *context, ModuleLink *module, QWidget *parent)
    : QWidget(parent), ctx(context),
      FModule(module ? module : new ModuleLink(context->Engine, this)) {
    setObjectName(QStringLiteral("ModuleInfoGroup"));

    gbTCPModInfo = new QGroupBox(QStringLiteral("TCP Module infomation"), this);
    gbTCPModInfo->setObjectName(QStringLiteral("gbTCPModInfo"));
    lblTCPVersion = new QLabel(VersionCaption, gbTCPModInfo);
    lblTCPVersion->setObjectName(QStringLiteral("lblTCPVersion"));
    lblTCPDHCP = new QLabel(DHCPCaption, gbTCPModInfo);
    lblTCPDHCP->setObjectName(QStringLiteral("lblTCPDHCP"));
    lblTCPIPAddr = new QLabel(IPCaption, gbTCPModInfo);
    lblTCPIPAddr->setObjectName(QStringLiteral("lblTCPIPAddr"));
    btnQueryTCPModInfo = new QPushButton(QStringLiteral("&Query"), gbTCPModInfo);
    btnQueryTCPModInfo->setObjectName(QStringLiteral("btnQueryTCPModInfo"));
    {
        auto *l = new QVBoxLayout(gbTCPModInfo);
        l->addWidget(lblTCPVersion);
        l->addWidget(lblTCPDHCP);
        l->addWidget(lblTCPIPAddr);
        auto *row = new QHBoxLayout;
        row->addStretch(1);
        row->addWidget(btnQueryTCPModInfo);
        l->addLayout(row);
    }

    gbResetDefault = new QGroupBox(QStringLiteral("Reset TCP Module"), this);
    gbResetDefault->setObjectName(QStringLiteral("gbResetDefault"));
    btnReset = new QPushButton(QStringLiteral("&Reset ..."), gbResetDefault);
    btnReset->setObjectName(QStringLiteral("btnReset"));
    {
        auto *l = new QHBoxLayout(gbResetDefault);
        l->addStretch(1);
        l->addWidget(btnReset);
    }
    gbResetDefault->hide();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(gbTCPModInfo);
    layout->addWidget(gbResetDefault);

    FEnterYes = new TfrmEnterYes(this);

    connect(btnQueryTCPModInfo, &QPushButton::clicked, this,
            &ModuleInfoGroup::btnQueryTCPModInfoClick);
    connect(btnReset, &QPushButton::clicked, this, &ModuleInfoGroup::btnResetClick);
}

void ModuleInfoGroup::SetControlsEnabled(bool enabled) {
    for (QWidget *w : {static_cast<QWidget *>(gbTCPModInfo), static_cast<QWidget *>(lblTCPVersion),
                       static_cast<QWidget *>(lblTCPDHCP), static_cast<QWidget *>(lblTCPIPAddr),
                       static_cast<QWidget *>(btnQueryTCPModInfo),
                       static_cast<QWidget *>(gbResetDefault), static_cast<QWidget *>(btnReset)})
        w->setEnabled(enabled);
}

void ModuleInfoGroup::btnQueryTCPModInfoClick() {
    OperationScope operation(ctx);
    if (!operation)
        return;
    btnQueryTCPModInfo->setEnabled(false);
    ctx->ShowStatus(2, QStringLiteral("Query TCP Module information ..."));
    lblTCPVersion->setText(VersionCaption);
    lblTCPDHCP->setText(DHCPCaption);
    lblTCPIPAddr->setText(IPCaption);

    const LdcdPacket request = LdcdPacket::queryRequest();
    TModuleReply reply;
    FModule->ModuleCommand(request.b, reply);
    if (reply.ok()) {
        LdcdPacket got;
        std::copy(reply.Bytes, reply.Bytes + LdcdPacket::Size, got.b);
        ctx->ShowStatus(2, QStringLiteral("Query TCP Module ok"));
        lblTCPVersion->setText(VersionCaption + got.versionText());
        lblTCPDHCP->setText(DHCPCaption + IPModeNames[got.autoIP() ? 1 : 0]);
        lblTCPIPAddr->setText(IPCaption + got.ipText());
    } else {
        ctx->ShowStatus(2, QStringLiteral("Query TCP Module failed"), true);
    }
    btnQueryTCPModInfo->setEnabled(true);
    ctx->ShowStatus(3, QString());
}

void ModuleInfoGroup::btnResetClick() {
    bool done = false;
    {
        OperationScope operation(ctx);
        if (!operation)
            return;
        ctx->ShowStatus(2, QStringLiteral("Reset Default ..."));
        if (ctx->Prompts->ExecDialog(FEnterYes, FEnterYes->objectName()) != ModalResult::mrYes) {
            ctx->ShowStatus(2, QStringLiteral("Reset Default cancelled"));
            return;
        }
        const LdcdPacket request = LdcdPacket::resetRequest();
        TModuleReply reply;
        FModule->ModuleCommand(request.b, reply);
        done = reply.ok();
    }
    if (done) {
        ctx->ShowStatus(2, QStringLiteral("Reset Default ok"));
        btnQueryTCPModInfoClick();
    } else {
        ctx->ShowStatus(2, QStringLiteral("Reset Default failed"), true);
    }
    ctx->ShowStatus(3, QString());
}
