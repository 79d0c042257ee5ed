#pragma once
// The texts of the known TCP control devices, as the device list shows them:
// sorted by text regardless of case, then by case. Beside each text it keeps
// a short sort key (the text's first characters, folded), so that sorting
// and merging a search result into tens of thousands of entries compares
// packed keys held side by side instead of reaching for every text.

#include <QAbstractListModel>
#include <QStringList>
#include <vector>

class DeviceListModel : public QAbstractListModel {
public:
    explicit DeviceListModel(QObject *parent = nullptr);

    // The list's order: by text regardless of case, then by case.
    static bool entryBefore(const QString &a, const QString &b);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool insertRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

    QStringList entries() const;
    QString entryAt(int row) const;
    // Replaces the list with `entries`, sorted (equal texts keep their order).
    void setEntries(const QStringList &entries);
    // Where `entry` goes: after every entry that does not sort after it.
    int insertPosition(const QString &entry) const;
    // Adds every entry of `entries` not listed yet (exact text) at its sorted
    // place, in one pass over the list. `row` is a row of the list before
    // and is moved to where that entry stands after (-1 stays -1). Returns
    // the number of entries added.
    int mergeEntries(const QStringList &entries, int *row = nullptr);

private:
    struct SortKey {
        char text[23]; // the first characters, A-Z folded to a-z
        quint8 known;  // how many of them: up to the text's end or its first non-ASCII one
    };
    struct Keyed {
        SortKey key;
        QString text; // held here, so that sorted runs are read front to back
    };
    static SortKey keyOf(const QString &text);
    // <0, 0 (the same text) or >0: regardless of case, then by case.
    static int compareTexts(const QString &a, const QString &b);
    // Sorts `items` by the list's order (stable): by key byte while every
    // key knows that byte, by comparing the texts where one does not.
    static void sortKeyed(std::vector<Keyed> &items);
    // <0, 0 (the same text) or >0, by the list's order.
    static int compare(const SortKey &ka, const QString &a, const SortKey &kb, const QString &b);

    std::vector<QString> m_texts;
    std::vector<SortKey> m_keys; // m_keys[i] is the key of m_texts[i]
};
