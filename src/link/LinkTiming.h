#pragma once
// Every wait length of the link engine and the window in one place, so that
// tests shrink them and the time-out paths run in milliseconds.

struct LinkTiming {
    int tickMs = 10;        // one wait tick of an exchange
    int ticksPerTry = 2000; // ticks before a try counts as timed out
    int retryPauseMs = 5;   // pause after an invalid reply
    int uploadRetryPauseMs = 50;
    int preparePauseMs = 300; // pauses around the upload preparation steps
    int rebootTickMs = 100;   // reboot wait and module search ticks
    int rebootTicksPerProbe = 30;
    int rebootProbes = 40;
    int connectTimeoutMs = 3000;
    int blinkPauseMs = 350; // status bar alert blink
    int afterConnectPauseMs = 100;

    static LinkTiming &current();
    // Test helper: divide every pause by `factor` (at least 1 ms each), keeping tick counts.
    static void shrinkForTests(int factor = 10);
};
