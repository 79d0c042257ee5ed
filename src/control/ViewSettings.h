#pragma once
// Multi-view and video wall without widgets: source stepping,
// range checks of read-backs, border decoding and the border typing rule.

#include <QString>

namespace ViewSettings {
constexpr int Sources = 4;
constexpr int MvLayouts = 4;
constexpr int WallLayouts = 3;
constexpr int BorderMax = 100;
constexpr int BorderOutputs = 4; // the form has border controls for outputs 1..4
constexpr int Outputs = 8;       // the border read and the reset run over 1..8

inline bool ValidSource(int source) {
    return source >= 1 && source <= Sources;
}
inline bool ValidMvLayout(int code) {
    return code >= 0 && code < MvLayouts;
}
inline bool ValidWallLayout(int code) {
    return code >= 0 && code < WallLayouts;
}
inline bool ValidMvAudio(int source) {
    return source >= 0 && source <= Sources;
}
// Previous / next through 1..4 with wrap-around; from a value outside 1..4,
// previous gives 4 and next gives 1.
int StepSource(int current, bool previous);
// The text of the audio display: the source number, or "A" for 0.
QString AudioText(int source);

// Border spin edit tags: 10n + side (0 left, 1 right, 2 top, 3 bottom).
inline int BorderTag(int output, int side) {
    return output * 10 + side;
}
inline int BorderOutputOfTag(int tag) {
    return tag / 10;
}
inline int BorderSideOfTag(int tag) {
    return tag % 10;
}

// The border typing rule.
// Key press: digits and backspace only; with three characters and no
// selection, only backspace.
bool AcceptBorderKey(const QString &text, bool hasSelection, int key, const QString &keyText);
// Key release: empty becomes "0" (caret 1); three or more characters worth
// more than 100 become "100" (caret 3). False when nothing changes.
bool FixBorderText(const QString &text, QString *fixed, int *caret);
// Change: the value to send, or -1 when the text is no number 0..100.
int BorderValue(const QString &text);
} // namespace ViewSettings
