#include "IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <algorithm>
#include <cstring>
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

std::string_view trimBlanks(std::string_view s) {
    const auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n';
    };
    std::size_t from = 0;
    std::size_t to = s.size();
    while (from < to && blank(s[from]))
        ++from;
    while (to > from && blank(s[to - 1]))
        --to;
    return s.substr(from, to - from);
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
    m_written.clear();
    m_bytes.clear();
    m_error.clear();
    m_tooLarge = false;
    // Nothing to read where no file is (a directory in its place included);
    // a save reports the real trouble.
    const QFileInfo info(m_fileName);
    if (!info.exists() || info.isDir())
        return true;
    const auto refuseSize = [this] {
        m_tooLarge = true;
        m_error = QStringLiteral("Unable to read from %1: the file is larger than %2 MiB, so it "
                                 "is left as it is")
                      .arg(m_fileName)
                      .arg(MaxFileSize / (1024 * 1024));
        return false;
    };
    if (info.size() > MaxFileSize)
        return refuseSize();
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("Unable to read from %1").arg(m_fileName);
        return false;
    }
    // Read into a buffer of the file's size; a file that grew meanwhile is
    // still bounded by the limit.
    QByteArray bytes;
    bytes.resize(qsizetype(std::min<qint64>(std::max<qint64>(file.size(), 0), MaxFileSize) + 1));
    qint64 got = 0;
    while (got < bytes.size()) {
        const qint64 n = file.read(bytes.data() + got, bytes.size() - got);
        if (n < 0) {
            m_error = QStringLiteral("Unable to read from %1").arg(m_fileName);
            return false;
        }
        if (n == 0)
            break;
        got += n;
    }
    if (got > MaxFileSize)
        return refuseSize();
    bytes.truncate(qsizetype(got));
    bytes.squeeze();
    setData(bytes);
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
    m_written.clear();
    m_bytes = bytes;
    const char *b = m_bytes.constData();
    const qsizetype size = m_bytes.size();
    m_lines.reserve(std::size_t(std::count(b, b + size, '\n') + 1));
    qsizetype from = 0;
    while (from < size) {
        const void *nl = std::memchr(b + from, '\n', std::size_t(size - from));
        const qsizetype end = nl ? static_cast<const char *>(nl) - b : size;
        qsizetype length = end - from;
        if (length > 0 && b[from + length - 1] == '\r')
            --length;
        Line line;
        line.start = quint32(from);
        line.length = quint32(length);
        line.written = 0;
        line.kind = quint32(split(std::string_view(b + from, std::size_t(length))).kind);
        m_lines.push_back(line);
        from = end + 1; // a last line without a break ends the text
    }
}

QByteArray IniFile::data() const {
    qsizetype total = 0;
    for (const Line &line : m_lines)
        total += qsizetype(line.length) + 2;
    QByteArray out;
    out.reserve(total);
    for (const Line &line : m_lines) {
        const std::string_view text = textOf(line);
        out.append(text.data(), qsizetype(text.size()));
        out += "\r\n";
    }
    return out;
}

std::string_view IniFile::textOf(const Line &line) const {
    if (line.written) {
        const QByteArray &own = m_written[line.start];
        return std::string_view(own.constData(), std::size_t(own.size()));
    }
    return std::string_view(m_bytes.constData() + line.start, line.length);
}

IniFile::Parts IniFile::split(std::string_view text) {
    Parts parts;
    const std::string_view t = trimBlanks(text);
    if (t.empty() || t.front() == ';')
        return parts;
    if (t.front() == '[') {
        const std::size_t close = t.rfind(']');
        if (close != std::string_view::npos && close > 0) {
            parts.kind = LineKind::Section;
            parts.name = trimBlanks(t.substr(1, close - 1));
        }
        return parts;
    }
    const std::size_t eq = t.find('=');
    if (eq == std::string_view::npos)
        return parts;
    const std::string_view name = trimBlanks(t.substr(0, eq));
    if (name.empty())
        return parts;
    parts.kind = LineKind::Key;
    parts.name = name;
    parts.value = trimBlanks(t.substr(eq + 1));
    return parts;
}

QString IniFile::nameOf(const Line &line) const {
    const std::string_view name = split(textOf(line)).name;
    return QString::fromLatin1(name.data(), qsizetype(name.size()));
}

QString IniFile::valueOf(const Line &line) const {
    const std::string_view value = split(textOf(line)).value;
    return readValue(QString::fromLatin1(value.data(), qsizetype(value.size())));
}

