// The EDID page against the in-process simulator over TCP on 127.0.0.1: the
// real widgets are clicked, the prompts are answered by a responder, and what
// reached the matrix is read from the simulator's frame log and state.

#include "LinkTap.h"
#include "MatrixSimulator.h"
#include "MatrixState.h"
#include "SampleFiles.h"
#include "app/AppContext.h"
#include "app/OperationScope.h"
#include "app/PromptService.h"
#include "control/EdidCheck.h"
#include "control/EdidDecoder.h"
#include "control/ui/EdidCompareDialog.h"
#include "control/ui/EdidPage.h"
#include "link/LinkTiming.h"
#include "link/TSCOMControl.h"
#include "protocol/Frames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <functional>
#include <memory>

namespace {

const QString SampleDir = samples::edidDir();
const QString SampleFile = samples::edidPath(QStringLiteral("lg-oled-c9-hdmi.bin"));
const QString ReadErrorBox = QStringLiteral(
    "EDID content error. Please try to read again.\r\nCheck below items before reading again:\r\n"
    "1. A sink device is connected and it's power on.\r\n"
    "2. Priority port (HDMI/HDBT) from which EDID is being read is set correctly in Web GUI or "
    "Terminal Control.\r\n"
    "3. User EDID 1/2 Memory should be set before they can be read.");

QByteArray readFile(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

uint16_t param(const QByteArray &frame, int n) {
    return uint16_t(uint8_t(frame[2 + 2 * n]) | (uint8_t(frame[3 + 2 * n]) << 8));
}

// A valid 256-byte EDID: the sample with its display name changed and the
// base block's checksum made right again.
QByteArray variantOf(const QByteArray &edid, char mark) {
    QByteArray e = edid;
    e[12] = mark; // serial number byte
    int sum = 0;
    for (int i = 0; i < 127; ++i)
        sum += uint8_t(e[i]);
    e[127] = char((0x100 - (sum & 0xFF)) & 0xFF);
    return e;
}

struct LinkLog {
    QList<int> messages;
    void linkMessage(int message, uint32_t, int32_t, const QString &) { messages << message; }
};

} // namespace

class TestEdidPage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void pageAsDelivered();
    void readFillsGridWithOutputEdid();
    void readUserMemoryAddress();
    void readRefusals();
    void readTransferFailure();
    void downloadAllInputsSendsGridBytes();
    void downloadTargets();
    void emptyCellBlocksSaveAndDownload();
    void openRefusesWrongFiles_data();
    void openRefusesWrongFiles();
    void saveNamesAndOverwrite();
    void setEdidMode();
    void copyEdid();
    void outputSourceChange();
    void portLabelsKeepIndexesAndTargets();
    void choicesRoundTrip();
    void openSampleDownloadReadSave();
    void compareWithFile();
    void compareRefusalsAndEmptyGrid();

private:
    void choose(QComboBox *combo, const QString &text);
    void click(QPushButton *button);
    QList<QByteArray> commands() const;
    QList<QByteArray> commands(uint8_t code, uint8_t sub) const;
    int indexOf(uint8_t code, uint8_t sub) const;
    QByteArray gridBytes() const;
    QStringList promptTexts(PromptService::Kind kind) const;

    QTemporaryDir dir;
    std::unique_ptr<MatrixSimulator> sim;
    std::unique_ptr<TTSCOMControl> engine;
    std::unique_ptr<PromptService> prompts;
    std::unique_ptr<AppContext> ctx;
    std::unique_ptr<EdidPage> page;
    LinkLog linkLog;

    QStringList openAnswers;
    QStringList saveAnswers;
    bool questionAnswer = false;
    QString status[6];     // last text per level
    QStringList statusLog; // "level:text" in order
    QHash<int, QString> labels;
    std::function<void(QDialog *)> onDialog; // looks at a dialog while it is "shown"
};

void TestEdidPage::initTestCase() {
    REQUIRE_SAMPLE_EDIDS();
    LinkTiming::shrinkForTests();
    QVERIFY(dir.isValid());

    SimOptions options;
    options.edidDir = SampleDir;
    sim = std::make_unique<MatrixSimulator>(options);
    QString error;
    QVERIFY2(sim->start(&error), qPrintable(error));

    engine = std::make_unique<TTSCOMControl>();
    TapEngine(engine.get(), &linkLog);
    engine->setControlMode(cmLAN);
    engine->setDeviceIP(QStringLiteral("127.0.0.1"));
    engine->setTcpPort(sim->tcpPort());

    prompts = std::make_unique<PromptService>();
    prompts->setResponder([this](const PromptService::Request &r) {
        PromptService::Answer a;
        if (r.kind == PromptService::Kind::OpenFile && !openAnswers.isEmpty())
            a.fileName = openAnswers.takeFirst();
        if (r.kind == PromptService::Kind::SaveFile && !saveAnswers.isEmpty())
            a.fileName = saveAnswers.takeFirst();
        if (r.kind == PromptService::Kind::Question)
            a.yes = questionAnswer;
        if (r.kind == PromptService::Kind::Dialog && onDialog)
            onDialog(r.dialog);
        return a;
    });

    ctx = std::make_unique<AppContext>(engine.get(), prompts.get());
    ctx->ConnectAction = [this] { engine->Connect(); };
    ctx->StatusSink = [this](int level, const QString &text, bool) {
        if (level >= 1 && level <= 5)
            status[level] = text;
        statusLog << QStringLiteral("%1:%2").arg(level).arg(text);
    };
    ctx->PortLabel = [this](int tag) { return labels.value(tag); };
    ctx->PowerOn = true;

    page = std::make_unique<EdidPage>(ctx.get());
    page->resize(1025, 600);
    page->show();
    QVERIFY(QTest::qWaitForWindowExposed(page.get()));
}

void TestEdidPage::cleanupTestCase() {
    page.reset();
    ctx.reset();
    if (engine)
        engine->Disconnect();
    engine.reset();
    if (sim)
        sim->stop();
}

void TestEdidPage::init() {
    openAnswers.clear();
    saveAnswers.clear();
    questionAnswer = false;
    for (QString &s : status)
        s.clear();
    statusLog.clear();
    labels.clear();
    onDialog = nullptr;
    linkLog.messages.clear();
    prompts->History.clear();
    ctx->PowerOn = true;
    page->btnClearEDIDContentClick();
    sim->clearFrameLog();
}

void TestEdidPage::choose(QComboBox *combo, const QString &text) {
    const int index = combo->findText(text);
    QVERIFY2(index >= 0, qPrintable(combo->objectName() + QStringLiteral(": no ") + text));
    combo->setCurrentIndex(index);
}

