#pragma once
// The engine's side of the TCP control module protocol: discovery and
// configuration of modules by UDP datagrams, the list of discovered modules,
// and the 32-byte LDCD exchange on the serial link. It owns the discovery and
// configuration state; the engine gives it the addressing (UDPMode,
// DeviceIP), the closing flag and the exchange step.

#include "link/LinkEvents.h"

#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <cstdint>

class QUdpSocket;
class TTSCOMControl;

// The 32 reply bytes of an LDCD exchange and its success flag.
struct TModuleReply {
    uint8_t Bytes[32] = {};
    uint8_t Success = 0;
    bool ok() const { return Success == 1; }
};

class ModuleLink : public QObject {
    Q_OBJECT
public:
    static constexpr quint16 DefaultDiscoveryPort = 30600; // 0x7788
    static constexpr quint16 DefaultConfigPort = 30601;    // 0x7789
    static constexpr int SearchAttempts = 5;
    static constexpr int TicksPerAttempt = 30;
    static constexpr int ConfigWaitCycles = 20;
    static constexpr int AnswerWaitTicks = 10;
    static constexpr int ModuleCommandTries = 5;

    explicit ModuleLink(TTSCOMControl *engine, QObject *parent = nullptr);
    ~ModuleLink() override;

    TTSCOMControl *engine() const { return FEngine; }

    // Discovery: true when at least one reply was parsed. Broadcast or
    // directed by the engine's UDPMode (directed: to DeviceIP). The caller
    // clears the list (ClearDevices) when it wants a fresh one.
    bool SearchModules();
    bool Searching() const { return FSearching; }
    // Ends a running discovery at its next check (the search dialog's Stop).
    void StopSearch() { FSearching = false; }
    bool Configuring() const { return FConfiguring; }
    void StopConfigure() { FConfiguring = false; }
    // A discovery or configuration exchange is listening for answers.
    bool DatagramBusy() const { return FDatagramBusy; }
    bool AnswerReceived() const { return FAnswerReceived; }
    void ClearDevices() {
        FDeviceList.clear();
        FKnownMacs.clear();
    }
    // Eight strings per discovered module.
    const QStringList &DeviceList() const { return FDeviceList; }
    // The last configuration record sent or received.
    const uint8_t *ModuleConfig() const { return FModuleConfig; }
    // Number of modules in DeviceList.
    int FoundDeviceCount() const;
    // Field 0..7 of module `device` (1-based); out of range: the field's default.
    QString FoundDeviceField(int device, int field) const;

    // Configuration of one module with a 76-byte record: 0 accepted,
    // 1 failed (no reply, refusal, cancelled), 2 IP conflict (also when the
    // static address is the PC's own; then nothing is sent).
    int ConfigureModule(const uint8_t *record);
    static uint8_t ModuleConfigChecksum(const uint8_t *record);

    // The LDCD exchange: `request` is 32 bytes of which the caller filled
    // bytes 16..29; `reply` receives the module's 32 bytes and a success flag.
    void ModuleCommand(const uint8_t *request, TModuleReply &reply);
    static uint8_t LDCDChecksum(const uint8_t *packet);

    // One received datagram (the socket calls it for every arrival; tests
    // call it directly). `listening` says whether an exchange waits for it
    // (tests); the socket's arrivals use the running exchange's state.
    void OnDatagram(const QString &senderAddress, quint16 senderPort, const QByteArray &datagram);
    // Tests: make the receive side act as if an exchange were waiting.
    void setListeningForTests(bool on) { FDatagramBusy = on; }
    void resetAnswerForTests() { FAnswerReceived = false; }

    // Ports and broadcast address (defaults: 30600, 30601, 255.255.255.255).
    quint16 DiscoveryPort() const { return FDiscoveryPort; }
    void setDiscoveryPort(quint16 port) { FDiscoveryPort = port; }
    quint16 ConfigPort() const { return FConfigPort; }
    void setConfigPort(quint16 port) { FConfigPort = port; }
    QString BroadcastAddress() const { return FBroadcast; }
    void setBroadcastAddress(const QString &address) { FBroadcast = address; }
    // The PC's own address as the datagram checks use it. Empty (the default)
    // means the engine's LocalAddress, looked up at the start of each exchange.
    void setLocalAddressOverride(const QString &address) { FLocalOverride = address; }
    QString LocalAddress() const;
    // True for any of the PC's own addresses (only the override when set).
    bool IsOwnAddress(const QString &address) const;

    // Datagrams handed to the socket in the current or last exchange.
    int DatagramsSent() const { return FDatagramsSent; }

signals:
    // Discovery and configuration progress texts.
    void searchText(const QString &text, SearchTextTarget target);

private:
    void readPending();
    bool openSocket(quint16 port);
    bool sendDatagram(const QByteArray &data, const QString &host, quint16 port, bool broadcast);
    void setBroadcastOption(bool on);
    void refreshLocalAddress();
    void log(const QString &text);
    bool waitForAnswer(int ms);

    TTSCOMControl *FEngine;
    QUdpSocket *FSocket = nullptr;
    quint16 FDiscoveryPort = DefaultDiscoveryPort;
    quint16 FConfigPort = DefaultConfigPort;
    QString FBroadcast = QStringLiteral("255.255.255.255");
    QString FLocalOverride;
    QString FLocalAddress;
    QStringList FLocalAddresses; // every address of the PC's interfaces
    int FDatagramsSent = 0;
    bool FSearching = false;
    bool FConfiguring = false;
    bool FDatagramBusy = false;
    bool FAnswerReceived = false;
    QStringList FDeviceList;
    // The MACs (field 0) of DeviceList, so that a flood of answers costs one
    // look-up each.
    QSet<QString> FKnownMacs;
    uint8_t FModuleConfig[76] = {};
};