IniFile::Line IniFile::writtenLine(const QString &text) {
    // Stored as it will be written: Latin-1, "?" for what Latin-1 lacks.
    m_written.push_back(text.toLatin1());
    const QByteArray &own = m_written.back();
    Line line;
    line.start = quint32(m_written.size() - 1);
    line.length = quint32(own.size());
    line.written = 1;
    line.kind = quint32(split(std::string_view(own.constData(), std::size_t(own.size()))).kind);
    return line;
}

IniFile::Line IniFile::makeKeyLine(const QString &key, const QString &value) {
    // Parsed back from its text, so the entry is what a reload would find.
    return writtenLine(singleLine(key) + u'=' + singleLine(value));
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
        if (kindOf(m_lines[i]) == LineKind::Section && sameName(nameOf(m_lines[i]), wanted))
            return i;
    }
    return -1;
}

int IniFile::sectionEnd(int header) const {
    int i = header + 1;
    while (i < int(m_lines.size()) && kindOf(m_lines[i]) != LineKind::Section)
        ++i;
    return i;
}

int IniFile::findKey(int header, const QString &key) const {
    const QString wanted = trimBlanks(key);
    const int end = sectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        if (kindOf(m_lines[i]) == LineKind::Key && sameName(nameOf(m_lines[i]), wanted))
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
    return valueOf(m_lines[k]);
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
        m_lines.push_back(writtenLine(u'[' + singleLine(section) + u']'));
        m_lines.push_back(keyLine);
        return;
    }
    const int k = findKey(h, key);
    if (k >= 0) {
        // The key keeps its spelling from the file; the line is normalized.
        m_lines[k] = makeKeyLine(nameOf(m_lines[k]), value);
        return;
    }
    int pos = h + 1;
    const int end = sectionEnd(h);
    for (int i = h + 1; i < end; ++i) {
        if (kindOf(m_lines[i]) == LineKind::Key)
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
        if (kindOf(m_lines[i]) == LineKind::Key) {
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
        if (kindOf(line) == LineKind::Section)
            names << nameOf(line);
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
        if (kindOf(m_lines[i]) == LineKind::Key)
            list << Entry(nameOf(m_lines[i]), valueOf(m_lines[i]));
    }
    return list;
}

void IniFile::eraseSectionsWhere(
    const std::function<bool(const QString &section, const EntryList &entries)> &drop) {
    // First pass: the verdict for each name, from the first section of that
    // name (names compare without regard to case, as everywhere), noted for
    // every section header in file order. The names seen are found again by
    // their hash in a flat table of slots side by side; only a hash met
    // before compares the names.
    struct Seen {
        std::size_t hash;
        int header; // -1: a free slot
        bool verdict;
    };
    std::size_t sections = 0;
    for (const Line &line : m_lines)
        sections += kindOf(line) == LineKind::Section ? 1 : 0;
    std::size_t capacity = 16;
    while (capacity < sections * 2)
        capacity *= 2;
    std::vector<Seen> seen(capacity, Seen{0, -1, false});
    std::vector<bool> dropHeader;
    dropHeader.reserve(sections);
    for (int h = 0; h < int(m_lines.size()); ++h) {
        if (kindOf(m_lines[h]) != LineKind::Section)
            continue;
        const QString name = nameOf(m_lines[h]);
        const QString folded = name.toCaseFolded();
        const std::size_t hash = qHash(folded, QHashSeed::globalSeed());
        std::size_t slot = hash & (capacity - 1);
        bool known = false;
        for (; seen[slot].header >= 0; slot = (slot + 1) & (capacity - 1)) {
            if (seen[slot].hash == hash &&
                nameOf(m_lines[std::size_t(seen[slot].header)]).toCaseFolded() == folded) {
                known = true;
                break;
            }
        }
        if (known) {
            dropHeader.push_back(seen[slot].verdict);
            continue;
        }
        EntryList list;
        const int end = sectionEnd(h);
        for (int i = h + 1; i < end; ++i) {
            if (kindOf(m_lines[i]) == LineKind::Key)
                list << Entry(nameOf(m_lines[i]), valueOf(m_lines[i]));
        }
        const bool verdict = drop(name, list);
        seen[slot] = Seen{hash, h, verdict};
        dropHeader.push_back(verdict);
    }
    // Second pass: keep every line outside the dropped sections. Lines in
    // front of the first section belong to none.
    std::size_t out = 0;
    std::size_t header = 0;
    bool keep = true;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (kindOf(m_lines[i]) == LineKind::Section)
            keep = !dropHeader[header++];
        if (keep)
            m_lines[out++] = m_lines[i];
    }
    m_lines.resize(out);
}