void TestEdidPage::click(QPushButton *button) {
    // Buttons of the hidden groups are pressed as a user would once shown.
    QWidget *group = button->parentWidget();
    const bool wasVisible = group->isVisible();
    group->setVisible(true);
    QTest::mouseClick(button, Qt::LeftButton);
    group->setVisible(wasVisible);
}

QList<QByteArray> TestEdidPage::commands() const {
    QList<QByteArray> frames;
    for (const QByteArray &f : sim->frameLog())
        if (f.size() == FrameSize)
            frames << f;
    return frames;
}

QList<QByteArray> TestEdidPage::commands(uint8_t code, uint8_t sub) const {
    QList<QByteArray> frames;
    for (const QByteArray &f : commands())
        if (uint8_t(f[2]) == code && uint8_t(f[3]) == sub)
            frames << f;
    return frames;
}

int TestEdidPage::indexOf(uint8_t code, uint8_t sub) const {
    const QList<QByteArray> all = commands();
    for (int i = 0; i < all.size(); ++i)
        if (uint8_t(all[i][2]) == code && uint8_t(all[i][3]) == sub)
            return i;
    return -1;
}

QByteArray TestEdidPage::gridBytes() const {
    QByteArray bytes;
    page->GridToBytes(bytes);
    return bytes;
}

QStringList TestEdidPage::promptTexts(PromptService::Kind kind) const {
    QStringList texts;
    for (const PromptService::Request &r : prompts->History)
        if (r.kind == kind)
            texts << r.text;
    return texts;
}

// ---------------------------------------------------------------------------

void TestEdidPage::pageAsDelivered() {
    QCOMPARE(page->objectName(), QStringLiteral("tsEDIDCtrl"));
    QVERIFY(page->gbEDIDData->isVisible());
    QVERIFY(page->gbEDIDContent->isVisible());
    QVERIFY(!page->gbEDIDMode->isVisible());
    QVERIFY(!page->gbOutputEDID->isVisible());

    // The mode list: "Select EDID" and 21 table entries, without the three
    // 4:4:4 4K@60Hz modes and "Auto EDID"; its hint follows its text.
    QComboBox *mode = page->cbEDIDMode;
    QCOMPARE(mode->count(), 22);
    QCOMPARE(mode->itemText(0), QStringLiteral("Select EDID"));
    QCOMPARE(mode->itemText(1), QStringLiteral("1080p, 2CH PCM"));
    QCOMPARE(mode->itemText(18), QStringLiteral("4K@60Hz 4:2:0, 7.1CH DTS/DOLBY/HD"));
    QCOMPARE(mode->itemText(21), QStringLiteral("Default EDID"));
    QCOMPARE(mode->findText(QStringLiteral("4K@60Hz 4:4:4, 2CH PCM")), -1);
    QCOMPARE(mode->findText(QStringLiteral("Auto EDID")), -1);
    choose(mode, QStringLiteral("User EDID 2"));
    QCOMPARE(mode->toolTip(), QStringLiteral("User EDID 2"));
    mode->setCurrentIndex(0);

    QCOMPARE(page->cbDownloadEDIDInput->count(), 12);
    QCOMPARE(page->cbDownloadEDIDInput->itemText(11), QStringLiteral("User EDID 2 Memory"));
    QCOMPARE(page->cbReadEDIDDataOutput->count(), 11);
    QCOMPARE(page->cbReadEDIDDataOutput->itemText(3), QStringLiteral("Out 3"));
    QCOMPARE(page->cbSetEDIDModeInput->itemText(9), QStringLiteral("All Inputs"));
    QCOMPARE(page->cbCopyEDIDOutput->count(), 9);

    for (int n = 1; n <= 8; ++n) {
        auto *combo = page->findChild<QComboBox *>(QStringLiteral("cbOutputEDID%1").arg(n));
        QVERIFY(combo);
        QCOMPARE(combo->property("tag").toInt(), n);
        QCOMPARE(combo->currentText(), QStringLiteral("HDMI"));
        QCOMPARE(combo->itemText(0), QStringLiteral("HDBT"));
    }

    // The 17 x 17 grid with its header row and column.
    QTableWidget *grid = page->sgEDIDContent;
    QCOMPARE(grid->rowCount(), 17);
    QCOMPARE(grid->columnCount(), 17);
    QCOMPARE(page->CellText(0, 1), QStringLiteral("0"));
    QCOMPARE(page->CellText(0, 16), QStringLiteral("F"));
    QCOMPARE(page->CellText(1, 0), QStringLiteral("00"));
    QCOMPARE(page->CellText(16, 0), QStringLiteral("F0"));

    // Every control can be told apart by a screen reader.
    for (QWidget *w : page->findChildren<QWidget *>()) {
        if (qobject_cast<QComboBox *>(w) || qobject_cast<QLineEdit *>(w) ||
            qobject_cast<QTreeWidget *>(w) || qobject_cast<QTableWidget *>(w)) {
            if (w->parent() && qobject_cast<QComboBox *>(w->parent()))
                continue;
            QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
        }
    }
}

void TestEdidPage::readFillsGridWithOutputEdid() {
    QByteArray expected;
    sim->withState([&](MatrixState &s) { expected = s.outputEdidAsRead(3); });
    QCOMPARE(expected.size(), 256);

    choose(page->cbReadEDIDDataOutput, QStringLiteral("Out 3"));
    click(page->btnReadEDIDData);

    const QList<QByteArray> reads = commands(0x03, 5);
    QVERIFY(!reads.isEmpty());
    QCOMPARE(param(reads.first(), 1), uint16_t(0xF003));
    QCOMPARE(gridBytes(), expected);
    QCOMPARE(page->CellText(1, 1), QStringLiteral("00"));
    QCOMPARE(page->CellText(1, 2), QStringLiteral("FF"));
    QCOMPARE(page->CellText(16, 16),
             QStringLiteral("%1").arg(uint8_t(expected[255]), 2, 16, QLatin1Char('0')).toUpper());
    QVERIFY(statusLog.contains(QStringLiteral("2:Reading...")));
    QCOMPARE(status[2], QStringLiteral("Done"));
    QVERIFY(status[3].isEmpty());
    QVERIFY(!ctx->Busy());
    QVERIFY(promptTexts(PromptService::Kind::Information).isEmpty());

    // The decoded view shows the same bytes.
    const EdidInfo info = DecodeEdid(expected);
    QVERIFY(!page->InfoText().isEmpty());
    QVERIFY(page->InfoText().contains(info.manufacturerId));
}

