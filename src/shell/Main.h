#pragma once
// The main window: the page control with its sixteen pages, the status bar,
// the handler of the link engine's notifications, start-up and close.

#include "app/PromptService.h"
#include "link/LinkEvents.h"
#include "protocol/PartId.h"
#include "settings/SettingsData.h"

#include <QList>
#include <QMainWindow>
#include <QString>
#include <memory>

class AdvancedPage;
class BoardInfoEditorPage;
class AppContext;
class ConfigurationPage;
class FWInfoPage;
class FWUpgradePage;
class MergePage;
class DiagnosticLogPage;
class EdidPage;
class GeneralPage;
class IRRS232Page;
class InOutSettingPage;
class MultiViewPage;
class PortTagPage;
class SettingPage;
class VideoWallPage;
class TfrmShowInOutInfo;
struct ControlFlags;
class ProductInfoPage;
class UpgradePage;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QTreeWidget;
class TCaptionGauge;
class TPageControl;
class TStatusBar;
class WaitIndicator;
class TTSCOMControl;
class TfrmPreSettingEdit;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // appFolder: where "Settings.ini" lives (the executable's folder when empty).
    explicit TForm1(const QString &appFolder = QString(), QWidget *parent = nullptr);
    ~TForm1() override;

    // Service mode (matrix-tool --service): shows every hidden tab and every
    // control or group hidden as delivered (the routing view's ports 5 to 8
    // among them) and enables the board-information editor tab (tsMGFW).
    // Off: the window as delivered.
    void setServiceMode(bool on);
    bool ServiceMode() const { return FServiceMode; }

    // The start-up check: false (after the message box) when the folder cannot be written.
    static bool CheckAppFolder(const QString &folder, PromptService &prompts);

    void FormShow();
    bool FormCloseQuery();
    void FormClose();
    void tmrTimer();
    bool pcContainerChanging();

    void LoadSettings();
    void SaveSettings();
    void LoadPortTags();
    void SavePortTags();
    void ClearPortTags();

    void ShowStatus(int level, const QString &text, bool blink = false);
    void MarkPackageNode(bool restore, int partId, int subId, const QString &text);

    // The engine's reports.
    void LinkFailed(LinkFailure failure);
    void ConnectFailed(bool connected);
    void PartRefused(PartId part, PartVersion version);
    void PartProgress(PartId part, int percent);

    AppContext *Context() const { return ctx; }
    TTSCOMControl *Engine() const { return engine; }
    PromptService *Prompts() const { return prompts; }

    TPageControl *pcContainer;
    TStatusBar *sb;
    WaitIndicator *Wait;
    QTimer *tmr;
    QPlainTextEdit *mmoMsg; // the diagnostic log, shown on DiagLog in service mode
    QPushButton *btnStop;
    QPushButton *btnClear;
    GeneralPage *General;
    PortTagPage *PortTags;
    AdvancedPage *Advanced;
    EdidPage *Edid;
    FWInfoPage *FWInfo;
    ConfigurationPage *Configuration;
    SettingPage *Setting;
    MultiViewPage *MultiView;
    VideoWallPage *VideoWall;
    InOutSettingPage *InOutSetting;
    IRRS232Page *IRRS232;
    UpgradePage *Upgrade;
    FWUpgradePage *FWUpgrade; // tsFWUpgrade, the single-file upgrade
    MergePage *Merge;         // tsMergeFW
    ProductInfoPage *ProductInfo;
    TfrmPreSettingEdit *frmPreSettingEdit;
    TfrmShowInOutInfo *frmShowInOutInfo;
    BoardInfoEditorPage *PackageBuilder; // the board-information editor and package builder
    QWidget *tsMGFW = nullptr;
    DiagnosticLogPage *DiagLog; // tsDiagLog, a tab of service mode

    // Upgrade pages' outputs fed by the notifications (the package upgrade's
    // belong to its page).
    QPlainTextEdit *mmoMessage;        // single-file upgrade page
    QPlainTextEdit *mmoMessageUpgrade; // package upgrade page
    TCaptionGauge *tsgFWUpgrade;
    QTreeWidget *PackageTree; // the upgrade page's tree view
    bool UpgradeLinkOK = true;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildPages();
    QWidget *addPage(QWidget *page, const QString &name, const QString &caption, bool visible);
    void writeUpgradeLog(const QString &text, bool repeating);
    void connectEngine();

    PromptService FPrompts;
    PromptService *prompts;
    TTSCOMControl *engine;
    AppContext *ctx;
    SettingsData FStored; // what was read, for values without a control in this build
    // The settings file could not be read at start-up (too large, unreadable):
    // it is left as it is for the whole run, nothing is written to it.
    bool FSettingsLocked = false;
    ControlFlags *FControlFlags;
    QList<int> FHiddenTabs; // tabs hidden as delivered
    bool FServiceMode = false;
    bool FShown = false;
    bool FClosed = false;
};
