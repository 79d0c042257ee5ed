#pragma once
// An INI file read into memory, edited and written back whole.
//
// Lookup rules follow the classic private-profile functions:
// - section and key names are matched without regard to case, after trimming
//   blanks at their ends; blanks inside a name are significant
//   ("In  of EDID mode" is not "In of EDID mode");
// - a value is read trimmed of surrounding blanks, then one pair of matching
//   surrounding quotes (" or ') is removed;
// - an absent key reads as the caller's default, a present but empty one as "";
// - with a section or key present twice, the first one counts.
//
// Writing keeps the file as it was wherever nothing changed: comments (lines
// starting with ";"), blank lines and untouched entries stay byte for byte. A
// changed key is rewritten in place as "key=value"; a new key goes after the
// last key of its section; a new section goes at the end of the file. Lines
// that are neither a section header nor "key=value" are kept as text.
//
// The text is ANSI: bytes are read and written as Latin-1, one character per
// byte; characters outside Latin-1 are written as "?". Lines end with CR LF.
//
// Errors are returned, not thrown: load() and save() give false and leave the
// message in errorString().
//
// The file is kept as its own bytes plus one small record per line (lines
// the program writes get bytes of their own), so reading a file takes about
// its size in memory. A file larger than MaxFileSize is not read at all:
// load() refuses it and tooLarge() says so; a caller that would write the
// file back must then leave it alone.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>
#include <string_view>
#include <vector>

class IniFile {
public:
    using Entry = QPair<QString, QString>; // key, value as read
    using EntryList = QList<Entry>;

    // The largest settings file that is read (a file beyond this is not a
    // settings file the tool wrote; reading it would only cost memory).
    static constexpr qint64 MaxFileSize = 4 * 1024 * 1024;

    IniFile() = default;
    explicit IniFile(const QString &fileName);

    QString fileName() const { return m_fileName; }
    void setFileName(const QString &fileName) { m_fileName = fileName; }

    // Reads the file. A missing file (or a directory in its place) is not an
    // error: the contents are empty and every read gives its default. Returns
    // false with "Unable to read from <file name>" only when an existing file
    // cannot be read (the contents are empty then too), or when it is larger
    // than MaxFileSize (tooLarge() is then true, and the message says so).
    bool load();
    bool tooLarge() const { return m_tooLarge; }
    // Writes the whole contents to fileName() through a temporary file beside
    // it that is flushed to disk and then renamed over the old file, so the
    // old file stays whole when the write fails. On failure returns false and
    // errorString() is "Unable to write to <file name>".
    bool save();
    QString errorString() const { return m_error; }

    // The file image, for parsing text held in memory and for inspection.
    void setData(const QByteArray &bytes);
    QByteArray data() const;

    bool hasSection(const QString &section) const;
    bool hasKey(const QString &section, const QString &key) const;

    QString readString(const QString &section, const QString &key,
                       const QString &defaultValue = QString()) const;
    // Optional sign and the leading decimal digits of the value ("12abc" is
    // 12); no digit at all, or no key, gives the default. Values beyond the
    // int range saturate.
    int readInteger(const QString &section, const QString &key, int defaultValue) const;
    // Non-zero integer is true.
    bool readBool(const QString &section, const QString &key, bool defaultValue) const;

    // Stores the value as given. Line breaks in names or value become blanks,
    // so a value can never start a new line of the file. (Key names must not
    // hold "=" nor start with ";" or "[", section names not hold "]".) Note that a value
    // with blanks at its ends or wrapped in quotes does not read back as
    // written (see writeExactString).
    void writeString(const QString &section, const QString &key, const QString &value);
    // Stores the value so that readString() gives exactly this text back:
    // when blanks at its ends or surrounding quotes would be lost on reading,
    // the value is written inside double quotes.
    void writeExactString(const QString &section, const QString &key, const QString &value);
    void writeInteger(const QString &section, const QString &key, int value);
    void writeBool(const QString &section, const QString &key, bool value);

    // The text writeExactString() stores for `value`.
    static QString protectedValue(const QString &value);

    // Removes every section of that name with all its lines.
    void eraseSection(const QString &section);
    // Same result as eraseSection() followed by writing `entries` in order
    // (values stored exactly), but an existing section keeps its place in the
    // file, so rewriting the same list leaves the file unchanged. An empty
    // list removes the section.
    void replaceSection(const QString &section, const EntryList &entries);

    // Erases, in one pass over the file, every section for which `drop`
    // holds. `drop` sees each name once (the first spelling in the file) with
    // the entries of the first section of that name, as entries() gives them;
    // when it holds, every section of that name goes, as with eraseSection().
    void eraseSectionsWhere(
        const std::function<bool(const QString &section, const EntryList &entries)> &drop);

    // Section names in file order, as written in the file.
    QStringList sectionNames() const;
    // Key names of the section in file order, as written in the file.
    QStringList keyNames(const QString &section) const;
    // Keys with their values (as readString() gives them) in file order.
    EntryList entries(const QString &section) const;

private:
    enum class LineKind : quint8 { Other, Section, Key };
    // One line: where its text is (in the file's bytes, or, for a line the
    // program wrote, the index of its own bytes) and what kind it is.
    struct Line {
        quint32 start = 0;
        quint32 length : 29;
        quint32 kind : 2;
        quint32 written : 1;
    };
    // A line taken apart: name and value trimmed, the value's quotes kept.
    struct Parts {
        LineKind kind = LineKind::Other;
        std::string_view name;
        std::string_view value;
    };

    std::string_view textOf(const Line &line) const;
    static LineKind kindOf(const Line &line) { return LineKind(line.kind); }
    static Parts split(std::string_view text);
    QString nameOf(const Line &line) const;
    QString valueOf(const Line &line) const; // as readString() gives it
    Line writtenLine(const QString &text);

    int findSection(const QString &section, int from = 0) const;
    int sectionEnd(int header) const;
    int findKey(int header, const QString &key) const;
    static QString readValue(const QString &rawValue);
    Line makeKeyLine(const QString &key, const QString &value);

    QString m_fileName;
    QString m_error;
    bool m_tooLarge = false;
    QByteArray m_bytes;                // the file as read
    std::vector<QByteArray> m_written; // lines written since
    std::vector<Line> m_lines;
};