void TestEdidPage::readUserMemoryAddress() {
    QByteArray sample = readFile(SampleFile);
    QCOMPARE(sample.size(), 256);

    // A user memory never written holds no EDID: the long error box.
    choose(page->cbReadEDIDDataOutput, QStringLiteral("User EDID 2 Memory"));
    click(page->btnReadEDIDData);
    QList<QByteArray> reads = commands(0x03, 5);
    QVERIFY(!reads.isEmpty());
    QCOMPARE(param(reads.first(), 1), uint16_t(0xF200));
    QCOMPARE(promptTexts(PromptService::Kind::Information), QStringList{ReadErrorBox});
    QVERIFY(gridBytes().isEmpty());
    QVERIFY(page->InfoText().isEmpty());
    QVERIFY(!ctx->Busy());

    // Once written, it reads back.
    sim->withState([&](MatrixState &s) { s.userEdid[1] = sample; });
    sim->clearFrameLog();
    prompts->History.clear();
    click(page->btnReadEDIDData);
    reads = commands(0x03, 5);
    QVERIFY(!reads.isEmpty());
    QCOMPARE(param(reads.first(), 1), uint16_t(0xF200));
    QCOMPARE(gridBytes(), sample);
    QVERIFY(prompts->History.isEmpty());

    choose(page->cbReadEDIDDataOutput, QStringLiteral("User EDID 1 Memory"));
    sim->clearFrameLog();
    click(page->btnReadEDIDData);
    reads = commands(0x03, 5);
    QVERIFY(!reads.isEmpty());
    QCOMPARE(param(reads.first(), 1), uint16_t(0xF100));
}

void TestEdidPage::readRefusals() {
    // Item 0.
    page->cbReadEDIDDataOutput->setCurrentIndex(0);
    click(page->btnReadEDIDData);
    QCOMPARE(status[3], QStringLiteral("Select list item first"));
    QVERIFY(commands().isEmpty());

    // Powered off: the power box, the grid keeps its bytes.
    const QByteArray shown = readFile(SampleFile);
    QVERIFY(page->DisplayEdid(&shown));
    ctx->PowerOn = false;
    choose(page->cbReadEDIDDataOutput, QStringLiteral("Out 1"));
    click(page->btnReadEDIDData);
    const QStringList boxes = promptTexts(PromptService::Kind::Information);
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes.first().startsWith(QStringLiteral("System is Power Off")));
    QVERIFY(commands().isEmpty());
    QCOMPARE(gridBytes(), shown);
    ctx->PowerOn = true;

    // Busy: the grid is cleared, nothing is sent.
    {
        OperationScope hold(ctx.get(), OperationScope::Link::NotNeeded);
        click(page->btnReadEDIDData);
        QCOMPARE(status[3], QStringLiteral("In processing, command ignored"));
        QVERIFY(commands(0x03, 5).isEmpty());
        QVERIFY(gridBytes().isEmpty());
    }

    // No sink on the output: 256 zero bytes arrive, the long box shows.
    sim->withState([](MatrixState &s) { s.hdmiSinkConnected[5] = false; });
    choose(page->cbReadEDIDDataOutput, QStringLiteral("Out 6"));
    prompts->History.clear();
    click(page->btnReadEDIDData);
    QCOMPARE(status[2], QStringLiteral("Done"));
    QCOMPARE(promptTexts(PromptService::Kind::Information), QStringList{ReadErrorBox});
    QVERIFY(gridBytes().isEmpty());
    sim->withState([](MatrixState &s) { s.hdmiSinkConnected[5] = true; });
}

void TestEdidPage::readTransferFailure() {
    const QByteArray sample = readFile(SampleFile);
    QVERIFY(page->DisplayEdid(&sample));
    sim->queueFault(FaultKind::StatusFF, 5); // every try of the start is refused
    choose(page->cbReadEDIDDataOutput, QStringLiteral("Out 2"));
    click(page->btnReadEDIDData);
    QVERIFY(!commands(0x03, 5).isEmpty());
    QVERIFY(!statusLog.contains(QStringLiteral("2:Done")));
    QVERIFY(!linkLog.messages.isEmpty());
    QVERIFY(promptTexts(PromptService::Kind::Information).isEmpty());
    QVERIFY(gridBytes().isEmpty()); // emptied at the start of the read
    QVERIFY(!ctx->Busy());
    QVERIFY(status[3].isEmpty());
}

void TestEdidPage::downloadAllInputsSendsGridBytes() {
    // Open a file (it lands in WriteStream), then read another EDID into the
    // grid: the download sends the grid's bytes, not the file's.
    openAnswers << SampleFile;
    click(page->btnOpenEDID);
    QCOMPARE(page->WriteStream, readFile(SampleFile));
    QByteArray fromOutput;
    sim->withState([&](MatrixState &s) { fromOutput = s.outputEdidAsRead(4); });
    QVERIFY(fromOutput != readFile(SampleFile));
    choose(page->cbReadEDIDDataOutput, QStringLiteral("Out 4"));
    click(page->btnReadEDIDData);
    QCOMPARE(gridBytes(), fromOutput);

    sim->clearFrameLog();
    int preludesBefore = 0;
    sim->withState([&](MatrixState &s) { preludesBefore = s.edidPreludeCount; });
    choose(page->cbDownloadEDIDInput, QStringLiteral("All Inputs"));
    click(page->btnDownloadEDID);

    const int prelude = indexOf(0x03, 8);
    const int start = indexOf(0x03, 6);
    QVERIFY(prelude >= 0);
    QVERIFY(start > prelude);
    QCOMPARE(param(commands()[prelude], 1), uint16_t(0x00F0));
    QCOMPARE(param(commands()[start], 1), uint16_t(0xF0FE));
    QVERIFY(commands(0x03, 7).isEmpty());
    QVERIFY(statusLog.contains(QStringLiteral("2:Downloading...")));
    QCOMPARE(status[2], QStringLiteral("Done"));
    QVERIFY(!ctx->Busy());
    sim->withState([&](MatrixState &s) {
        QCOMPARE(s.edidPreludeCount, preludesBefore + 1);
        for (int i = 0; i < 8; ++i)
            QCOMPARE(s.inputEdid[i], fromOutput);
    });
}

