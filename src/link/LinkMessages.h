#pragma once
// The numbers of the engine's notifications as the diagnostic log names them.
// The engine reports through typed signals; a number travels only with a
// diagnostic line, so that a log reads the same as before.

#include <QString>
#include <cstdint>

enum LinkMessage : int {
    WM_LINK_RXCOUNT = 2024,     // wParam: bytes that arrived
    WM_LINK_FRAMELOG = 2025,    // text: a logged frame
    WM_LINK_TIMEOUT = 2026,     // the fifth try timed out
    WM_LINK_DATALOG = 2028,     // text: raw bytes logged
    WM_LINK_BADSTATUS = 2029,   // unexpected status to a starting command
    WM_LINK_DONE = 2030,        // wParam: part id or 0, lParam: version or 0
    WM_LINK_EXCEPTION = 2031,   // an error inside an exchange
    WM_LINK_CONNFAIL = 2032,    // wParam: current Connected (0/1)
    WM_LINK_PARTREFUSED = 2034, // wParam: part id, lParam: version
    WM_LINK_PROGRESS = 2035,    // wParam: part id, lParam: percent
    WM_LINK_INVALID = 2037,     // five tries without a valid reply
    WM_LINK_UPGRADELOG = 2038,  // text; lParam 1: repeated waiting text, 0: final words
    WM_LINK_SEARCHTEXT = 2039,  // text; lParam 0: search dialog, 1: status bar
    WM_LINK_TREEMARK = 2040,    // text; lParam: part id << 16 | sub id
};
