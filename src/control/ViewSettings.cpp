#include "control/ViewSettings.h"

#include <QtCore/qnamespace.h>

namespace ViewSettings {

int StepSource(int current, bool previous) {
    if (previous) {
        const int n = current - 1;
        return ValidSource(n) ? n : Sources;
    }
    const int n = current + 1;
    return ValidSource(n) ? n : 1;
}

QString AudioText(int source) {
    return source == 0 ? QStringLiteral("A") : QString::number(source);
}

bool AcceptBorderKey(const QString &text, bool hasSelection, int key, const QString &keyText) {
    if (key == Qt::Key_Backspace)
        return true;
    const bool digit =
        keyText.size() == 1 && keyText[0] >= QLatin1Char('0') && keyText[0] <= QLatin1Char('9');
    if (!digit)
        return false;
    return !(text.size() >= 3 && !hasSelection);
}

bool FixBorderText(const QString &text, QString *fixed, int *caret) {
    if (text.isEmpty()) {
        *fixed = QStringLiteral("0");
        *caret = 1;
        return true;
    }
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (text.size() >= 3 && ok && value > uint(BorderMax)) {
        *fixed = QString::number(BorderMax);
        *caret = 3;
        return true;
    }
    return false;
}

int BorderValue(const QString &text) {
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || value > 0xFFFF || value > uint(BorderMax))
        return -1;
    return int(value);
}

} // namespace ViewSettings
