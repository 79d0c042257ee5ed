#include "lanmodule/DeviceListModel.h"

#include <algorithm>
#include <cstring>

DeviceListModel::DeviceListModel(QObject *parent) : QAbstractListModel(parent) {}

int DeviceListModel::compareTexts(const QString &a, const QString &b) {
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    return folded != 0 ? folded : QString::compare(a, b, Qt::CaseSensitive);
}

bool DeviceListModel::entryBefore(const QString &a, const QString &b) {
    return compareTexts(a, b) < 0;
}

DeviceListModel::SortKey DeviceListModel::keyOf(const QString &text) {
    SortKey key{};
    const int most = int(std::min<qsizetype>(text.size(), qsizetype(sizeof key.text)));
    int n = 0;
    for (; n < most; ++n) {
        const char16_t c = text.at(n).unicode();
        // Beyond ASCII, folding (and so the order) is the full comparison's to decide.
        if (c >= 0x80)
            break;
        key.text[n] = char(c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c);
    }
    key.known = quint8(n);
    return key;
}

int DeviceListModel::compare(const SortKey &ka, const QString &a, const SortKey &kb,
                             const QString &b) {
    // Up to where both keys are known, folded ASCII decides as the
    // case-insensitive comparison would; past that, the texts do.
    const int c = std::memcmp(ka.text, kb.text, std::min(ka.known, kb.known));
    return c != 0 ? c : compareTexts(a, b);
}

void DeviceListModel::sortKeyed(std::vector<Keyed> &items) {
    // Byte by byte from the front, each range split into 256 runs by one
    // stable counting pass over keys held side by side: a flood of answers
    // sorts in one pass for each byte that tells the entries apart, bytes
    // they all share costing a count and no moves.
    auto before = [](const Keyed &a, const Keyed &b) {
        return compare(a.key, a.text, b.key, b.text) < 0;
    };
    std::vector<Keyed> spare;
    struct Range {
        std::size_t begin, end;
        int depth;
    };
    std::vector<Range> todo{{0, items.size(), 0}};
    while (!todo.empty()) {
        const Range r = todo.back();
        todo.pop_back();
        if (r.end - r.begin < 2)
            continue;
        const auto first = items.begin() + std::ptrdiff_t(r.begin);
        const auto last = items.begin() + std::ptrdiff_t(r.end);
        if (r.end - r.begin <= 32) {
            // Short runs: insertion, stable and without a buffer.
            for (auto it = first + 1; it < last; ++it) {
                Keyed moving = std::move(*it);
                auto hole = it;
                for (; hole != first && before(moving, *(hole - 1)); --hole)
                    *hole = std::move(*(hole - 1));
                *hole = std::move(moving);
            }
            continue;
        }
        std::size_t count[257] = {};
        bool allKnown = true;
        for (auto it = first; it != last && allKnown; ++it) {
            // known is at most the key's length, so a known byte lies inside it.
            allKnown = it->key.known > r.depth;
            if (allKnown)
                ++count[std::size_t(quint8(it->key.text[r.depth])) + 1];
        }
        if (!allKnown) {
            // A key ends here: only the texts can order this range.
            std::stable_sort(first, last, before);
            continue;
        }
        const std::size_t firstByte = quint8(first->key.text[r.depth]);
        if (count[firstByte + 1] == r.end - r.begin) {
            // One byte for all (the opening bracket, a shared name): the next one.
            todo.push_back({r.begin, r.end, r.depth + 1});
            continue;
        }
        for (int b = 0; b < 256; ++b)
            count[b + 1] += count[b];
        std::size_t place[256];
        std::copy(count, count + 256, place);
        if (spare.empty())
            spare.resize(items.size());
        for (auto it = first; it != last; ++it)
            spare[r.begin + place[quint8(it->key.text[r.depth])]++] = std::move(*it);
        std::move(spare.begin() + std::ptrdiff_t(r.begin), spare.begin() + std::ptrdiff_t(r.end),
                  first);
        for (int b = 0; b < 256; ++b) {
            if (count[b + 1] - count[b] > 1)
                todo.push_back({r.begin + count[b], r.begin + count[b + 1], r.depth + 1});
        }
    }
}

int DeviceListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_texts.size());
}

QVariant DeviceListModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= int(m_texts.size()))
        return QVariant();
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_texts[std::size_t(index.row())];
    return QVariant();
}