void TestEdidPage::downloadTargets() {
    const QByteArray sample = readFile(SampleFile);
    QVERIFY(page->DisplayEdid(&sample));

    struct Case {
        QString item;
        uint8_t sub;
        uint16_t p1;
    };
    const QList<Case> cases = {{QStringLiteral("In 5"), 7, 0xF005},
                               {QStringLiteral("User EDID 1 Memory"), 7, 0xF100},
                               {QStringLiteral("User EDID 2 Memory"), 7, 0xF200}};
    for (const Case &c : cases) {
        sim->clearFrameLog();
        choose(page->cbDownloadEDIDInput, c.item);
        click(page->btnDownloadEDID);
        const QList<QByteArray> starts = commands(0x03, c.sub);
        QCOMPARE(starts.size(), 1);
        QCOMPARE(param(starts.first(), 1), c.p1);
        QVERIFY(indexOf(0x03, 8) < indexOf(0x03, c.sub));
    }
    sim->withState([&](MatrixState &s) {
        QCOMPARE(s.inputEdid[4], sample);
        QCOMPARE(s.userEdid[0], sample);
        QCOMPARE(s.userEdid[1], sample);
    });

    // Item 0; and powered off: the prelude's power box ends it.
    sim->clearFrameLog();
    page->cbDownloadEDIDInput->setCurrentIndex(0);
    click(page->btnDownloadEDID);
    QCOMPARE(status[3], QStringLiteral("Select list item first"));
    choose(page->cbDownloadEDIDInput, QStringLiteral("In 1"));
    ctx->PowerOn = false;
    click(page->btnDownloadEDID);
    QVERIFY(promptTexts(PromptService::Kind::Information)
                .value(0)
                .startsWith(QStringLiteral("System is Power Off")));
    QVERIFY(commands().isEmpty());
    ctx->PowerOn = true;
}

void TestEdidPage::emptyCellBlocksSaveAndDownload() {
    const QByteArray sample = readFile(SampleFile);
    QVERIFY(page->DisplayEdid(&sample));
    page->sgEDIDContent->item(9, 4)->setText(QString());
    page->WriteStream = sample;

    const QString target = dir.filePath(QStringLiteral("never.bin"));
    saveAnswers << target;
    click(page->btnSaveEDID);
    QCOMPARE(status[3], QStringLiteral("EDID Content empty"));
    QVERIFY(promptTexts(PromptService::Kind::SaveFile).isEmpty());
    QVERIFY(!QFile::exists(target));

    choose(page->cbDownloadEDIDInput, QStringLiteral("In 2"));
    click(page->btnDownloadEDID);
    QCOMPARE(status[3], QStringLiteral("EDID Content empty, open EDID file first"));
    QVERIFY(page->WriteStream.isEmpty());
    QVERIFY(commands().isEmpty());

    // A cell that is not hex fails the same way.
    QVERIFY(page->DisplayEdid(&sample));
    page->sgEDIDContent->item(2, 2)->setText(QStringLiteral("G1"));
    click(page->btnDownloadEDID);
    QCOMPARE(status[3], QStringLiteral("EDID Content empty, open EDID file first"));
    QVERIFY(commands().isEmpty());

    // Clear empties all data cells and the decoded view; the headers stay.
    QVERIFY(page->DisplayEdid(&sample));
    QVERIFY(!page->InfoText().isEmpty());
    QTest::mouseClick(page->btnClearEDIDContent, Qt::LeftButton);
    for (int r = 1; r <= 16; ++r)
        for (int c = 1; c <= 16; ++c)
            QVERIFY(page->CellText(r, c).isEmpty());
    QCOMPARE(page->CellText(0, 10), QStringLiteral("9"));
    QCOMPARE(page->CellText(11, 0), QStringLiteral("A0"));
    QVERIFY(page->InfoText().isEmpty());
    QCOMPARE(page->mmoEDIDInfo->topLevelItemCount(), 0);
}

void TestEdidPage::openRefusesWrongFiles_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reason"); // empty: accepted
    const QByteArray sample = readFile(SampleFile);
    QByteArray changed = sample;
    changed[100] = char(uint8_t(changed[100]) ^ 0x01);
    const auto hex = [](int v) {
        return QStringLiteral("0x%1").arg(v, 2, 16, QLatin1Char('0')).toUpper().replace("0X", "0x");
    };
    int sum = 0;
    for (int i = 0; i < 255; ++i)
        sum += uint8_t(changed[i]);
    QByteArray badHeader = sample;
    badHeader[7] = char(0x01);
    QTest::newRow("one byte changed")
        << changed
        << QStringLiteral("Block 1 checksum is %1, it must be %2.")
               .arg(hex(uint8_t(sample[255])), hex((0x100 - (sum & 0xFF)) & 0xFF));
    QTest::newRow("bad header") << badHeader
                                << QStringLiteral("The header is not 00 FF FF FF FF FF FF 00.");
    QTest::newRow("128 bytes") << readFile(SampleDir + QStringLiteral("/dell-3007wfp-dvi.bin"))
                               << QStringLiteral("File is 128 bytes; a 256-byte EDID is needed.");
    QTest::newRow("384 bytes") << readFile(SampleDir + QStringLiteral("/acer-xv273k-dp.bin"))
                               << QStringLiteral("File is 384 bytes; a 256-byte EDID is needed.");
    QTest::newRow("empty") << QByteArray()
                           << QStringLiteral("File is 0 bytes; a 256-byte EDID is needed.");
    QTest::newRow("large")
        << (sample + QByteArray(1 << 20, '\0'))
        << QStringLiteral("File is %1 bytes; a 256-byte EDID is needed.").arg(256 + (1 << 20));
    QTest::newRow("unreadable") << QByteArray() << QStringLiteral("unreadable");
    QTest::newRow("257 bytes") << (sample + QByteArray(1, '\x55')) << QString();
    QTest::newRow("256 bytes") << sample << QString();
}

void TestEdidPage::openRefusesWrongFiles() {
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    const bool accepted = reason.isEmpty();
    QString path = dir.filePath(QStringLiteral("open-%1.bin")
                                    .arg(QTest::currentDataTag())
                                    .replace(QLatin1Char(' '), QLatin1Char('-')));
    if (reason == QStringLiteral("unreadable"))
        QVERIFY(QDir().mkpath(path)); // a folder by that name cannot be read as a file
    else
        QVERIFY(writeFile(path, content));

    // Another EDID is open before.
    const QByteArray before = variantOf(readFile(SampleFile), '\x42');
    const QString beforePath = dir.filePath(QStringLiteral("before.bin"));
    QVERIFY(writeFile(beforePath, before));
    openAnswers << beforePath;
    click(page->btnOpenEDID);
    QCOMPARE(gridBytes(), before);
    prompts->History.clear();

    openAnswers << path;
    click(page->btnOpenEDID);
    if (accepted) {
        QCOMPARE(page->edtOpenEDID->text(), path);
        QCOMPARE(page->edtOpenEDID->cursorPosition(), path.size());
        QVERIFY(prompts->History.size() == 1); // only the file dialog
        QCOMPARE(gridBytes(), content.left(256));
        QCOMPARE(page->WriteStream, content);
    } else {
        const QString expected = reason == QStringLiteral("unreadable")
                                     ? QStringLiteral("Can not open file: ") + path
                                     : QStringLiteral("EDID content error.\r\n") + reason;
        QCOMPARE(promptTexts(PromptService::Kind::Error), QStringList{expected});
        // Neither the name nor the earlier bytes are left on the page.
        QVERIFY(page->edtOpenEDID->text().isEmpty());
        QVERIFY(page->WriteStream.isEmpty());
        QVERIFY(gridBytes().isEmpty());
        for (int r = 1; r <= 16; ++r)
            QVERIFY(page->CellText(r, 1).isEmpty());
        QVERIFY(page->InfoText().isEmpty());
        // Download has nothing to send.
        choose(page->cbDownloadEDIDInput, page->cbDownloadEDIDInput->itemText(1));
        click(page->btnDownloadEDID);
        QCOMPARE(status[3], QStringLiteral("EDID Content empty, open EDID file first"));
    }
    QVERIFY(commands().isEmpty());
}

