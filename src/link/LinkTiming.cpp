#include "link/LinkTiming.h"

#include <algorithm>

LinkTiming &LinkTiming::current() {
    static LinkTiming timing;
    return timing;
}

void LinkTiming::shrinkForTests(int factor) {
    LinkTiming &t = current();
    auto shrink = [factor](int &ms) { ms = std::max(1, ms / factor); };
    t = LinkTiming();
    t.tickMs = 1;
    t.ticksPerTry = 200; // a try times out after 200 ms instead of 20 s
    shrink(t.retryPauseMs);
    shrink(t.uploadRetryPauseMs);
    shrink(t.preparePauseMs);
    t.rebootTickMs = 2;
    shrink(t.connectTimeoutMs);
    t.blinkPauseMs = 0;
    t.afterConnectPauseMs = 0;
}
