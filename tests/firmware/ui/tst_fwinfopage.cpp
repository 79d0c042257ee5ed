// The firmware package information page: the real buttons are clicked, the
// prompt service answers the dialogs, and what the page shows and writes is
// read back.

#include "../PackageSamples.h"
#include "app/PromptService.h"
#include "firmware/ui/FWInfoPage.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QQueue>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString NotAPackage = QStringLiteral("Please open [.fw2] firmware package file.");

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class tst_FWInfoPage : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void openShowsTheReport();
    void onlyPackagesAreOpened_data();
    void onlyPackagesAreOpened();
    void saveAsksBeforeOverwriting();
    void clearAndNothingToSave();
    void controlsAreNamedWithTheirOwnAccelerators();

private:
    void click(QPushButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    QStringList statuses() const;

    QTemporaryDir *dir = nullptr;
    PromptService *prompts = nullptr;
    FWInfoPage *page = nullptr;
    QSignalSpy *status = nullptr;
    QQueue<QString> fileAnswers;
    QQueue<bool> questionAnswers;
};

void tst_FWInfoPage::init() {
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    prompts = new PromptService;
    prompts->setResponder([this](const PromptService::Request &r) {
        PromptService::Answer a;
        if (r.kind == PromptService::Kind::OpenFile || r.kind == PromptService::Kind::SaveFile)
            a.fileName = fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
        if (r.kind == PromptService::Kind::Question)
            a.yes = !questionAnswers.isEmpty() && questionAnswers.dequeue();
        return a;
    });
    page = new FWInfoPage(prompts);
    page->resize(640, 480);
    page->show();
    QVERIFY(QTest::qWaitForWindowExposed(page));
    status = new QSignalSpy(page, &FWInfoPage::statusText);
}

void tst_FWInfoPage::cleanup() {
    delete status;
    delete page;
    delete prompts;
    delete dir;
    fileAnswers.clear();
    questionAnswers.clear();
}

QStringList tst_FWInfoPage::statuses() const {
    QStringList out;
    for (const QList<QVariant> &args : *status) {
        if (args.at(0).toInt() != 3)
            return {QStringLiteral("unexpected panel")};
        out << args.at(1).toString();
    }
    return out;
}

void tst_FWInfoPage::openShowsTheReport() {
    const QString path = dir->filePath(QStringLiteral("Unit A.fw2"));
    QVERIFY(writeFile(path, samples::package()));
    fileAnswers.enqueue(path);
    click(page->bbOpenFPF);

    QCOMPARE(prompts->History.size(), 1);
    const PromptService::Request &r = prompts->History.at(0);
    QCOMPARE(r.text, QStringLiteral("Open Firmware File"));
    QCOMPARE(r.filter, QStringLiteral("Version Controlled Firmware(*.fw2);;Firmware File(*.fw)"));
    QCOMPARE(page->edtFPF->text(), path);
    QCOMPARE(page->edtFPF->cursorPosition(), path.size());

    const QStringList lines = page->mmoInfoFPF->toPlainText().split('\n');
    QCOMPARE(lines.at(0), QStringLiteral("Firmware Package File: Unit A.fw2"));
    QCOMPARE(lines.at(1), QStringLiteral("Part Count: 3"));
    QVERIFY(lines.contains(QStringLiteral("Name: INPUT->Card MCU->Input FW")));
    QVERIFY(lines.contains(QStringLiteral("Quantity: 8")));
    QVERIFY(lines.contains(QStringLiteral("Version: 2.17")));
    QCOMPARE(lines.count(QStringLiteral("Version: 1.05")), 1);
    QCOMPARE(lines.last(), QStringLiteral("******End******"));
    QVERIFY(!lines.at(lines.size() - 2).isEmpty()); // date and time

    // A cancelled dialog changes nothing.
    const QString shown = page->mmoInfoFPF->toPlainText();
    click(page->bbOpenFPF);
    QCOMPARE(page->mmoInfoFPF->toPlainText(), shown);
    QCOMPARE(page->edtFPF->text(), path);
}

void tst_FWInfoPage::onlyPackagesAreOpened_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");
    QTest::newRow(".fw") << "parts.fw" << false;
    QTest::newRow(".fw2.bak") << "parts.fw2.bak" << false;
    QTest::newRow("no extension") << "fw2" << false;
    QTest::newRow(".FW2") << "UPPER.FW2" << true;
}