void TestEdidPage::saveNamesAndOverwrite() {
    const QByteArray sample = readFile(SampleFile);
    QVERIFY(page->DisplayEdid(&sample));

    // No extension: ".bin" appended.
    saveAnswers << dir.filePath(QStringLiteral("plain"));
    click(page->btnSaveEDID);
    const QString appended = dir.filePath(QStringLiteral("plain.bin"));
    QCOMPARE(readFile(appended), sample);
    QCOMPARE(page->edtSaveEDID->text(), appended);
    QCOMPARE(page->edtSaveEDID->cursorPosition(), appended.size());
    QCOMPARE(status[3], QStringLiteral("EDID saved"));

    // ".BIN" in any case is kept; another extension gets ".bin" after it.
    saveAnswers << dir.filePath(QStringLiteral("upper.BiN"))
                << dir.filePath(QStringLiteral("edid.txt"));
    click(page->btnSaveEDID);
    click(page->btnSaveEDID);
    QCOMPARE(readFile(dir.filePath(QStringLiteral("upper.BiN"))), sample);
    QCOMPARE(readFile(dir.filePath(QStringLiteral("edid.txt.bin"))), sample);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("upper.BiN.bin"))));
    QVERIFY(promptTexts(PromptService::Kind::Question).isEmpty());

    // An existing file: asked, and No keeps it.
    const QByteArray other = variantOf(sample, '\x77');
    QVERIFY(page->DisplayEdid(&other));
    status[3].clear();
    saveAnswers << dir.filePath(QStringLiteral("plain"));
    questionAnswer = false;
    click(page->btnSaveEDID);
    QCOMPARE(promptTexts(PromptService::Kind::Question),
             QStringList{appended + QStringLiteral(" exists, overwrite it?")});
    QCOMPARE(readFile(appended), sample);
    QVERIFY(status[3].isEmpty());

    saveAnswers << appended;
    questionAnswer = true;
    click(page->btnSaveEDID);
    QCOMPARE(readFile(appended), other);
    QCOMPARE(status[3], QStringLiteral("EDID saved"));

    // A cancelled dialog writes nothing; a folder that cannot be written says so.
    prompts->History.clear();
    status[3].clear();
    click(page->btnSaveEDID);
    QVERIFY(status[3].isEmpty());
    saveAnswers << dir.filePath(QStringLiteral("no-such-folder/x.bin"));
    click(page->btnSaveEDID);
    QCOMPARE(promptTexts(PromptService::Kind::Error).size(), 1);
    QVERIFY(status[3].isEmpty());
    QVERIFY(commands().isEmpty());
}

void TestEdidPage::setEdidMode() {
    struct Case {
        QString mode;
        QString input;
        uint8_t sub;
        uint16_t p1;
        uint16_t p2;
    };
    const QList<Case> cases = {
        {QStringLiteral("Default EDID"), QStringLiteral("In 3"), 10, 3, 0},
        {QStringLiteral("Default EDID"), QStringLiteral("All Inputs"), 9, 0x00FE, 0},
        {QStringLiteral("1080i, 2CH PCM"), QStringLiteral("In 5"), 2, 0xF001, 5},
        {QStringLiteral("4K@60Hz 4:2:0, 7.1CH DTS/DOLBY/HD"), QStringLiteral("All Inputs"), 1,
         0xF014, 0},
        {QStringLiteral("User EDID 1"), QStringLiteral("In 8"), 2, 0xF100, 8},
        {QStringLiteral("User EDID 2"), QStringLiteral("All Inputs"), 1, 0xF200, 0},
    };
    for (const Case &c : cases) {
        sim->clearFrameLog();
        choose(page->cbEDIDMode, c.mode);
        choose(page->cbSetEDIDModeInput, c.input);
        click(page->btnSetEDIDMode);
        const QList<QByteArray> sent = commands();
        QCOMPARE(sent.size(), 2);
        QCOMPARE(uint8_t(sent[0][3]), uint8_t(8));
        QCOMPARE(param(sent[0], 1), uint16_t(0x00F0));
        QCOMPARE(uint8_t(sent[1][2]), uint8_t(0x03));
        QCOMPARE(uint8_t(sent[1][3]), c.sub);
        QCOMPARE(param(sent[1], 1), c.p1);
        QCOMPARE(param(sent[1], 2), c.p2);
        QCOMPARE(status[2], QStringLiteral("Done"));
        if (c.sub == 2)
            sim->withState([&](MatrixState &s) { QCOMPARE(s.inputEdidMode[c.p2 - 1], c.p1); });
    }
    sim->withState([](MatrixState &s) {
        for (int i = 0; i < 8; ++i)
            QCOMPARE(s.inputEdidMode[i], uint16_t(0xF200)); // the last "All Inputs"
    });

    // Item 0 in either list.
    sim->clearFrameLog();
    page->cbEDIDMode->setCurrentIndex(0);
    click(page->btnSetEDIDMode);
    QCOMPARE(status[3], QStringLiteral("Select list item first"));
    choose(page->cbEDIDMode, QStringLiteral("Default EDID"));
    page->cbSetEDIDModeInput->setCurrentIndex(0);
    status[3].clear();
    click(page->btnSetEDIDMode);
    QCOMPARE(status[3], QStringLiteral("Select list item first"));
    QVERIFY(commands().isEmpty());
}

