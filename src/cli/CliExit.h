#pragma once
// Exit codes of matrix-cli: a script tells success, a unit's refusal, a unit
// that does not answer and a wrong call apart.
enum class CliExit : int {
    Success = 0,
    Failed = 1,     // the link or the unit failed in another way (lost link, bad reply)
    BadInput = 2,   // unknown command, missing argument, unreadable or invalid file
    Refused = 3,    // the unit answered and refused
    TimedOut = 4,   // the unit did not answer
    NoLink = 5,     // no link could be opened
    PoweredOff = 6, // the unit is off: the command needs it on (nothing was sent)
};

inline int ExitCode(CliExit e) {
    return static_cast<int>(e);
}
