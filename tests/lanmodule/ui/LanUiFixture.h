#pragma once
// The LAN widgets on their own: an engine, a prompt service whose answers the
// test scripts, the shared page state with the window's hooks stood in for,
// and a record of every status text.

#include "../LanFixture.h"
#include "LinkTap.h"
#include "app/AppContext.h"
#include "app/OperationScope.h"
#include "app/PromptService.h"
#include "lanmodule/ui/LanDeviceGroup.h"
#include "lanmodule/ui/Search.h"
#include "link/TSCOMControl.h"

#include <QDialog>
#include <QMap>
#include <functional>
#include <tuple>

struct StatusLine {
    int level;
    QString text;
    bool blink;
};

struct LanUi {
    TTSCOMControl engine;
    PromptService prompts;
    AppContext ctx{&engine, &prompts};
    RecordingListener listener;
    QList<StatusLine> statuses;
    // Port labels by device MAC, as the settings file would keep them.
    QMap<QString, QString> storedLabels;
    QString labels; // what the page shows
    int labelLoads = 0;
    bool questionAnswer = true;
    std::function<int(QDialog *)> dialogAnswer;

    LanUi() {
        TapEngine(&engine, &listener);
        ctx.StatusSink = [this](int level, const QString &text, bool blink) {
            statuses.append({level, text, blink});
        };
        ctx.LoadPortTagsAction = [this] {
            labels = storedLabels.value(ctx.CurrentDeviceMAC);
            ++labelLoads;
        };
        ctx.ConnectAction = [this] {
            if (engine.Connected())
                engine.Disconnect();
            else
                engine.Connect();
        };
        prompts.setResponder([this](const PromptService::Request &r) {
            PromptService::Answer a;
            if (r.kind == PromptService::Kind::Question)
                a.yes = questionAnswer;
            if (r.kind == PromptService::Kind::Dialog)
                a.dialogResult = dialogAnswer ? dialogAnswer(r.dialog) : QDialog::Rejected;
            return a;
        });
    }

    // The window passes the search texts meant for the dialog on to it.
    void forwardSearchTexts(LanDeviceGroup *group) {
        listener.OnMessage = [group](int message, int32_t lParam, const QString &text) {
            if (message == WM_LINK_SEARCHTEXT && lParam == 0)
                group->frmSearch()->SearchText(text, lParam);
        };
    }

    QString lastStatus(int level) const {
        for (int i = int(statuses.size()) - 1; i >= 0; --i)
            if (statuses[i].level == level)
                return statuses[i].text;
        return QString();
    }
    bool lastStatusBlinks(int level) const {
        for (int i = int(statuses.size()) - 1; i >= 0; --i)
            if (statuses[i].level == level)
                return statuses[i].blink;
        return false;
    }
    QList<PromptService::Request> questions() const {
        QList<PromptService::Request> out;
        for (const PromptService::Request &r : prompts.History)
            if (r.kind == PromptService::Kind::Question)
                out << r;
        return out;
    }
};

inline QString Entry(const QString &tag, const QString &ip, const QString &mac,
                     const QString &mode = QStringLiteral("Static IP"),
                     const QString &subnet = QStringLiteral("Same Subnet")) {
    return QStringLiteral("[%1] - [%2] - [%3] - [10.77.0.254] - [255.255.255.0] - [%4] - [%5]")
        .arg(tag, mode, ip, mac, subnet);
}