void TestEdidPage::copyEdid() {
    // No sink on output 2's HDMI: the box, and nothing but the query is sent.
    sim->withState([](MatrixState &s) { s.hdmiSinkConnected[1] = false; });
    choose(page->cbCopyEDIDOutput, QStringLiteral("Out 2"));
    choose(page->cbCopyEDIDInput, QStringLiteral("In 4"));
    click(page->btnCopyEDID);
    QList<QByteArray> sent = commands();
    QCOMPARE(sent.size(), 1);
    QCOMPARE(uint8_t(sent[0][2]), uint8_t(0x01));
    QCOMPARE(uint8_t(sent[0][3]), uint8_t(5));
    QCOMPARE(param(sent[0], 1), uint16_t(2));
    QVERIFY(statusLog.contains(QStringLiteral("2:Getting Output2 connection ...")));
    QCOMPARE(promptTexts(PromptService::Kind::Information),
             QStringList{QStringLiteral("EDID can not be read because output not connected.\r\n"
                                        "Output2 = [HDMI]")});

    // Output 2 switched to its HDBT sink (connected): sub 9 asks, the copy runs.
    page->cbOutputEDID[1]->setCurrentIndex(0); // "HDBT", as a user would
    QCOMPARE(page->cbOutputEDID[1]->currentText(), QStringLiteral("HDBT"));
    sim->clearFrameLog();
    prompts->History.clear();
    click(page->btnCopyEDID);
    sent = commands();
    QCOMPARE(sent.size(), 3);
    QCOMPARE(uint8_t(sent[0][3]), uint8_t(9));
    QCOMPARE(uint8_t(sent[1][3]), uint8_t(8));
    QCOMPARE(uint8_t(sent[2][3]), uint8_t(4));
    QCOMPARE(param(sent[2], 1), uint16_t(2));
    QCOMPARE(param(sent[2], 2), uint16_t(4));
    QVERIFY(prompts->History.isEmpty());
    QByteArray out2;
    sim->withState([&](MatrixState &s) {
        out2 = s.outputEdid[1];
        QCOMPARE(s.inputEdid[3], out2);
    });

    // No HDBT sink either: the box names HDBT.
    sim->withState([](MatrixState &s) { s.hdbtSinkConnected[1] = false; });
    click(page->btnCopyEDID);
    QCOMPARE(promptTexts(PromptService::Kind::Information),
             QStringList{QStringLiteral("EDID can not be read because output not connected.\r\n"
                                        "Output2 = [HDBT]")});

    // To all inputs.
    sim->clearFrameLog();
    choose(page->cbCopyEDIDOutput, QStringLiteral("Out 7"));
    choose(page->cbCopyEDIDInput, QStringLiteral("All Inputs"));
    click(page->btnCopyEDID);
    const QList<QByteArray> all = commands(0x03, 3);
    QCOMPARE(all.size(), 1);
    QCOMPARE(param(all.first(), 1), uint16_t(7));
    QVERIFY(statusLog.contains(QStringLiteral("2:Copying...")));

    sim->withState([](MatrixState &s) {
        s.hdmiSinkConnected[1] = true;
        s.hdbtSinkConnected[1] = true;
        s.outputEdidSource[1] = SinkHDMI;
    });
    page->cbOutputEDID[1]->setCurrentIndex(1);
    page->cbCopyEDIDOutput->setCurrentIndex(0);
    sim->clearFrameLog();
    click(page->btnCopyEDID);
    QCOMPARE(status[3], QStringLiteral("Select list item first"));
    QVERIFY(commands().isEmpty());
}

void TestEdidPage::outputSourceChange() {
    QComboBox *combo = page->cbOutputEDID[4];
    combo->setCurrentIndex(0); // the user picks "HDBT"
    QList<QByteArray> sent = commands();
    QCOMPARE(sent.size(), 2);
    QCOMPARE(uint8_t(sent[0][3]), uint8_t(12));
    QCOMPARE(param(sent[0], 1), uint16_t(5));
    QCOMPARE(param(sent[0], 2), uint16_t(2));
    QCOMPARE(uint8_t(sent[1][3]), uint8_t(13));
    QCOMPARE(param(sent[1], 1), uint16_t(5));
    QVERIFY(statusLog.contains(QStringLiteral("2:Refreshing output EDID setting...")));
    sim->withState([](MatrixState &s) { QCOMPARE(s.outputEdidSource[4], uint8_t(SinkHDBT)); });
    QCOMPARE(combo->currentText(), QStringLiteral("HDBT"));

    // Powered off: the set shows the power box, the read-back still runs and
    // the combo follows the matrix without sending anything more.
    sim->clearFrameLog();
    ctx->PowerOn = false;
    combo->setCurrentIndex(1);
    sent = commands();
    QCOMPARE(sent.size(), 1);
    QCOMPARE(uint8_t(sent[0][3]), uint8_t(13));
    QCOMPARE(combo->currentText(), QStringLiteral("HDBT"));
    QVERIFY(promptTexts(PromptService::Kind::Information)
                .value(0)
                .startsWith(QStringLiteral("System is Power Off")));
    QVERIFY(page->UserChangeEnabled());
    ctx->PowerOn = true;

    sim->clearFrameLog();
    combo->setCurrentIndex(1);
    QCOMPARE(combo->currentText(), QStringLiteral("HDMI"));
    sim->withState([](MatrixState &s) { QCOMPARE(s.outputEdidSource[4], uint8_t(SinkHDMI)); });
}

void TestEdidPage::portLabelsKeepIndexesAndTargets() {
    choose(page->cbReadEDIDDataOutput, QStringLiteral("Out 4"));
    choose(page->cbDownloadEDIDInput, QStringLiteral("User EDID 1 Memory"));
    choose(page->cbCopyEDIDInput, QStringLiteral("In 2"));

    // A label that contains "user" must not shift the user-memory targets.
    labels[1] = QStringLiteral("User PC");
    labels[2] = QStringLiteral("Player");
    labels[44] = QStringLiteral("Projector");
    emit ctx->portLabelsChanged();
    QCOMPARE(page->cbReadEDIDDataOutput->currentText(), QStringLiteral("Out 4 - [Projector]"));
    QCOMPARE(page->cbDownloadEDIDInput->currentText(), QStringLiteral("User EDID 1 Memory"));
    QCOMPARE(page->cbCopyEDIDInput->currentText(), QStringLiteral("In 2 - [Player]"));
    QCOMPARE(page->cbSetEDIDModeInput->itemText(1), QStringLiteral("In 1 - [User PC]"));

    const QByteArray sample = readFile(SampleFile);
    QVERIFY(page->DisplayEdid(&sample));
    click(page->btnDownloadEDID);
    QCOMPARE(commands(0x03, 7).size(), 1);
    QCOMPARE(param(commands(0x03, 7).first(), 1), uint16_t(0xF100));

    sim->clearFrameLog();
    choose(page->cbDownloadEDIDInput, QStringLiteral("In 1 - [User PC]"));
    click(page->btnDownloadEDID);
    QCOMPARE(param(commands(0x03, 7).first(), 1), uint16_t(0xF001));

    // Showing the page rebuilds (powered on) and keeps the positions.
    labels.clear();
    page->hide();
    page->show();
    QCOMPARE(page->cbReadEDIDDataOutput->currentText(), QStringLiteral("Out 4"));
    QCOMPARE(page->cbDownloadEDIDInput->currentText(), QStringLiteral("In 1"));
    QCOMPARE(page->cbCopyEDIDInput->currentText(), QStringLiteral("In 2"));
}