bool DeviceListModel::setData(const QModelIndex &index, const QVariant &value, int role) {
    if (!index.isValid() || index.row() >= int(m_texts.size()) ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return false;
    const auto row = std::size_t(index.row());
    m_texts[row] = value.toString();
    m_keys[row] = keyOf(m_texts[row]);
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

Qt::ItemFlags DeviceListModel::flags(const QModelIndex &index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}

bool DeviceListModel::insertRows(int row, int count, const QModelIndex &parent) {
    if (parent.isValid() || count < 1 || row < 0 || row > int(m_texts.size()))
        return false;
    beginInsertRows(parent, row, row + count - 1);
    m_texts.insert(m_texts.begin() + row, std::size_t(count), QString());
    m_keys.insert(m_keys.begin() + row, std::size_t(count), keyOf(QString()));
    endInsertRows();
    return true;
}

bool DeviceListModel::removeRows(int row, int count, const QModelIndex &parent) {
    if (parent.isValid() || count < 1 || row < 0 || row + count > int(m_texts.size()))
        return false;
    beginRemoveRows(parent, row, row + count - 1);
    m_texts.erase(m_texts.begin() + row, m_texts.begin() + row + count);
    m_keys.erase(m_keys.begin() + row, m_keys.begin() + row + count);
    endRemoveRows();
    return true;
}

QStringList DeviceListModel::entries() const {
    return QStringList(m_texts.begin(), m_texts.end());
}

QString DeviceListModel::entryAt(int row) const {
    return row >= 0 && row < int(m_texts.size()) ? m_texts[std::size_t(row)] : QString();
}

void DeviceListModel::setEntries(const QStringList &entries) {
    std::vector<Keyed> order;
    order.reserve(std::size_t(entries.size()));
    for (const QString &e : entries)
        order.push_back({keyOf(e), e});
    sortKeyed(order);
    beginResetModel();
    m_texts.clear();
    m_keys.clear();
    m_texts.reserve(order.size());
    m_keys.reserve(order.size());
    for (Keyed &k : order) {
        m_texts.push_back(std::move(k.text));
        m_keys.push_back(k.key);
    }
    endResetModel();
}

int DeviceListModel::insertPosition(const QString &entry) const {
    const SortKey key = keyOf(entry);
    std::size_t lo = 0, hi = m_texts.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (compare(key, entry, m_keys[mid], m_texts[mid]) < 0)
            hi = mid;
        else
            lo = mid + 1;
    }
    return int(lo);
}

int DeviceListModel::mergeEntries(const QStringList &entries, int *row) {
    std::vector<Keyed> fresh;
    fresh.reserve(std::size_t(entries.size()));
    for (const QString &e : entries)
        fresh.push_back({keyOf(e), e});
    sortKeyed(fresh);

    if (fresh.empty())
        return 0;

    // Equal texts meet in the merge: one already listed, or met just before,
    // is not added again. The listed texts move over, so the reset starts
    // before they do.
    beginResetModel();
    std::vector<QString> texts;
    std::vector<SortKey> keys;
    texts.reserve(m_texts.size() + fresh.size());
    keys.reserve(m_texts.size() + fresh.size());
    const int oldRow = row ? *row : -1;
    int newRow = -1;
    int added = 0;
    bool lastFresh = false;
    std::size_t i = 0;
    auto takeListed = [&] {
        if (int(i) == oldRow)
            newRow = int(texts.size());
        texts.push_back(std::move(m_texts[i]));
        keys.push_back(m_keys[i]);
        lastFresh = false;
        ++i;
    };
    for (Keyed &f : fresh) {
        const QString &text = f.text;
        int c = 1;
        while (i < m_texts.size() && (c = compare(m_keys[i], m_texts[i], f.key, text)) < 0)
            takeListed();
        if (i < m_texts.size() && c == 0)
            continue; // listed already
        if (lastFresh && compare(keys.back(), texts.back(), f.key, text) == 0)
            continue; // twice in `entries`
        texts.push_back(std::move(f.text));
        keys.push_back(f.key);
        lastFresh = true;
        ++added;
    }
    while (i < m_texts.size())
        takeListed();
    if (row)
        *row = newRow;
    m_texts = std::move(texts);
    m_keys = std::move(keys);
    endResetModel();
    return added;
}
