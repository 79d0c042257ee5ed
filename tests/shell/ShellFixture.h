#pragma once
// A main window in a temporary folder, connected over TCP on 127.0.0.1 to an
// in-process simulator, with every prompt answered and recorded.

#include "MatrixSimulator.h"
#include "MatrixState.h"
#include "app/AppContext.h"
#include "app/PromptService.h"
#include "control/ui/DeviceStatusGroup.h"
#include "link/LinkTiming.h"
#include "link/TSCOMControl.h"
#include "protocol/Frames.h"
#include "shell/GeneralPage.h"
#include "shell/Main.h"
#include "shell/StatusBar.h"

#include <QDialog>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

inline QString SimDeviceEntry(const QString &ip = QStringLiteral("127.0.0.1"),
                              const QString &mac = QStringLiteral("02-00-00-00-00-01")) {
    return QStringLiteral("[Simulated matrix] - [Static IP] - [%1] - [0.0.0.0] - [255.0.0.0] - "
                          "[%2] - [Same Subnet]")
        .arg(ip, mac);
}

// Clicks a radio or check button on its indicator (its middle may lie past the caption).
inline void ClickIndicator(QWidget *button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

struct ShellFixture {
    QTemporaryDir dir;
    std::unique_ptr<MatrixSimulator> sim;
    std::unique_ptr<TForm1> form;
    // Answer to Yes/No questions; dialogs are rejected unless dialogAnswer says otherwise.
    bool questionAnswer = false;
    std::function<int(QDialog *)> dialogAnswer;

    QString settingsPath() const { return dir.filePath(QStringLiteral("Settings.ini")); }

    void writeSettings(const QByteArray &text) {
        QFile f(settingsPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    // A settings file that selects the simulator as the TCP device.
    void seedSimDevice() {
        const QByteArray entry = SimDeviceEntry().toLatin1();
        writeSettings("[Control mode]\r\nMode=1\r\n[TCP control device]\r\nName=" + entry +
                      "\r\n[TCP control device list]\r\nDevice No.1=" + entry + "\r\n");
    }

    void startSim(const SimOptions &options = SimOptions()) {
        sim = std::make_unique<MatrixSimulator>(options);
        QString error;
        QVERIFY2(sim->start(&error), qPrintable(error));
    }

    void openWindow() {
        form = std::make_unique<TForm1>(dir.path());
        if (sim)
            form->Engine()->setTcpPort(sim->tcpPort());
        form->Prompts()->setResponder([this](const PromptService::Request &r) {
            PromptService::Answer a;
            if (r.kind == PromptService::Kind::Question)
                a.yes = questionAnswer;
            if (r.kind == PromptService::Kind::Dialog)
                a.dialogResult = dialogAnswer ? dialogAnswer(r.dialog) : QDialog::Rejected;
            return a;
        });
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }

    AppContext *ctx() const { return form->Context(); }
    TTSCOMControl *engine() const { return form->Engine(); }
    QString panel(int i) const { return form->sb->PanelText(i); }
    QList<PromptService::Request> &prompts() { return form->Prompts()->History; }

    QList<QByteArray> commandsSent() const {
        QList<QByteArray> frames;
        for (const QByteArray &f : sim->frameLog())
            if (f.size() == FrameSize)
                frames.append(f);
        return frames;
    }
    static bool isCommand(const QByteArray &f, uint8_t code, uint8_t sub) {
        return f.size() >= 4 && uint8_t(f[2]) == code && uint8_t(f[3]) == sub;
    }
    int countCommands(uint8_t code, uint8_t sub) const {
        int n = 0;
        for (const QByteArray &f : commandsSent())
            n += isCommand(f, code, sub);
        return n;
    }
    static uint16_t param(const QByteArray &f, int n) {
        return uint16_t(uint8_t(f[2 + 2 * n]) | (uint8_t(f[3 + 2 * n]) << 8));
    }
};