void TestEdidPage::choicesRoundTrip() {
    choose(page->cbEDIDMode, QStringLiteral("1080p 3D, 2CH PCM"));
    choose(page->cbSetEDIDModeInput, QStringLiteral("All Inputs"));
    choose(page->cbCopyEDIDOutput, QStringLiteral("Out 8"));
    choose(page->cbCopyEDIDInput, QStringLiteral("In 6"));
    choose(page->cbReadEDIDDataOutput, QStringLiteral("User EDID 2 Memory"));
    choose(page->cbDownloadEDIDInput, QStringLiteral("In 7"));
    page->edtSaveEDID->setText(QStringLiteral("/tmp/a.bin"));
    const EdidChoices saved = page->Choices();
    QCOMPARE(saved.mode, QStringLiteral("1080p 3D, 2CH PCM"));
    QCOMPARE(saved.readOutput, QStringLiteral("User EDID 2 Memory"));
    QCOMPARE(saved.savePath, QStringLiteral("/tmp/a.bin"));

    for (QComboBox *c :
         {page->cbEDIDMode, page->cbSetEDIDModeInput, page->cbCopyEDIDOutput, page->cbCopyEDIDInput,
          page->cbReadEDIDDataOutput, page->cbDownloadEDIDInput})
        c->setCurrentIndex(0);
    EdidChoices stored = saved;
    stored.openPath = QStringLiteral("/tmp/b.bin");
    stored.copyInput = QStringLiteral("In 6 - [gone]"); // no such item now
    page->RestoreChoices(stored);
    QCOMPARE(page->cbEDIDMode->currentText(), saved.mode);
    QCOMPARE(page->cbEDIDMode->toolTip(), saved.mode);
    QCOMPARE(page->cbSetEDIDModeInput->currentText(), QStringLiteral("All Inputs"));
    QCOMPARE(page->cbCopyEDIDOutput->currentText(), QStringLiteral("Out 8"));
    QCOMPARE(page->cbCopyEDIDInput->currentIndex(), 0);
    QCOMPARE(page->cbReadEDIDDataOutput->currentText(), QStringLiteral("User EDID 2 Memory"));
    QCOMPARE(page->cbDownloadEDIDInput->currentText(), QStringLiteral("In 7"));
    QVERIFY(page->edtSaveEDID->text().isEmpty());
    QVERIFY(page->edtOpenEDID->text().isEmpty());
    QVERIFY(commands().isEmpty());
}

// A technician opens a sample EDID, reads what it says, downloads it to
// input 2, reads output 1 back and saves it.
void TestEdidPage::openSampleDownloadReadSave() {
    const QByteArray sample = readFile(SampleFile);
    openAnswers << SampleFile;
    click(page->btnOpenEDID);
    QCOMPARE(gridBytes(), sample);
    const QString decoded = page->InfoText();
    QVERIFY2(decoded.contains(QStringLiteral("LG TV")), qPrintable(decoded));
    QVERIFY2(decoded.contains(QStringLiteral("3840x2160")), qPrintable(decoded));
    QVERIFY2(decoded.contains(QStringLiteral("Linear PCM")) ||
                 decoded.contains(QStringLiteral("L-PCM")),
             qPrintable(decoded));
    QVERIFY2(decoded.contains(QStringLiteral("DTS")), qPrintable(decoded));
    // In the view the preferred mode heads the groups, open with what decides
    // an EDID choice; the audio formats are open, the long timing list folded
    // and the findings come last.
    QTreeWidget *view = page->mmoEDIDInfo;
    const QTreeWidgetItem *top = view->topLevelItem(0);
    QCOMPARE(top->text(0), QStringLiteral("Preferred mode: 3840x2160 @ 60 Hz (DTD 1)"));
    QVERIFY(top->isExpanded());
    QStringList summary;
    for (int i = 0; i < top->childCount(); ++i)
        summary << top->child(i)->text(0);
    QVERIFY2(summary.contains(QStringLiteral("FRL: 4 lanes x 12 Gbps (48 Gbps)")),
             qPrintable(summary.join(QLatin1Char('\n'))));
    QVERIFY(summary.contains(QStringLiteral("HDR: SMPTE ST2084, Hybrid Log-Gamma")));
    QVERIFY(summary.contains(QStringLiteral("Max TMDS: 600 MHz")));
    bool audioOpen = false, timingsFolded = false, displayFound = false;
    for (int i = 0; i < view->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = view->topLevelItem(i);
        if (item->text(0) == QStringLiteral("Display"))
            displayFound = item->child(0)->text(0) == QStringLiteral("Name: LG TV");
        if (item->text(0) == QStringLiteral("Audio"))
            audioOpen = item->isExpanded() && item->childCount() > 0;
        if (item->text(0).startsWith(QStringLiteral("Timings (")))
            timingsFolded = !item->isExpanded() && item->childCount() > 8;
    }
    QVERIFY(displayFound);
    QVERIFY(audioOpen);
    QVERIFY(timingsFolded);
    const QString last = view->topLevelItem(view->topLevelItemCount() - 1)->text(0);
    QVERIFY2(last.startsWith(QStringLiteral("Failures (")) ||
                 last.startsWith(QStringLiteral("Warnings (")),
             qPrintable(last));

    choose(page->cbDownloadEDIDInput, QStringLiteral("In 2"));
    click(page->btnDownloadEDID);
    QCOMPARE(status[2], QStringLiteral("Done"));
    sim->withState([&](MatrixState &s) { QCOMPARE(s.inputEdid[1], sample); });

    choose(page->cbReadEDIDDataOutput, QStringLiteral("Out 1"));
    click(page->btnReadEDIDData);
    QCOMPARE(status[2], QStringLiteral("Done"));
    QByteArray held;
    sim->withState([&](MatrixState &s) { held = s.outputEdidAsRead(1); });
    QCOMPARE(gridBytes(), held);
    QVERIFY(page->InfoText() != decoded);

    const QString target = dir.filePath(QStringLiteral("out1"));
    saveAnswers << target;
    click(page->btnSaveEDID);
    QCOMPARE(status[3], QStringLiteral("EDID saved"));
    QCOMPARE(readFile(target + QStringLiteral(".bin")), held);
    QVERIFY(promptTexts(PromptService::Kind::Information).isEmpty());
    QVERIFY(promptTexts(PromptService::Kind::Error).isEmpty());
}

