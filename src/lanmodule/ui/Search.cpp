#include "lanmodule/ui/Search.h"

#include "link/LinkWait.h"

#include "lanmodule/DeviceEntry.h"
#include "lanmodule/ui/ModalResults.h"
#include "lanmodule/ui/OctetEdit.h"
#include "link/ModuleLink.h"
#include "link/TSCOMControl.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QShowEvent>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString AutoSearching = QStringLiteral("Auto searching");
const QString GetMatrixInformations = QStringLiteral("Get Matrix informations");

QPushButton *makeButton(const QString &caption, const QString &name, QWidget *parent) {
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

QGroupBox *makeGroup(const QString &title, const QString &name) {
    auto *g = new QGroupBox(title);
    g->setObjectName(name);
    return g;
}

QLabel *makeText(const QString &text, QWidget *parent) {
    auto *l = new QLabel(text, parent);
    l->setWordWrap(true);
    return l;
}

QHBoxLayout *buttonRow(std::initializer_list<QPushButton *> buttons) {
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    for (QPushButton *b : buttons)
        row->addWidget(b);
    return row;
}

} // namespace

TfrmSearch::TfrmSearch(ModuleLink *module, QWidget *parent) : QDialog(parent), FModule(module) {
    setObjectName(QStringLiteral("frmSearch"));
    setFixedSize(617, 204);
    FSteps = new QStackedWidget(this);
    FSteps->setGeometry(8, 0, 617 - 16, 204 - 8);

    // Step 0
    gbSearching = makeGroup(AutoSearching, QStringLiteral("gbSearching"));
    lblSearchProgress = new QLabel(gbSearching);
    lblSearchProgress->setObjectName(QStringLiteral("lblSearchProgress"));
    lblSearchProgress->setFrameShape(QFrame::StyledPanel);
    lblSearchProgress->setAlignment(Qt::AlignCenter);
    lblSearchProgress->setMinimumHeight(28);
    lblSearchProgress->setAccessibleName(QStringLiteral("Search progress"));
    btnStop = makeButton(QStringLiteral("Stop"), QStringLiteral("btnStop"), gbSearching);
    {
        auto *l = new QVBoxLayout(gbSearching);
        l->addStretch(1);
        l->addWidget(lblSearchProgress);
        l->addStretch(1);
        l->addLayout(buttonRow({btnStop}));
    }

    // Step 1
    gbFound = makeGroup(QStringLiteral("Matrix found"), QStringLiteral("gbFound"));
    QLabel *foundText = makeText(
        QStringLiteral("Matrix which you're searching for has been list in below box?"), gbFound);
    cbMXDevice = new QComboBox(gbFound);
    cbMXDevice->setObjectName(QStringLiteral("cbMXDevice"));
    foundText->setBuddy(cbMXDevice);
    btnYes = makeButton(QStringLiteral("Yes"), QStringLiteral("btnYes"), gbFound);
    btnNo = makeButton(QStringLiteral("No"), QStringLiteral("btnNo"), gbFound);
    {
        auto *l = new QVBoxLayout(gbFound);
        l->addWidget(foundText);
        l->addWidget(cbMXDevice);
        l->addStretch(1);
        l->addLayout(buttonRow({btnYes, btnNo}));
    }

    // Step 2
    gbNotFound = makeGroup(QStringLiteral("Matrix not found after Auto searching"),
                           QStringLiteral("gbNotFound"));
    QLabel *ipLabel = new QLabel(QStringLiteral("IP address"), gbNotFound);
    auto *octets = new QHBoxLayout;
    octets->addWidget(ipLabel);
    static const char *const octetNames[4] = {"first", "second", "third", "fourth"};
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            octets->addWidget(new QLabel(QStringLiteral("."), gbNotFound));
        edtIPField[i] = new OctetEdit(gbNotFound);
        edtIPField[i]->setObjectName(QStringLiteral("edtIPField%1").arg(i + 1));
        edtIPField[i]->setAccessibleName(
            QStringLiteral("IP address, %1 octet").arg(QLatin1String(octetNames[i])));
        edtIPField[i]->setFixedWidth(48);
        octets->addWidget(edtIPField[i]);
    }
    ipLabel->setBuddy(edtIPField[0]);
    octets->addStretch(1);
    btnGo = makeButton(QStringLiteral("Go"), QStringLiteral("btnGo"), gbNotFound);
    btnNotFoundClose =
        makeButton(QStringLiteral("Close"), QStringLiteral("btnNotFoundClose"), gbNotFound);
    {
        auto *l = new QVBoxLayout(gbNotFound);
        l->addLayout(octets);
        l->addWidget(makeText(QStringLiteral("Enter the IP address and get Matrix informations."),
                              gbNotFound));
        l->addStretch(1);
        l->addLayout(buttonRow({btnGo, btnNotFoundClose}));
    }

    // Step 3
    gbCancelled = makeGroup(QStringLiteral("Searching cancelled"), QStringLiteral("gbCancelled"));
    btnCancelledClose =
        makeButton(QStringLiteral("Close"), QStringLiteral("btnCancelledClose"), gbCancelled);
    {
        auto *l = new QVBoxLayout(gbCancelled);
        l->addWidget(makeText(QStringLiteral("Searching TCP control device has been cancelled."),
                              gbCancelled));
        l->addStretch(1);
        l->addLayout(buttonRow({btnCancelledClose}));
    }

    // Step 4
    gbComplete = makeGroup(QStringLiteral("Searching complete"), QStringLiteral("gbComplete"));
    QLabel *completeText = makeText(QStringLiteral("Matrix found list as below."), gbComplete);
    cbMXDevice1 = new QComboBox(gbComplete);
    cbMXDevice1->setObjectName(QStringLiteral("cbMXDevice1"));
    completeText->setBuddy(cbMXDevice1);
    btnDone = makeButton(QStringLiteral("Done"), QStringLiteral("btnDone"), gbComplete);
    {
        auto *l = new QVBoxLayout(gbComplete);
        l->addWidget(completeText);
        l->addWidget(cbMXDevice1);
        l->addStretch(1);
        l->addLayout(buttonRow({btnDone}));
    }

    // Step 5
    gbNone = makeGroup(QStringLiteral("Searching complete"), QStringLiteral("gbNone"));
    btnNoneClose = makeButton(QStringLiteral("Close"), QStringLiteral("btnNoneClose"), gbNone);
    {
        auto *l = new QVBoxLayout(gbNone);
        l->addWidget(makeText(QStringLiteral("No Matrix found."), gbNone));
        l->addStretch(1);
        l->addLayout(buttonRow({btnNoneClose}));
    }

    for (QGroupBox *g : {gbSearching, gbFound, gbNotFound, gbCancelled, gbComplete, gbNone})
        FSteps->addWidget(g);

    connect(btnStop, &QPushButton::clicked, this, &TfrmSearch::btnStopClick);
    connect(btnYes, &QPushButton::clicked, this, [this] { done(ModalResult::mrYes); });
    connect(btnNo, &QPushButton::clicked, this, &TfrmSearch::btnNoClick);
    connect(btnGo, &QPushButton::clicked, this, &TfrmSearch::btnGoClick);
    connect(btnNotFoundClose, &QPushButton::clicked, this, [this] { done(ModalResult::mrCancel); });
    connect(btnCancelledClose, &QPushButton::clicked, this,
            [this] { done(ModalResult::mrCancel); });
    connect(btnDone, &QPushButton::clicked, this, [this] { done(ModalResult::mrOK); });
    connect(btnNoneClose, &QPushButton::clicked, this, [this] { done(ModalResult::mrNo); });

    // The pings keep the window alive while they wait.
    Ping.Pump = [] { LinkWait::serve(); };
    FSearchingCaption = AutoSearching;
    ShowStep(StepSearching);
}

