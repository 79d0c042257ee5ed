#include "IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <limits>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == u'\r' || c == u'\n';
}

QString trimBlanks(const QString &s) {
    qsizetype from = 0;
    qsizetype to = s.size();
    while (from < to && isBlank(s.at(from)))
        ++from;
    while (to > from && isBlank(s.at(to - 1)))
        --to;
    return s.mid(from, to - from);
}

bool sameName(const QString &a, const QString &b) {
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

// A line break inside a name or value would split the entry and could start
// a section of its own; it is written as a blank instead.
QString singleLine(QString s) {
    s.replace(u'\r', u' ');
    s.replace(u'\n', u' ');
    return s;
}

bool isQuote(QChar c) {
    return c == u'"' || c == u'\'';
}

// After the rename, sync the directory so the new name survives a crash.
void syncDirectoryOf(const QString &fileName) {
#ifdef Q_OS_UNIX
    const QByteArray dir = QFile::encodeName(QFileInfo(fileName).absolutePath());
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(fileName);
#endif
}

} // namespace

IniFile::IniFile(const QString &fileName) : m_fileName(fileName) {}

bool IniFile::load() {
    m_lines.clear();
    m_error.clear();
    // Nothing to read where no file is (a directory in its place included);
    // a save reports the real trouble.
    const QFileInfo info(m_fileName);
    if (!info.exists() || info.isDir())
        return true;
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("Unable to read from %1").arg(m_fileName);
        return false;
    }
    setData(file.readAll());
    return true;
}

bool IniFile::save() {
    m_error.clear();
    const QByteArray bytes = data();
    QSaveFile file(m_fileName);
    file.setDirectWriteFallback(false);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok && file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        ok = false;
    }
    if (ok)
        ok = file.commit();
    if (!ok) {
        m_error = QStringLiteral("Unable to write to %1").arg(m_fileName);
        return false;
    }
    syncDirectoryOf(m_fileName);
    return true;
}

void IniFile::setData(const QByteArray &bytes) {
    m_lines.clear();
    const QString text = QString::fromLatin1(bytes);
    QStringList pieces = text.split(u'\n');
    if (!pieces.isEmpty() && pieces.last().isEmpty())
        pieces.removeLast(); // the line break of the last line, not a line
    m_lines.reserve(pieces.size());
    for (QString piece : pieces) {
        if (piece.endsWith(u'\r'))
            piece.chop(1);
        m_lines.push_back(parseLine(piece));
    }
}

QByteArray IniFile::data() const {
    QByteArray out;
    for (const Line &line : m_lines) {
        out += line.text.toLatin1();
        out += "\r\n";
    }
    return out;
}

IniFile::Line IniFile::parseLine(const QString &text) {
    Line line;
    line.text = text;
    const QString t = trimBlanks(text);
    if (t.isEmpty() || t.startsWith(u';'))
        return line;
    if (t.startsWith(u'[')) {
        const qsizetype close = t.lastIndexOf(u']');
        if (close > 0) {
            line.kind = LineKind::Section;
            line.name = trimBlanks(t.mid(1, close - 1));
        }
        return line;
    }
    const qsizetype eq = t.indexOf(u'=');
    if (eq < 0)
        return line;
    const QString name = trimBlanks(t.left(eq));
    if (name.isEmpty())
        return line;
    line.kind = LineKind::Key;
    line.name = name;
    line.value = trimBlanks(t.mid(eq + 1));
    return line;
}

IniFile::Line IniFile::makeKeyLine(const QString &key, const QString &value) {
    // Parsed back from its text, so the entry is what a reload would find.
    return parseLine(singleLine(key) + u'=' + singleLine(value));
}

QString IniFile::readValue(const QString &rawValue) {
    if (rawValue.size() >= 2 && isQuote(rawValue.front()) && rawValue.back() == rawValue.front())
        return rawValue.mid(1, rawValue.size() - 2);
    return rawValue;
}

QString IniFile::protectedValue(const QString &value) {
    const QString v = singleLine(value);
    if (v.isEmpty())
        return v;
    const bool edgeBlanks = isBlank(v.front()) || isBlank(v.back());
    const bool quoted = v.size() >= 2 && isQuote(v.front()) && v.back() == v.front();
    if (edgeBlanks || quoted)
        return u'"' + v + u'"';
    return v;
}

int IniFile::findSection(const QString &section, int from) const {
    const QString wanted = trimBlanks(section);
    for (int i = from; i < int(m_lines.size()); ++i) {
        if (m_lines[i].kind == LineKind::Section && sameName(m_lines[i].name, wanted))
            return i;
    }
    return -1;
}