namespace {

// Texts of a side's rows, top-level and child, in order.
QStringList rowTexts(const QTreeWidget *tree, bool visibleOnly = false) {
    QStringList out;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *head = tree->topLevelItem(i);
        if (visibleOnly && head->isHidden())
            continue;
        out << head->text(0);
        for (int k = 0; k < head->childCount(); ++k) {
            if (!visibleOnly || !head->child(k)->isHidden())
                out << head->child(k)->text(0);
        }
    }
    return out;
}

} // namespace

// An installer compares the EDID in the grid with a file: both views side by
// side, what differs marked on each side.
void TestEdidPage::compareWithFile() {
    QCOMPARE(page->btnCompareEDID->objectName(), QStringLiteral("btnCompareEDID"));
    QCOMPARE(page->btnCompareEDID->accessibleName(), QStringLiteral("Compare with file"));
    QVERIFY(page->btnCompareEDID->isVisible());
    QVERIFY(page->btnCompareEDID->focusPolicy() & Qt::TabFocus);
    // Its accelerator (Alt+M) belongs to nothing else on the page.
    int withM = 0;
    for (const QPushButton *b : page->findChildren<QPushButton *>())
        withM += b->text().contains(QStringLiteral("&m"), Qt::CaseInsensitive);
    for (const QLabel *l : page->findChildren<QLabel *>())
        withM += l->text().contains(QStringLiteral("&m"), Qt::CaseInsensitive);
    QCOMPARE(withM, 1);

    openAnswers << SampleFile;
    click(page->btnOpenEDID);
    const QByteArray before = gridBytes();

    QStringList left, right, leftOnly;
    QString summary;
    int dialogs = 0;
    onDialog = [&](QDialog *d) {
        ++dialogs;
        auto *dialog = qobject_cast<EdidCompareDialog *>(d);
        QVERIFY(dialog);
        left = rowTexts(dialog->twCompareLeft);
        right = rowTexts(dialog->twCompareRight);
        summary = dialog->lblCompareSummary->text();
        QVERIFY(!dialog->twCompareLeft->accessibleName().isEmpty());
        dialog->cbDifferencesOnly->setChecked(true);
        leftOnly = rowTexts(dialog->twCompareLeft, true);
    };
    openAnswers << samples::edidPath(QStringLiteral("samsung-ue55ks-hdmi.bin"));
    click(page->btnCompareEDID);
    QCOMPARE(dialogs, 1);
    const QString mark = EdidCompareDialog::DiffersMark();
    QVERIFY2(left.contains(mark + QStringLiteral("Name: LG TV")), qPrintable(left.join('\n')));
    QVERIFY(right.contains(mark + QStringLiteral("Name: SAMSUNG")));
    QVERIFY(left.contains(mark + QStringLiteral("FRL: 4 lanes x 12 Gbps (48 Gbps)")));
    QVERIFY(right.contains(mark + QStringLiteral("FRL: none")));
    // The LG TV has an HDMI Forum block, the Samsung none: the whole group is marked.
    QVERIFY(left.contains(mark + QStringLiteral("HDMI Forum")));
    QVERIFY(!right.contains(mark + QStringLiteral("HDMI Forum")));
    // What both declare stays unmarked on both sides.
    QVERIFY(left.contains(QStringLiteral("VIC 16: 1920x1080 @ 60 Hz 16:9")));
    QVERIFY(right.contains(QStringLiteral("VIC 16: 1920x1080 @ 60 Hz 16:9")));
    QVERIFY(left.contains(QStringLiteral("Physical address: 1.0.0.0")));
    QVERIFY(summary.contains(QStringLiteral("lines differ")));
    // Only the differences: every line left has the mark or is a heading.
    QVERIFY(!leftOnly.contains(QStringLiteral("VIC 16: 1920x1080 @ 60 Hz 16:9")));
    QVERIFY(leftOnly.contains(mark + QStringLiteral("Name: LG TV")));
    QVERIFY(leftOnly.size() < left.size());

    // The same EDID: nothing marked.
    openAnswers << SampleFile;
    click(page->btnCompareEDID);
    QCOMPARE(dialogs, 2);
    QCOMPARE(summary, QStringLiteral("No differences."));
    for (const QString &t : left)
        QVERIFY2(!t.startsWith(mark), qPrintable(t));

    // The grid and its bytes are untouched; nothing reached the matrix.
    QCOMPARE(gridBytes(), before);
    QVERIFY(commands().isEmpty());
    QVERIFY(promptTexts(PromptService::Kind::Error).isEmpty());
}

void TestEdidPage::compareRefusalsAndEmptyGrid() {
    int dialogs = 0;
    QStringList left, right;
    onDialog = [&](QDialog *d) {
        ++dialogs;
        auto *dialog = qobject_cast<EdidCompareDialog *>(d);
        left = rowTexts(dialog->twCompareLeft);
        right = rowTexts(dialog->twCompareRight);
    };
    // A file that is no EDID: said so, no comparison.
    const QString junk = dir.filePath(QStringLiteral("junk.bin"));
    QVERIFY(writeFile(junk, QByteArray(256, 'x')));
    openAnswers << SampleFile;
    click(page->btnOpenEDID);
    openAnswers << junk;
    click(page->btnCompareEDID);
    QCOMPARE(dialogs, 0);
    QCOMPARE(promptTexts(PromptService::Kind::Error).size(), 1);
    QVERIFY(
        promptTexts(PromptService::Kind::Error).first().contains(QStringLiteral("not an EDID")));
    // Cancelled: nothing.
    click(page->btnCompareEDID);
    QCOMPARE(dialogs, 0);

    // With an empty grid two files are compared; the 384-byte one with all
    // its blocks (its DisplayID block too).
    page->btnClearEDIDContentClick();
    prompts->History.clear();
    openAnswers << samples::edidPath(QStringLiteral("acer-xv273k-dp.bin")) << SampleFile;
    click(page->btnCompareEDID);
    QCOMPARE(dialogs, 1);
    QCOMPARE(promptTexts(PromptService::Kind::OpenFile).size(), 2);
    QVERIFY(left.contains(EdidCompareDialog::DiffersMark() + QStringLiteral("DisplayID 1.2")));
    QVERIFY(left.contains(EdidCompareDialog::DiffersMark() +
                          QStringLiteral("Block 2 (DisplayID extension): checksum valid")));
    QVERIFY(page->InfoText().isEmpty()); // the grid stays empty
}

QTEST_MAIN(TestEdidPage)
#include "tst_edidpage.moc"
