#pragma once
// The main window in service mode, connected to an in-process simulator over
// TCP on 127.0.0.1, powered on, with helpers for the control pages.

#include "../../shell/ShellFixture.h"
#include "widgets/TPageControl.h"

#include <QComboBox>

struct ControlFixture : ShellFixture {
    // Starts the simulator, opens the window in service mode, powers on.
    // extraSettings: more of "Settings.ini", after the simulator's device entry.
    void open(bool service = true, const QByteArray &extraSettings = QByteArray()) {
        LinkTiming::shrinkForTests();
        GeneralPage::PortListSource = [] { return QStringList(); };
        startSim();
        seedSimDevice();
        if (!extraSettings.isEmpty()) {
            QFile f(settingsPath());
            QVERIFY(f.open(QIODevice::Append));
            f.write(extraSettings);
        }
        openWindow();
        form->setServiceMode(service);
        ctx()->setPowerOn(true);
    }
    // Shows a page as a user would (its tab), which runs its read-back.
    void showPage(QWidget *page) {
        form->pcContainer->setCurrentWidget(page);
        QCoreApplication::processEvents();
    }
    void showGeneral() { showPage(form->General); }
    MatrixState state() {
        MatrixState copy;
        sim->withState([&](MatrixState &s) { copy = s; });
        return copy;
    }
    void change(const std::function<void(MatrixState &)> &fn) { sim->withState(fn); }
    // Frames of one command, in order.
    QList<QByteArray> frames(uint8_t code, uint8_t sub) const {
        QList<QByteArray> out;
        for (const QByteArray &f : commandsSent())
            if (isCommand(f, code, sub))
                out << f;
        return out;
    }
    // (code, sub) of every command sent, in order, repeats of a retried frame folded.
    QList<QPair<int, int>> sequence() const {
        QList<QPair<int, int>> out;
        QByteArray last;
        for (const QByteArray &f : commandsSent()) {
            if (f == last)
                continue;
            out.append({uint8_t(f[2]), uint8_t(f[3])});
            last = f;
        }
        return out;
    }
    // Chooses an item as a user does (the change handler runs).
    static void choose(QComboBox *combo, int index) {
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
};
