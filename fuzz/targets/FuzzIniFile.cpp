#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "FuzzTargets.h"

#include "settings/IniFile.h"
#include "settings/SettingsData.h"

namespace {
constexpr int MaxNamesVisited = 64;
}

// Input: a "Settings.ini" image. Every section and key is read, and the
// settings as the tool reads them at start-up; the image is
// written out and read again (the same lines must come back); then a value
// made of the image's first bytes is stored in its first key and must read
// back exactly, also after another round through the file image.
int FuzzIniFile(const uint8_t *data, size_t size) {
    const QByteArray image(reinterpret_cast<const char *>(data), qsizetype(size));
    IniFile ini;
    ini.setData(image);

    const QStringList sections = ini.sectionNames();
    for (int s = 0; s < sections.size() && s < MaxNamesVisited; ++s) {
        const QString &section = sections.at(s);
        FUZZ_CHECK(ini.hasSection(section));
        const QStringList keys = ini.keyNames(section);
        const IniFile::EntryList entries = ini.entries(section);
        for (int k = 0; k < keys.size() && k < MaxNamesVisited; ++k) {
            FUZZ_CHECK(ini.hasKey(section, keys.at(k)));
            (void)ini.readString(section, keys.at(k));
            (void)ini.readInteger(section, keys.at(k), -1);
            (void)ini.readBool(section, keys.at(k), false);
        }
        (void)entries;
    }

    // The tool's own reading of the file, and its writing into a fresh one.
    const SettingsData settings = SettingsData::read(ini);
    IniFile fresh;
    settings.write(fresh);
    (void)SettingsData::read(fresh);

    const QByteArray written = ini.data();
    IniFile again;
    again.setData(written);
    FUZZ_CHECK(again.data() == written);
    FUZZ_CHECK(again.sectionNames() == sections);

    // A stored value reads back as stored.
    QString section = QStringLiteral("Fuzz");
    QString key = QStringLiteral("Value");
    // (A name holding a line break is written with a blank instead, so it is
    // not a name a write can keep; the tool's names hold none.)
    const auto oneLine = [](const QString &name) {
        return !name.contains(QLatin1Char('\r')) && !name.contains(QLatin1Char('\n'));
    };
    if (!sections.isEmpty() && oneLine(sections.first())) {
        section = sections.first();
        const QStringList keys = ini.keyNames(section);
        if (!keys.isEmpty() && oneLine(keys.first()))
            key = keys.first();
    }
    QString value = QString::fromLatin1(image.left(40));
    value.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    ini.writeExactString(section, key, value);
    FUZZ_CHECK(ini.readString(section, key) == value);
    IniFile reread;
    reread.setData(ini.data());
    FUZZ_CHECK(reread.readString(section, key) == value);
    return 0;
}
