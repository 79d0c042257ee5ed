#pragma once
// A known TCP control device as one line of text: seven fields, each written
// as "[" + text + "]", joined by " - ". The device list shows it, the settings
// file keeps it and the configuration dialog reads it back.

#include <QString>

struct DeviceEntry {
    enum Field { Tag = 0, IPMode, IPAddress, Gateway, SubnetMask, MAC, Subnet, FieldCount };

    QString Fields[FieldCount];

    // The entry filled with the values an empty entry reads as.
    DeviceEntry();

    QString &operator[](int field) { return Fields[field]; }
    const QString &operator[](int field) const { return Fields[field]; }

    // The one-line text. Brackets in the tag would shift every later field
    // when the text is read back, so they are written as parentheses.
    QString text() const;
    // All seven fields of `entry` by DeviceEntryField.
    static DeviceEntry fromText(const QString &entry);

    // Field n of `entry`: the text after its (n+1)-th "[" up to the next "]"
    // (or to the end). An empty entry gives the field's default; a non-empty
    // entry with too few "[" gives an empty text.
    static QString field(const QString &entry, int n);
    static QString defaultField(int n);
};

inline QString DeviceEntryField(const QString &entry, int n) {
    return DeviceEntry::field(entry, n);
}
