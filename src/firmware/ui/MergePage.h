#pragma once
// The "Merge Firmware" page: one row per MCU image (file, two version edits,
// the "MCU&,PCB" text), the product name and the date stamp; "&Merge" builds
// a firmware file with FirmwareMerge and saves it in the first folder the
// open buttons remembered.

#include "firmware/FirmwareMerge.h"
#include "protocol/Commands.h"

#include <QDate>
#include <QWidget>
#include <array>

class AppContext;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class MergePage : public QWidget {
    Q_OBJECT
public:
    explicit MergePage(AppContext *ctx, QWidget *parent = nullptr);

    // Handlers.
    void OpenMergeSource(int row); // btnOpen... (tag = row)
    void MergeFirmware();          // btnMerge
    void Button2Click();           // "&Clear"

    // The date stamp as eight digits (yyyyMMdd); the window calls it when it
    // is first shown.
    void InitialiseDateStamp(const QDate &today = QDate::currentDate());

    // The folders the open buttons remembered, one per row.
    const TMergeOpenPath &OpenPaths() const { return FOpenPath; }
    // The path of the last file saved (empty when none was).
    QString LastSavedPath() const { return FSavedPath; }

    // One row of the page.
    struct Row {
        QLineEdit *File;
        QPushButton *Open;
        QLineEdit *Ver1;
        QLineEdit *Ver2;
        QLineEdit *Pcb;
    };
    std::array<Row, MergeRowCount> Rows;

    QLineEdit *edtProductName;
    QLineEdit *edtEndWithDateStamp;
    QPushButton *btnMerge;
    QPlainTextEdit *mmoMessage1;
    QPushButton *Button2;

private:
    void log(const QString &text);

    AppContext *ctx;
    TMergeOpenPath FOpenPath;
    QString FSavedPath;
};