void TfrmSearch::ShowStep(int step) {
    FStep = step;
    FSteps->setCurrentIndex(step);
    QWidget *focus = nullptr;
    switch (step) {
    case StepSearching:
        gbSearching->setTitle(FSearchingCaption);
        setWindowTitle(FSearchingCaption);
        focus = btnStop;
        break;
    case StepFound:
        setWindowTitle(gbFound->title());
        focus = btnYes;
        break;
    case StepNotFound:
        setWindowTitle(gbNotFound->title());
        for (int i = 0; i < 4; ++i)
            edtIPField[i]->setText(QString::number(DefaultModuleIP[i]));
        focus = edtIPField[3];
        break;
    case StepCancelled:
        setWindowTitle(gbCancelled->title());
        focus = btnCancelledClose;
        break;
    case StepComplete:
        setWindowTitle(gbComplete->title());
        focus = btnDone;
        break;
    case StepNone:
        setWindowTitle(gbNone->title());
        focus = btnNoneClose;
        break;
    default:
        break;
    }
    if (focus)
        focus->setFocus();
}

void TfrmSearch::SearchText(const QString &text, int lParam) {
    Q_UNUSED(lParam);
    if (FStep == StepSearching)
        lblSearchProgress->setText(text);
}

void TfrmSearch::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmSearch::FormShow() {
    FSearchingCaption = AutoSearching;
    lblSearchProgress->clear();
    AutoSearch = true;
    ShowStep(StepSearching);
    // The automatic search runs once the window is up.
    QTimer::singleShot(0, this, &TfrmSearch::FormActivate);
}

