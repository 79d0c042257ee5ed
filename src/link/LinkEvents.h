#pragma once
// The kinds of what the engine reports, carried by its typed signals.

#include <QMetaType>

// Why an operation on the link failed; the window shows one alert per kind.
enum class LinkFailure {
    TimedOut,  // the last try got no reply
    Invalid,   // every try got a reply that was not valid
    BadStatus, // a starting command or step answered with an unexpected status
    Exception, // the link failed while sending or waiting (or went away)
};

// Where a discovery or configuration progress text belongs.
enum class SearchTextTarget { SearchDialog, StatusBar };

Q_DECLARE_METATYPE(LinkFailure)
Q_DECLARE_METATYPE(SearchTextTarget)
