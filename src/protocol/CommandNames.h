#pragma once
// Readable names of the protocol's commands and reply statuses, for traces
// and logs: "Power/Get", "Edid/Read", "Mcu/BootCodeInfo". A code without a
// name reads as its number ("Cmd 0x42/7"), so every frame gets a name.

#include <QString>
#include <cstdint>

QString CommandName(uint8_t command, uint8_t subCode);
// The status byte of a reply or data packet: "OK", "More", "Last", "Rejected",
// "Refused", else its number.
QString StatusName(uint8_t status);
