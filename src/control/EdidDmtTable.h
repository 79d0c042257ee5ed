#pragma once
// The VESA display monitor timings (DMT) that standard timings, established
// timings and established timings III refer to.

struct EdidDmt {
    int id;
    int hActive;
    int vActive; // frame lines
    bool interlaced;
    double refreshHz; // field rate for interlaced modes
    double hFreqKHz;
    int pixelClockKHz;
    int stdCode; // the two standard timing bytes that name it, 0 when none
};

// The timing with DMT id `id`; nullptr when there is none.
const EdidDmt *EdidDmtById(int id);

// The timing the standard timing bytes (b1 << 8 | b2) name exactly; nullptr
// when they name no DMT (the timing then follows from a formula).
const EdidDmt *EdidDmtByStdCode(int code);
