#pragma once
// The command line of matrix-cli: global options anywhere on the line, then a
// command and its words.

#include <QString>
#include <QStringList>

struct CliOptions {
    QString tcpHost;      // --tcp HOST
    int tcpPort = 8000;   // --tcp-port N
    QString serialDevice; // --serial DEVICE
    QString traceFile;    // --trace FILE
    bool json = false;    // --json
    bool help = false;    // --help / -h
    bool version = false; // --version
    QStringList words;    // the command and its arguments, flags such as
                          // --board-info-only included, in order
    QStringList flags;    // the command's own flags found among the words
    QString error;        // set when the line cannot be understood

    bool hasLink() const { return !tcpHost.isEmpty() || !serialDevice.isEmpty(); }
    // True when `flag` (e.g. "--board-info-only") is among the words; removes it.
    bool takeFlag(const QString &flag);
};

CliOptions ParseCliOptions(const QStringList &arguments); // without the program name

QString CliUsage();
