#pragma once
// The one place where the tool waits while keeping the window alive: it
// serves events (clicks, timers, arriving bytes) until a condition holds, the
// wait is cancelled or the time is up. It wakes as soon as any event was
// served, so a reply is seen the moment its last byte arrives.

#include <QtGlobal>

#include <functional>

namespace LinkWait {
enum class Result { Done, TimedOut, Cancelled };

// `done` and `cancelled` are checked before the first wait and after every
// batch of events; a negative or zero `ms` checks once.
Result until(qint64 ms, const std::function<bool()> &done,
             const std::function<bool()> &cancelled = std::function<bool()>());
// A pause of `ms` that only `cancelled` ends early; true when it ran out.
bool pause(qint64 ms, const std::function<bool()> &cancelled = std::function<bool()>());
// Serve the events that are pending now, without waiting for more (for a
// wait that polls something Qt does not watch, in slices of a few ms).
void serve();
// Make a running wait look at its conditions again (after a flag was set
// outside an event handler).
void wake();
} // namespace LinkWait
