#pragma once
// The state every page shares: the one link engine, the firmware transfer on
// it, the operation that holds the link, the power state, the status bar entry
// and the single way to run a command. The composition root (the main window,
// or a test) creates it and installs the hooks; pages receive a pointer to it.
//
// One busy rule: every operation that uses the link runs inside an
// OperationScope. While one runs, a second is refused with "In processing,
// command ignored", and nothing may change or close the connection. A refusal
// is never an answer from the unit: RunCommand says Refused, not Failed.

#include "link/TSCOMControl.h"
#include "protocol/Frames.h"

#include <QObject>
#include <QString>
#include <functional>

class FirmwareTransfer;
class PromptService;
struct SettingsData;

enum class RunResult {
    Refused, // not run: another operation holds the link, or the window is closing
    Failed,  // run (or the link could not be opened) without a valid reply
    Done,    // the unit answered
};

class AppContext : public QObject {
    Q_OBJECT
public:
    AppContext(TTSCOMControl *engine, PromptService *prompts, QObject *parent = nullptr);
    ~AppContext() override;

    TTSCOMControl *Engine;
    PromptService *Prompts;
    FirmwareTransfer *Firmware;

    bool PowerOn = false;
    bool QuietStatus = false;
    QString CurrentDeviceMAC = QStringLiteral("00-00-00-00-00-00");
    QString AppFolder; // with a trailing separator
    // "MAC ID Bytes" remembered from the last module configuration.
    QString MacIdB1 = QStringLiteral("18");
    QString MacIdB2 = QStringLiteral("98");
    QString MacIdB3 = QStringLiteral("66");
    int AfterRebootDelay = 0;
    int BeforeBIDelay = 0;
    // The folder the firmware pages' open dialogs start in (the single-file
    // upgrade page sets it, the merge page sets it while it is empty); kept
    // for the session.
    QString LastFirmwareFolder;

    bool Closing() const { return Engine->Closing(); }
    QString SettingsPath() const { return AppFolder + QStringLiteral("Settings.ini"); }

    // An operation holds the link, or the engine is connecting, searching or
    // configuring a module.
    bool Busy() const;
    // Shows the one refusal text when busy; true when busy.
    bool RefuseWhenBusy();
    static const QString InProcessing;

    // One command at a time inside its own operation; connects first when needed.
    RunResult RunCommand(const QString &caption, const Frame &request, TReplyRecord &reply);
    // The same inside an operation the caller already holds (a long run that
    // takes its scope once): no scope of its own; a link that went away
    // during the operation is opened again first.
    RunResult RunHeldCommand(const QString &caption, const Frame &request, TReplyRecord &reply);
    // Inside a held operation: true when the link is open, after opening it
    // again if it went away (a failure is reported by the engine's connectFailed).
    bool ReopenLink();
    // Refuses (with the power-off message, as Failed) while the matrix is off.
    RunResult RunPoweredCommand(const QString &caption, const Frame &request, TReplyRecord &reply);

    // Status bar text: level 1..5 selects the panel; blink only at level 2.
    void ShowStatus(int level, const QString &text, bool blink = false);

    // Hooks installed by the composition root.
    std::function<void()> ConnectAction;                        // btnConnectClick
    std::function<void(int, const QString &, bool)> StatusSink; // ShowStatus
    std::function<QString(int)> PortLabel;                      // label text by tag 1..8 / 41..48
    std::function<void()> SavePortTagsAction;                   // SavePortTags for mode and device
    std::function<void()> LoadPortTagsAction;                   // ClearPortTags + LoadPortTags
    std::function<void(const QString &)> DiagnosticLine;        // a line for the diagnostic memo

    // Set PowerOn and tell listeners (the power glyph).
    void setPowerOn(bool on);

    // The shared values of the settings file ("MAC ID Bytes", "Delay Settings").
    void LoadSettings(const SettingsData &data);
    void SaveSettings(SettingsData &data) const;

    // Stop the running operation's wait (the status bar's Stop, Esc): the
    // exchange waiting now ends as a failed one and the operation after it;
    // nothing is reported as done. Asks first when the operation said so.
    // False when nothing was stopped.
    bool StopOperation();
    bool OperationRunning() const { return FOperation; }

    // The module group started or ended a discovery or configuration.
    void notifyModuleBusy(bool busy);

signals:
    void powerChanged(bool on);
    void portLabelsChanged();
    // An operation started or ended (or a connect, discovery or configuration).
    void busyChanged(bool busy);
    // The interface mode and busy state the connection controls follow.
    void modeEnablingChanged(int mode, bool busy);

private:
    friend class OperationScope;
    bool FOperation = false;
    QString FStopQuestion; // set by OperationScope::askBeforeStop
};
