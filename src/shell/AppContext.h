#pragma once
// The state every page shares: the one link engine, the busy flag, the power
// state, the status bar entry and the single way to run a command. The main
// window creates it and installs the hooks; pages receive a pointer to it.

#include "link/Frames.h"
#include "link/TSCOMControl.h"

#include <QObject>
#include <QString>
#include <functional>

class PromptService;

class AppContext : public QObject {
    Q_OBJECT
public:
    AppContext(TTSCOMControl *engine, PromptService *prompts, QObject *parent = nullptr);

    TTSCOMControl *Engine;
    PromptService *Prompts;

    bool Idle = true;
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

    bool &Closing() { return Engine->Flags.Closing; }
    QString SettingsPath() const { return AppFolder + QStringLiteral("Settings.ini"); }

    // One command at a time; connects first when needed.
    void RunCommand(const QString &caption, uint8_t code, uint8_t sub, uint16_t p1, uint16_t p2,
                    uint16_t p3, uint16_t p4, TReplyRecord &reply);
    // The checks before any engine operation: not closing, connected (connecting
    // first when needed) and idle; a busy engine shows "In processing, command
    // ignored". True when the operation may start.
    bool ReadyForCommand();
    // Refuses while the matrix is powered off.
    void RunPoweredCommand(const QString &caption, uint8_t code, uint8_t sub, uint16_t p1,
                           uint16_t p2, uint16_t p3, uint16_t p4, TReplyRecord &reply);

    // Status bar text: level 1..5 selects the panel; blink only at level 2.
    void ShowStatus(int level, const QString &text, bool blink = false);

    // The engine is free: no command and no discovery, connect or configuration running.
    bool EngineFree() const;

    // Hooks installed by the main window.
    std::function<void()> ConnectAction;                        // btnConnectClick
    std::function<void(int, const QString &, bool)> StatusSink; // ShowStatus
    std::function<QString(int)> PortLabel;                      // label text by tag 1..8 / 41..48
    std::function<void()> SavePortTagsAction;                   // SavePortTags for mode and device
    std::function<void()> LoadPortTagsAction;                   // ClearPortTags + LoadPortTags
    std::function<void(const QString &)> DiagnosticLine;        // a line for the diagnostic memo

    // Set PowerOn and tell listeners (the power glyph).
    void setPowerOn(bool on);

signals:
    void powerChanged(bool on);
    void portLabelsChanged();
    // The interface mode and busy state the connection controls follow.
    void modeEnablingChanged(int mode, bool busy);
};
