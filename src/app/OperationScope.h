#pragma once
// The one operation that may use the link. Taking a scope checks, in order:
// the window is not closing; no other operation runs (else "In processing,
// command ignored"); the link is open, connecting first when needed (unless
// the operation does not use the matrix link, as module discovery). The scope
// holds the link until it is destroyed, on every exit path.

#include <QString>

class AppContext;

class OperationScope {
public:
    enum class Link { Needed, NotNeeded };

    explicit OperationScope(AppContext *ctx, Link link = Link::Needed);
    ~OperationScope();
    OperationScope(const OperationScope &) = delete;
    OperationScope &operator=(const OperationScope &) = delete;

    bool active() const { return FActive; }
    explicit operator bool() const { return FActive; }
    // Why the scope is not active: it was refused (busy or closing), as
    // opposed to a link that could not be opened.
    bool refused() const { return FRefused; }
    // Stop (the status bar's button, Esc) asks this question first and stops
    // only on Yes: for operations that can leave the unit half-written.
    void askBeforeStop(const QString &question);

private:
    AppContext *FCtx;
    bool FActive = false;
    bool FRefused = false;
};