void TfrmSearch::FormActivate() {
    if (!AutoSearch || !isVisible())
        return;
    AutoSearch = false;
    StopPressed = false;
    cbMXDevice->clear();
    FoundEntries.clear();
    FBusy = true;
    const bool found = FModule->SearchModules();
    if (found) {
        addFoundEntries();
        cbMXDevice->addItems(FoundEntries);
        cbMXDevice->setCurrentIndex(0);
        ShowStep(StepFound);
    } else {
        ShowStep(StopPressed ? StepCancelled : StepNotFound);
    }
    FBusy = false;
    finishIfClosing();
}

void TfrmSearch::btnStopClick() {
    FModule->StopSearch();
    StopPressed = true;
}

void TfrmSearch::btnNoClick() {
    ShowStep(StepNotFound);
}

void TfrmSearch::btnGoClick() {
    if (FBusy)
        return;
    StopPressed = false;
    QStringList octets;
    for (OctetEdit *e : edtIPField) {
        e->clamp();
        octets << e->text();
    }
    TTSCOMControl *engine = FModule->engine();
    engine->setDeviceIP(octets.join(QLatin1Char('.')));
    engine->setUDPMode(umNORMAL);
    FSearchingCaption = GetMatrixInformations;
    lblSearchProgress->clear();
    ShowStep(StepSearching);
    FBusy = true;
    const bool found = FModule->SearchModules();
    if (found)
        addFoundEntries();
    if (found || (!StopPressed && !FoundEntries.isEmpty())) {
        cbMXDevice1->clear();
        cbMXDevice1->addItems(FoundEntries);
        cbMXDevice1->setCurrentIndex(0);
        ShowStep(StepComplete);
    } else {
        ShowStep(StopPressed ? StepCancelled : StepNone);
    }
    FBusy = false;
    finishIfClosing();
}

QString TfrmSearch::BuildEntry(int device) {
    DeviceEntry e;
    e[DeviceEntry::Tag] = FModule->FoundDeviceField(device, 6);
    e[DeviceEntry::IPMode] =
        IPModeNames[FModule->FoundDeviceField(device, 7) == QLatin1String("0") ? 0 : 1];
    e[DeviceEntry::IPAddress] = FModule->FoundDeviceField(device, 1);
    e[DeviceEntry::Gateway] = FModule->FoundDeviceField(device, 2);
    e[DeviceEntry::SubnetMask] = FModule->FoundDeviceField(device, 3);
    e[DeviceEntry::MAC] = FModule->FoundDeviceField(device, 0);
    const bool answered = !FModule->engine()->Closing() && Ping.ping(e[DeviceEntry::IPAddress]);
    e[DeviceEntry::Subnet] = SubnetModeNames[answered ? 0 : 1];
    return e.text();
}

void TfrmSearch::addFoundEntries() {
    const int count = FModule->FoundDeviceCount();
    QSet<QString> known(FoundEntries.begin(), FoundEntries.end());
    for (int i = 1; i <= count; ++i) {
        const QString entry = BuildEntry(i);
        if (!known.contains(entry)) {
            known.insert(entry);
            FoundEntries << entry;
        }
    }
}

void TfrmSearch::finishIfClosing() {
    // The application is closing: leave the wizard.
    if (FModule->engine()->Closing() && isVisible())
        done(ModalResult::mrCancel);
}

void TfrmSearch::reject() {
    if (FBusy) {
        btnStopClick();
        return;
    }
    QDialog::reject();
}