void tst_FWInfoPage::onlyPackagesAreOpened() {
    QFETCH(QString, name);
    QFETCH(bool, accepted);
    const QString path = dir->filePath(name);
    QVERIFY(writeFile(path, samples::package()));
    fileAnswers.enqueue(path);
    click(page->bbOpenFPF);
    QCOMPARE(page->edtFPF->text(), path);
    if (accepted) {
        QCOMPARE(prompts->History.size(), 1);
        QVERIFY(page->mmoInfoFPF->toPlainText().contains(QStringLiteral("Part Count: 3")));
    } else {
        QCOMPARE(prompts->History.size(), 2);
        QCOMPARE(prompts->History.at(1).kind, PromptService::Kind::Information);
        QCOMPARE(prompts->History.at(1).text, NotAPackage);
        QVERIFY(page->mmoInfoFPF->toPlainText().isEmpty());
    }
}

void tst_FWInfoPage::saveAsksBeforeOverwriting() {
    const QString package = dir->filePath(QStringLiteral("p.fw2"));
    QVERIFY(writeFile(package, samples::package()));
    fileAnswers.enqueue(package);
    click(page->bbOpenFPF);
    const QString report = page->InfoText();

    // No extension: ".txt" is added.
    fileAnswers.enqueue(dir->filePath(QStringLiteral("report")));
    click(page->btnSaveInfoFPF);
    const QString saved = dir->filePath(QStringLiteral("report.txt"));
    QCOMPARE(statuses(), (QStringList{"", "Saved Okay"}));
    QCOMPARE(prompts->History.last().kind, PromptService::Kind::SaveFile);
    QCOMPARE(prompts->History.last().filter, QStringLiteral("Text File(*.txt)"));
    const QByteArray written = readFile(saved);
    QCOMPARE(written, (report + QStringLiteral("\r\n")).toUtf8());
    QVERIFY(written.contains("\r\nPart Count: 3\r\n\r\nPart: 1\r\n"));
    QVERIFY(written.endsWith("******End******\r\n"));

    // The file exists: No keeps it, Yes replaces it.
    QVERIFY(writeFile(saved, "old"));
    const QString question = QStringLiteral("File: [") + saved + "] exists, overwrite it?";
    status->clear();
    fileAnswers.enqueue(saved);
    questionAnswers.enqueue(false);
    click(page->btnSaveInfoFPF);
    QCOMPARE(prompts->History.last().kind, PromptService::Kind::Question);
    QCOMPARE(prompts->History.last().text, question);
    QCOMPARE(statuses(), (QStringList{"", "Save cancelled"}));
    QCOMPARE(readFile(saved), QByteArray("old"));

    status->clear();
    fileAnswers.enqueue(saved);
    questionAnswers.enqueue(true);
    click(page->btnSaveInfoFPF);
    QCOMPARE(prompts->History.last().text, question);
    QCOMPARE(statuses(), (QStringList{"", "Saved Okay"}));
    QCOMPARE(readFile(saved), written);
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files).size(), 2); // no temporary left

    // A cancelled dialog.
    status->clear();
    click(page->btnSaveInfoFPF);
    QCOMPARE(statuses(), (QStringList{"", "Save cancelled"}));
}

void tst_FWInfoPage::clearAndNothingToSave() {
    const QString package = dir->filePath(QStringLiteral("p.fw2"));
    QVERIFY(writeFile(package, samples::package()));
    fileAnswers.enqueue(package);
    click(page->bbOpenFPF);
    QVERIFY(!page->mmoInfoFPF->toPlainText().isEmpty());
    click(page->btnClearInfoFPF);
    QVERIFY(page->mmoInfoFPF->toPlainText().isEmpty());
    prompts->History.clear();
    click(page->btnSaveInfoFPF);
    QVERIFY(prompts->History.isEmpty());
    QVERIFY(status->isEmpty());
}

void tst_FWInfoPage::controlsAreNamedWithTheirOwnAccelerators() {
    QCOMPARE(page->objectName(), QStringLiteral("tsFWInfo"));
    QCOMPARE(page->btnSaveInfoFPF->text(), QStringLiteral("&Save"));
    QCOMPARE(page->btnClearInfoFPF->text(), QStringLiteral("&Clear"));
    QSet<QChar> keys;
    QStringList captions;
    for (QPushButton *b : page->findChildren<QPushButton *>())
        captions << b->text();
    for (QLabel *l : page->findChildren<QLabel *>()) {
        QVERIFY(l->buddy());
        QVERIFY(!l->buddy()->accessibleName().isEmpty());
        captions << l->text();
    }
    for (const QString &c : captions) {
        const qsizetype amp = c.indexOf('&');
        QVERIFY2(amp >= 0 && amp + 1 < c.size(), qPrintable(c));
        const QChar key = c.at(amp + 1).toLower();
        QVERIFY2(!keys.contains(key), qPrintable(c));
        keys.insert(key);
    }
    QCOMPARE(keys.size(), 5);
}

QTEST_MAIN(tst_FWInfoPage)
#include "tst_fwinfopage.moc"
