#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "FuzzTargets.h"

#include "lanmodule/DeviceEntry.h"
#include "lanmodule/DeviceListModel.h"

#include <QSet>
#include <QStringList>
#include <algorithm>

// Input: an entry line as the settings file keeps it (Latin-1). It is read
// field by field; then its fields, made into an entry, must read back from
// that entry's text. Read as UTF-8 lines, the same bytes are also a device
// list: its model must sort and merge them exactly as comparing the texts does.
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

    const QStringList lines =
        QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)).split(u'\n');
    const QStringList listed = lines.mid(0, lines.size() / 2);
    const QStringList found = lines.mid(lines.size() / 2);
    DeviceListModel model;
    model.setEntries(listed);
    QStringList expected = listed;
    std::stable_sort(expected.begin(), expected.end(), DeviceListModel::entryBefore);
    FUZZ_CHECK(model.entries() == expected);
    QSet<QString> known(listed.begin(), listed.end());
    int added = 0;
    for (const QString &e : found) {
        if (!known.contains(e)) {
            known.insert(e);
            expected << e;
            ++added;
        }
    }
    std::stable_sort(expected.begin(), expected.end(), DeviceListModel::entryBefore);
    FUZZ_CHECK(model.mergeEntries(found) == added);
    FUZZ_CHECK(model.entries() == expected);
    return 0;
}
