#pragma once
// The three pictures of the power button: on, off, state unknown.

#include <QIcon>

class PowerGlyphs {
public:
    enum State { On, Off, Unknown };
    static QIcon Glyph(State state);
};
