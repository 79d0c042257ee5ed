#pragma once
// Where "Settings.ini" lives. A copy of the tool in a folder of its own (a
// portable copy, a build folder) keeps the file beside the executable, as it
// always has: when that folder already holds the file or can be written to.
// An installed tool (its folder belongs to the system, no file there) keeps it
// in the user's configuration folder, $XDG_CONFIG_HOME/matrix-tool/
// (~/.config/matrix-tool/ when the variable is unset, empty or relative).
// A system program folder (/usr/bin, /usr/local/bin, /bin, /opt/...) counts
// as not writable, so that running the installed tool as root never leaves a
// settings file among the system's programs.
// Widget-free: the decision takes the facts as values, so both ways are
// tested without a read-only folder.

#include <QString>

class SettingsLocation {
public:
    struct Facts {
        QString appFolder;         // the executable's folder
        bool appHoldsFile = false; // "Settings.ini" exists there
        bool appWritable = false;  // a file can be created there
        // The folder is one of the system's program folders (/usr/bin ...):
        // an installed tool even when it can be written to (run as root).
        bool appIsSystemFolder = false;
        QString configHome; // $XDG_CONFIG_HOME as set (may be empty)
        QString homeFolder; // the user's home folder
    };

    enum class Place { AppFolder, UserConfig };

    struct Choice {
        Place place = Place::AppFolder;
        QString folder; // with a trailing '/'
    };

    // The decision alone.
    static Choice Choose(const Facts &facts);
    // Whether `folder` is a system program folder.
    static bool IsSystemFolder(const QString &folder);
    // The configuration folder the XDG rules give for these facts.
    static QString UserConfigFolder(const Facts &facts);

    // The facts of this machine for `appFolder` (the environment and the file system).
    static Facts Gather(const QString &appFolder);
    // Gather + Choose; the configuration folder is created when it is chosen
    // (whether it can be written is the start-up check's business).
    static Choice Resolve(const QString &appFolder);

    static constexpr const char *FileName = "Settings.ini";
    static constexpr const char *ConfigSubfolder = "matrix-tool";
};
