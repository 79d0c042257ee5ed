#pragma once
// The window-wide flags of the control pages that keep
// programmatic updates of controls from sending commands.

struct ControlFlags {
    // Cleared while a refresh writes controls; handlers send only while set.
    bool UserChange = true;
    // Set while the POH combos are written.
    bool PohUpdate = false;
};

// Clears the user-change flag for its lifetime and sets it again at the end,
// whether or not the refresh failed.
class RefreshScope {
public:
    explicit RefreshScope(ControlFlags &flags) : FFlags(flags) { FFlags.UserChange = false; }
    ~RefreshScope() { FFlags.UserChange = true; }
    RefreshScope(const RefreshScope &) = delete;
    RefreshScope &operator=(const RefreshScope &) = delete;

private:
    ControlFlags &FFlags;
};
