#pragma once
// A main window against the simulated unit, with a package of that unit
// written to a temporary folder, and the pages that work on it.

#include "../../shell/ShellFixture.h"
#include "../UnitSamples.h"
#include "boardinfo/ui/ProductInfoPage.h"
#include "firmware/ui/UpgradePage.h"
#include "widgets/TCaptionGauge.h"
#include "widgets/TPageControl.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>

struct UpgradeRig {
    ShellFixture fx;
    QString packagePath;
    QString savePath;
    QStringList informations; // texts of the information boxes shown

    UpgradePage *page() const { return fx.form->Upgrade; }
    ProductInfoPage *pi() const { return fx.form->ProductInfo; }

    void start(const BoardUnit &unit, const QByteArray &package) {
        LinkTiming::shrinkForTests();
        fx.seedSimDevice();
        fx.startSim();
        fx.sim->withState([&](MatrixState &s) {
            s.unit = unit;
            s.rebootMs = 30;
        });
        fx.openWindow();
        fx.questionAnswer = true;
        fx.form->Prompts()->setResponder([this](const PromptService::Request &r) {
            PromptService::Answer a;
            if (r.kind == PromptService::Kind::Question)
                a.yes = fx.questionAnswer;
            if (r.kind == PromptService::Kind::OpenFile)
                a.fileName = packagePath;
            if (r.kind == PromptService::Kind::SaveFile)
                a.fileName = savePath;
            if (r.kind == PromptService::Kind::Information)
                informations << r.text;
            return a;
        });
        packagePath = fx.dir.filePath(QStringLiteral("unit.fw2"));
        QVERIFY(unitsamples::writeFile(packagePath, package));
    }

    void open() {
        fx.form->pcContainer->setCurrentWidget(page());
        QTest::mouseClick(page()->bbFWOpen, Qt::LeftButton);
        QVERIFY(page()->btnFWUpgrade->isEnabled());
    }

    // Runs the upgrade (the click returns when the run has ended).
    void upgrade() { QTest::mouseClick(page()->btnFWUpgrade, Qt::LeftButton); }

    QStringList memo() const {
        return page()->mmoMessageUpgrade->toPlainText().split(QLatin1Char('\n'));
    }
    bool memoHas(const QString &line) const { return memo().contains(line); }
    bool anySuccess() const {
        return page()->mmoMessageUpgrade->toPlainText().contains(
            QStringLiteral("Firmware upgrade successfully"));
    }

    // Every board holds the part of its kind, in its slot.
    bool everyBoardHasItsPart(int cards) {
        bool all = true;
        fx.sim->withState([&](MatrixState &s) {
            all = s.unit.storedImage(0, 0) == unitsamples::imageOf(0, cards);
            for (uint8_t type : {unitsamples::InputType, unitsamples::OutputType})
                for (int n = 0; n < cards; ++n) {
                    const StoredImage *image = s.unit.lastImage(type, n);
                    all = all && image && image->slot() == n + 1 &&
                          image->image == unitsamples::imageOf(type, cards);
                }
        });
        return all;
    }
};
