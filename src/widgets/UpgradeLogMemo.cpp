#include "widgets/UpgradeLogMemo.h"

#include <QPlainTextEdit>
#include <QString>
#include <QTextBlock>
#include <QTextCursor>

void UpgradeLogMemo::Write(QPlainTextEdit *memo, const QString &text, bool repeating) {
    if (!repeating) {
        memo->appendPlainText(text);
        return;
    }
    memo->setCursorWidth(0);
    QTextDocument *doc = memo->document();
    for (const QString &phrase :
         {QStringLiteral("System rebooting"), QStringLiteral("More delay after system reboot")}) {
        if (!text.contains(phrase))
            continue;
        const QTextBlock last = doc->lastBlock();
        const QString lastLine = doc->isEmpty() ? QString() : last.text();
        if (lastLine.contains(phrase)) {
            QTextCursor cursor(last);
            cursor.movePosition(QTextCursor::StartOfBlock);
            cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            cursor.insertText(text);
        } else {
            memo->appendPlainText(text);
        }
    }
    memo->repaint();
}
