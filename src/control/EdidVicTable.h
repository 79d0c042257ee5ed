#pragma once
// The CTA-861 video identification codes (VICs) and their timings.

#include "control/EdidDecoder.h"

// Timing of video identification code `vic`; false for codes not in the table
// (0, 128..192 and 220 and above are not video formats).
bool EdidVicTiming(int vic, EdidTiming &timing);

// Timing of HDMI VIC `hdmiVic` (1..4) of the HDMI 1.4 block; false otherwise.
bool EdidHdmiVicTiming(int hdmiVic, EdidTiming &timing);
