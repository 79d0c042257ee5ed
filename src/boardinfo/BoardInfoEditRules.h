#pragma once
// The rules of the board-information editor that need no widget: how its
// typed fields become node values, and how check boxes pass their state along
// the tree.

#include <QString>
#include <cstdint>

class BoardInfoTreeNode;

// A firmware version field: empty stores 255 (not set); a decimal number
// 0..255 is stored as it is; anything else (not a number, or above 255)
// stores 255 and fails.
bool ParseEditorVersion(const QString &text, uint8_t &value);

// The solution field: empty stores 255; otherwise one or two hexadecimal
// digits; anything else stores 255 and fails.
bool ParseSolutionText(const QString &text, uint8_t &value);

// The fields as the editor shows them: the solution as two hex digits, Ver1
// in decimal, Ver2 with at least two digits; 255 shows as empty.
QString SolutionFieldText(uint8_t solution);
QString Ver1FieldText(uint8_t ver1);
QString Ver2FieldText(uint8_t ver2);

// After the check box of `node` changed: an MCU group passes its state to
// its firmware items; a checked item checks its group; an unchecked item
// unchecks its group unless a sibling is still checked. Boards pass nothing.
void CascadeEditorCheck(BoardInfoTreeNode *node);
