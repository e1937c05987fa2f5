#pragma once

#include <QChar>
#include <QString>

#include <cstring>

#include <vector>

// A hash index from text keys to the value stored with the first insertion of each key, so that
// it answers like a scan of the insertions from the top. Lookups take a pointer and a length and
// allocate nothing, which keeps the per-candidate lookups of a call sign cheap.
template <typename Value> class FirstKeyIndex
{
public:
    // FNV-1a over the UTF-16 code units. Feeding one unit at a time gives the hashes of every
    // leading part of a text in one pass.
    static constexpr quint32 kSeed = 2166136261u;
    static quint32 step(quint32 hash, QChar c) { return (hash ^ c.unicode()) * 16777619u; }
    static quint32 hashOf(const QChar* key, int length)
    {
        quint32 h = kSeed;
        for (int i = 0; i < length; ++i)
            h = step(h, key[i]);
        return h;
    }

    void clear()
    {
        m_slots.clear();
        m_keys.clear();
        m_values.clear();
    }

    // Keeps room for n keys without growing.
    void reserve(int n)
    {
        size_t want = 16;
        while (want < size_t(n) * 2)
            want *= 2;
        if (want > m_slots.size())
            rehash(want);
        m_keys.reserve(size_t(n));
        m_values.reserve(size_t(n));
    }

    int size() const { return int(m_keys.size()); }

    // Stores the key with its value unless the key is already there (then nothing changes).
    void insertFirst(const QString& key, const Value& value)
    {
        if ((m_keys.size() + 1) * 2 > m_slots.size())
            rehash(m_slots.empty() ? 16 : m_slots.size() * 2);
        const quint32 hash = hashOf(key.constData(), key.size());
        size_t i = hash & (m_slots.size() - 1);
        for (; m_slots[i] != 0; i = (i + 1) & (m_slots.size() - 1)) {
            if (hashIn(m_slots[i]) == hash && equal(m_keys[indexIn(m_slots[i])], key.constData(), key.size()))
                return;
        }
        m_slots[i] = (quint64(hash) << 32) | quint64(m_keys.size() + 1);
        m_keys.push_back(key);
        m_values.push_back(value);
    }

    // The value of the key, or null. hash must be hashOf(key, length).
    const Value* find(const QChar* key, int length, quint32 hash) const
    {
        if (m_slots.empty())
            return nullptr;
        for (size_t i = hash & (m_slots.size() - 1); m_slots[i] != 0; i = (i + 1) & (m_slots.size() - 1)) {
            if (hashIn(m_slots[i]) == hash && equal(m_keys[indexIn(m_slots[i])], key, length))
                return &m_values[indexIn(m_slots[i])];
        }
        return nullptr;
    }
    const Value* find(const QChar* key, int length) const { return find(key, length, hashOf(key, length)); }
    const Value* find(const QString& key) const { return find(key.constData(), key.size()); }

private:
    // A slot holds the key's hash (high half) and its position + 1 (low half); 0 is empty. Eight
    // bytes a slot keep the probed part of the table small enough to stay in the cache.
    static quint32 hashIn(quint64 slot) { return quint32(slot >> 32); }
    static size_t indexIn(quint64 slot) { return size_t(quint32(slot)) - 1; }

    static bool equal(const QString& stored, const QChar* key, int length)
    {
        return stored.size() == length &&
               std::memcmp(stored.constData(), key, size_t(length) * sizeof(QChar)) == 0;
    }

    void rehash(size_t size)
    {
        m_slots.assign(size, 0);
        for (size_t k = 0; k < m_keys.size(); ++k) {
            const quint32 hash = hashOf(m_keys[k].constData(), m_keys[k].size());
            size_t i = hash & (size - 1);
            while (m_slots[i] != 0)
                i = (i + 1) & (size - 1);
            m_slots[i] = (quint64(hash) << 32) | quint64(k + 1);
        }
    }

    std::vector<quint64> m_slots;
    std::vector<QString> m_keys;
    std::vector<Value> m_values;
};
