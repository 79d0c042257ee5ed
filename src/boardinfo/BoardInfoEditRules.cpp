#include "boardinfo/BoardInfoEditRules.h"

#include "boardinfo/BoardInfoNode.h"
#include "boardinfo/BoardInfoTreeNode.h"

namespace {
constexpr int GroupLevel = 1;
constexpr int ItemLevel = 2;
} // namespace

bool ParseEditorVersion(const QString &text, uint8_t &value) {
    value = VersionNotSet;
    if (text.isEmpty())
        return true;
    bool ok = false;
    const int number = text.trimmed().toInt(&ok, 10);
    if (!ok || number < 0 || number > 255)
        return false;
    value = uint8_t(number);
    return true;
}

bool ParseSolutionText(const QString &text, uint8_t &value) {
    value = SolutionNotSet;
    if (text.isEmpty())
        return true;
    bool ok = false;
    const int number = text.trimmed().toInt(&ok, 16);
    if (!ok || text.trimmed().size() > 2 || number < 0 || number > 255)
        return false;
    value = uint8_t(number);
    return true;
}

QString SolutionFieldText(uint8_t solution) {
    return solution == SolutionNotSet
               ? QString()
               : QStringLiteral("%1").arg(solution, 2, 16, QLatin1Char('0')).toUpper();
}

QString Ver1FieldText(uint8_t ver1) {
    return ver1 == VersionNotSet ? QString() : QString::number(ver1);
}

QString Ver2FieldText(uint8_t ver2) {
    return ver2 == VersionNotSet ? QString()
                                 : QStringLiteral("%1").arg(ver2, 2, 10, QLatin1Char('0'));
}

void CascadeEditorCheck(BoardInfoTreeNode *node) {
    if (!node)
        return;
    if (node->Level() == GroupLevel) {
        for (int i = 0; i < node->ChildCount(); ++i)
            node->Child(i)->Checked = node->Checked;
        return;
    }
    if (node->Level() != ItemLevel)
        return;
    BoardInfoTreeNode *group = node->Parent();
    if (node->Checked) {
        group->Checked = true;
        return;
    }
    for (int i = 0; i < group->ChildCount(); ++i)
        if (group->Child(i)->Checked)
            return;
    group->Checked = false;
}
