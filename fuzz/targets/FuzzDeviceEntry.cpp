#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "FuzzTargets.h"

#include "lanmodule/DeviceEntry.h"

// Input: an entry line as the settings file keeps it (Latin-1). It is read
// field by field; then its fields, made into an entry, must read back from
// that entry's text.
int FuzzDeviceEntry(const uint8_t *data, size_t size) {
    const QString line = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    const DeviceEntry read = DeviceEntry::fromText(line);
    for (int n = -1; n <= DeviceEntry::FieldCount; ++n) {
        const QString field = DeviceEntry::field(line, n);
        FUZZ_CHECK(field.size() <= line.size() || line.isEmpty());
        if (n >= 0 && n < DeviceEntry::FieldCount)
            FUZZ_CHECK(field == read[n]);
    }

    // Fields other than the tag never hold brackets (they are addresses and
    // mode names); the tag may, and is written with parentheses instead.
    DeviceEntry entry;
    entry[DeviceEntry::Tag] = read[DeviceEntry::Tag] + line.left(8);
    for (int n = 1; n < DeviceEntry::FieldCount; ++n) {
        QString f = read[n];
        f.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
        entry[n] = f;
    }
    const DeviceEntry back = DeviceEntry::fromText(entry.text());
    QString tag = entry[DeviceEntry::Tag];
    tag.replace(QLatin1Char('['), QLatin1Char('(')).replace(QLatin1Char(']'), QLatin1Char(')'));
    FUZZ_CHECK(back[DeviceEntry::Tag] == tag);
    for (int n = 1; n < DeviceEntry::FieldCount; ++n)
        FUZZ_CHECK(back[n] == entry[n]);
    return 0;
}
