#pragma once
// Test helper: routes the engine's typed signals (and those of a firmware
// transfer and the module link) to a recorder as (number, wParam, lParam,
// text), numbered as the diagnostic log names them, so that tests count and
// compare reports in one place. The connections live in a tap object owned
// by the engine; UntapEngine removes them.

#include "firmware/FirmwareTransfer.h"
#include "link/LinkMessages.h"
#include "link/ModuleLink.h"
#include "link/TSCOMControl.h"

#include <QObject>
#include <functional>

using LinkSink = std::function<void(int, uint32_t, int32_t, const QString &)>;

inline void UntapEngine(TTSCOMControl *engine) {
    for (QObject *child : engine->children())
        if (child->objectName() == QLatin1String("linkTap"))
            delete child;
}

inline void TapEngine(TTSCOMControl *engine, LinkSink sink, FirmwareTransfer *firmware = nullptr) {
    auto *tap = new QObject(engine);
    tap->setObjectName(QStringLiteral("linkTap"));
    QObject::connect(engine, &TTSCOMControl::linkFailed, tap,
                     [sink](LinkFailure failure, const QString &detail) {
                         int n = WM_LINK_EXCEPTION;
                         switch (failure) {
                         case LinkFailure::TimedOut:
                             n = WM_LINK_TIMEOUT;
                             break;
                         case LinkFailure::Invalid:
                             n = WM_LINK_INVALID;
                             break;
                         case LinkFailure::BadStatus:
                             n = WM_LINK_BADSTATUS;
                             break;
                         case LinkFailure::Exception:
                             break;
                         }
                         sink(n, 0, 0, detail);
                     });
    QObject::connect(engine, &TTSCOMControl::connectFailed, tap,
                     [sink](bool connected, const QString &reason) {
                         sink(WM_LINK_CONNFAIL, connected ? 1 : 0, 0, reason);
                     });
    QObject::connect(engine, &TTSCOMControl::blockTransferDone, tap,
                     [sink] { sink(WM_LINK_DONE, 0, 0, QString()); });
    QObject::connect(engine, &TTSCOMControl::diagnostic, tap,
                     [sink](LinkMessage kind, const QString &text) {
                         sink(kind, kind == WM_LINK_RXCOUNT ? text.toUInt() : 0, 0, text);
                     });
    QObject::connect(engine->Modules(), &ModuleLink::searchText, tap,
                     [sink](const QString &text, SearchTextTarget target) {
                         sink(WM_LINK_SEARCHTEXT, 0, target == SearchTextTarget::StatusBar ? 1 : 0,
                              text);
                     });
    if (!firmware)
        return;
    QObject::connect(firmware, &FirmwareTransfer::partRefused, tap,
                     [sink](PartId part, PartVersion version) {
                         sink(WM_LINK_PARTREFUSED, part.packed(), version.packed(), QString());
                     });
    QObject::connect(firmware, &FirmwareTransfer::partProgress, tap,
                     [sink](PartId part, int percent) {
                         sink(WM_LINK_PROGRESS, part.packed(), percent, QString());
                     });
    QObject::connect(firmware, &FirmwareTransfer::partDone, tap,
                     [sink](PartId part, PartVersion version) {
                         sink(WM_LINK_DONE, part.packed(), version.packed(), QString());
                     });
    QObject::connect(firmware, &FirmwareTransfer::upgradeLog, tap,
                     [sink](const QString &text, bool repeating) {
                         sink(WM_LINK_UPGRADELOG, 0, repeating ? 1 : 0, text);
                     });
}

// The progress texts of a module link other than the engine's own.
template <typename Listener> void TapModuleLink(ModuleLink *link, Listener *listener) {
    QObject::connect(link, &ModuleLink::searchText, link,
                     [listener](const QString &text, SearchTextTarget target) {
                         listener->linkMessage(WM_LINK_SEARCHTEXT, 0,
                                               target == SearchTextTarget::StatusBar ? 1 : 0, text);
                     });
}

// A recorder with a linkMessage(number, wParam, lParam, text) member.
template <typename Listener>
void TapEngine(TTSCOMControl *engine, Listener *listener, FirmwareTransfer *firmware = nullptr) {
    TapEngine(
        engine,
        [listener](int m, uint32_t w, int32_t l, const QString &t) {
            listener->linkMessage(m, w, l, t);
        },
        firmware);
}
