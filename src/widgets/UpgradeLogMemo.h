#pragma once
// Writes the texts of an upload's reboot wait into an upgrade page's memo:
// a repeating text (a waiting line with a turning spinner) rewrites the last
// line of its kind instead of adding one; any other text adds a line.

class QPlainTextEdit;
class QString;

namespace UpgradeLogMemo {
void Write(QPlainTextEdit *memo, const QString &text, bool repeating);
} // namespace UpgradeLogMemo