int IniFile::sectionEnd(int header) const {
    int i = header + 1;
    while (i < int(m_lines.size()) && m_lines[i].kind != LineKind::Section)
        ++i;
    return i;
}

int IniFile::findKey(int header, const QString &key) const {
    const QString wanted = trimBlanks(key);
    const int end = sectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        if (m_lines[i].kind == LineKind::Key && sameName(m_lines[i].name, wanted))
            return i;
    }
    return -1;
}

bool IniFile::hasSection(const QString &section) const {
    return findSection(section) >= 0;
}

bool IniFile::hasKey(const QString &section, const QString &key) const {
    const int h = findSection(section);
    return h >= 0 && findKey(h, key) >= 0;
}

QString IniFile::readString(const QString &section, const QString &key,
                            const QString &defaultValue) const {
    const int h = findSection(section);
    if (h < 0)
        return defaultValue;
    const int k = findKey(h, key);
    if (k < 0)
        return defaultValue;
    return readValue(m_lines[k].value);
}

int IniFile::readInteger(const QString &section, const QString &key, int defaultValue) const {
    const QString text = readString(section, key);
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    const qsizetype firstDigit = i;
    qint64 value = 0;
    const qint64 limit = qint64(std::numeric_limits<int>::max()) + 1;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
        if (value < limit)
            value = value * 10 + (text[i].unicode() - u'0');
        ++i;
    }
    if (i == firstDigit)
        return defaultValue;
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return int(value);
}

bool IniFile::readBool(const QString &section, const QString &key, bool defaultValue) const {
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value) {
    const Line keyLine = makeKeyLine(key, value);
    const int h = findSection(section);
    if (h < 0) {
        m_lines.push_back(parseLine(u'[' + singleLine(section) + u']'));
        m_lines.push_back(keyLine);
        return;
    }
    const int k = findKey(h, key);
    if (k >= 0) {
        // The key keeps its spelling from the file; the line is normalized.
        m_lines[k] = makeKeyLine(m_lines[k].name, value);
        return;
    }
    int pos = h + 1;
    const int end = sectionEnd(h);
    for (int i = h + 1; i < end; ++i) {
        if (m_lines[i].kind == LineKind::Key)
            pos = i + 1;
    }
    m_lines.insert(m_lines.begin() + pos, keyLine);
}

void IniFile::writeExactString(const QString &section, const QString &key, const QString &value) {
    writeString(section, key, protectedValue(value));
}

void IniFile::writeInteger(const QString &section, const QString &key, int value) {
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString &section, const QString &key, bool value) {
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::eraseSection(const QString &section) {
    int h = findSection(section);
    while (h >= 0) {
        m_lines.erase(m_lines.begin() + h, m_lines.begin() + sectionEnd(h));
        h = findSection(section, h);
    }
}

void IniFile::replaceSection(const QString &section, const EntryList &entries) {
    if (entries.isEmpty()) {
        eraseSection(section);
        return;
    }
    const int h = findSection(section);
    if (h < 0) {
        for (const Entry &e : entries)
            writeExactString(section, e.first, e.second);
        return;
    }
    // Later sections of the same name would resurface after an erase: drop them.
    int dup = findSection(section, sectionEnd(h));
    while (dup >= 0) {
        m_lines.erase(m_lines.begin() + dup, m_lines.begin() + sectionEnd(dup));
        dup = findSection(section, dup);
    }
    int pos = -1;
    for (int i = sectionEnd(h) - 1; i > h; --i) {
        if (m_lines[i].kind == LineKind::Key) {
            m_lines.erase(m_lines.begin() + i);
            pos = i;
        }
    }
    if (pos < 0)
        pos = h + 1;
    std::vector<Line> fresh;
    fresh.reserve(entries.size());
    for (const Entry &e : entries)
        fresh.push_back(makeKeyLine(e.first, protectedValue(e.second)));
    m_lines.insert(m_lines.begin() + pos, fresh.begin(), fresh.end());
}

QStringList IniFile::sectionNames() const {
    QStringList names;
    for (const Line &line : m_lines) {
        if (line.kind == LineKind::Section)
            names << line.name;
    }
    return names;
}

QStringList IniFile::keyNames(const QString &section) const {
    QStringList names;
    for (const Entry &e : entries(section))
        names << e.first;
    return names;
}

IniFile::EntryList IniFile::entries(const QString &section) const {
    EntryList list;
    const int h = findSection(section);
    if (h < 0)
        return list;
    const int end = sectionEnd(h);
    for (int i = h + 1; i < end; ++i) {
        if (m_lines[i].kind == LineKind::Key)
            list << Entry(m_lines[i].name, readValue(m_lines[i].value));
    }
    return list;
}
