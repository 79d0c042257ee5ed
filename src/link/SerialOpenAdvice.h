#pragma once
// What to tell a person whose serial port would not open because they may
// not use it: on Debian the serial devices belong to the group "dialout", and
// a user outside it gets "permission denied". The decision is made from the
// errno and the device's group, so it is tested without such a user.

#include <QString>

class SerialOpenAdvice {
public:
    // The short words for the status bar ("no permission") and the fix.
    struct Advice {
        QString summary;
        QString fix;
        bool isEmpty() const { return summary.isEmpty(); }
    };

    // For an open of `path` that failed with `error` (an errno value);
    // `deviceGroup` is the group owning the device ("dialout"); empty when
    // the error is not one of permission.
    static Advice ForError(int error, const QString &path, const QString &deviceGroup);
    // Asks the system whether this user may read and write `path` (and which
    // group owns it), then ForError.
    static Advice Probe(const QString &path);
};
