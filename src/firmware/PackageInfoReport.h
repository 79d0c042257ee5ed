#pragma once
// The package-information report: a text that lists every item of a firmware
// package with its board, version-control fields, flags and version.

#include <QByteArray>
#include <QString>

// The whole report, lines ending with CR LF, the last line "******End******"
// without a line end. `filePath` gives the file name shown (without folder);
// `stamp` is the date and time line.
QString PackageInfoText(const QByteArray &package, const QString &filePath, const QString &stamp,
                        const bool *closing = nullptr);
