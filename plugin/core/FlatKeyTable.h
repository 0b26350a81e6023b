// Tables keyed by 64-bit numbers (entity keys, object ids) kept in one array with open addressing, for what
// the reactors touch once per entity: a large MOVE or UNDO then walks memory in order instead of chasing tree
// or list nodes spread over the heap.
//
// Handles and ids mostly come in runs of neighbours. Each aligned run of 16 keys lands on 16 adjacent slots
// and only the runs are scattered (by a multiplicative hash): keys handed out in order fill the table a run
// at a time, while keys of any stride still spread over the whole table.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>

// The table behind CFlatKeyMap and CFlatKeySet. Entry is a trivially copyable struct whose first member is
// `uint64_t key`. One key value (the largest) marks an empty slot: its entry is kept beside the array.
template <class Entry>
class CFlatKeyTable {
public:
    CFlatKeyTable() = default;
    CFlatKeyTable(const CFlatKeyTable&) = delete;
    CFlatKeyTable& operator=(const CFlatKeyTable&) = delete;

    size_t Size() const { return m_size + (m_hasEmptyKey ? 1 : 0); }
    bool Empty() const { return Size() == 0; }

    Entry* Find(uint64_t key) const {
        if (key == kEmpty) {
            return m_hasEmptyKey ? &m_emptyKeyEntry : nullptr;
        }
        if (m_size == 0) {
            return nullptr;
        }
        for (size_t at = Home(key);; at = (at + 1) & m_mask) {
            Entry& entry = m_slots[at];
            if (entry.key == key) {
                return &entry;
            }
            if (entry.key == kEmpty) {
                return nullptr;
            }
        }
    }

    // The entry of the key, value-initialised when it is new; second tells whether it is. The pointer holds
    // until the next insertion or removal.
    std::pair<Entry*, bool> Insert(uint64_t key) {
        if (key == kEmpty) {
            const bool added = !m_hasEmptyKey;
            if (added) {
                m_emptyKeyEntry = Entry{};
                m_emptyKeyEntry.key = key;
                m_hasEmptyKey = true;
            }
            return {&m_emptyKeyEntry, added};
        }
        // At most half full: probes stay short.
        if (2 * (m_size + 1) > Capacity()) {
            Rehash(Capacity() == 0 ? kMinCapacity : 2 * Capacity());
        }
        size_t at = Home(key);
        for (;; at = (at + 1) & m_mask) {
            Entry& entry = m_slots[at];
            if (entry.key == key) {
                return {&entry, false};
            }
            if (entry.key == kEmpty) {
                break;
            }
        }
        m_slots[at] = Entry{};
        m_slots[at].key = key;
        ++m_size;
        return {&m_slots[at], true};
    }

    bool Erase(uint64_t key) {
        if (key == kEmpty) {
            const bool had = m_hasEmptyKey;
            m_hasEmptyKey = false;
            return had;
        }
        Entry* found = Find(key);
        if (found == nullptr) {
            return false;
        }
        // Later entries of the probe run move back into the hole, so that no search stops short of them.
        size_t hole = static_cast<size_t>(found - m_slots.get());
        for (size_t at = (hole + 1) & m_mask; m_slots[at].key != kEmpty; at = (at + 1) & m_mask) {
            const size_t home = Home(m_slots[at].key);
            // The entry may fill the hole when its home is not cyclically within (hole, at].
            if (((at - home) & m_mask) >= ((at - hole) & m_mask)) {
                m_slots[hole] = m_slots[at];
                hole = at;
            }
        }
        m_slots[hole].key = kEmpty;
        --m_size;
        return true;
    }

    // Empties the table. The array stays for a table that was at least a quarter full (the scratch of a
    // command that is repeated), and goes otherwise.
    void Clear() {
        m_hasEmptyKey = false;
        if (m_size == 0) {
            return;
        }
        if (4 * m_size >= Capacity()) {
            MarkEmpty(m_slots.get(), Capacity());
        } else {
            m_slots.reset();
            m_mask = 0;
            m_bits = 0;
        }
        m_size = 0;
    }

    // Visits every entry, in the table's order (not the keys').
    template <class Visit>
    void ForEach(Visit&& visit) const {
        for (size_t at = 0; at < Capacity(); ++at) {
            if (m_slots[at].key != kEmpty) {
                visit(m_slots[at]);
            }
        }
        if (m_hasEmptyKey) {
            visit(m_emptyKeyEntry);
        }
    }

private:
    static constexpr uint64_t kEmpty = ~uint64_t{0};
    static constexpr unsigned kRunBits = 4;  // runs of 16 keys stay together
    static constexpr unsigned kMinBits = 6;
    static constexpr size_t kMinCapacity = size_t{1} << kMinBits;

    size_t Capacity() const { return m_slots ? m_mask + 1 : 0; }

    size_t Home(uint64_t key) const {
        const uint64_t run = (key >> kRunBits) * 0x9E3779B97F4A7C15ull;
        return static_cast<size_t>((run >> (64 - (m_bits - kRunBits))) << kRunBits |
                                   (key & ((1u << kRunBits) - 1)));
    }

    static void MarkEmpty(Entry* slots, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            slots[i].key = kEmpty;
        }
    }

    void Rehash(size_t capacity) {
        std::unique_ptr<Entry[]> old = std::move(m_slots);
        const size_t oldCapacity = old ? m_mask + 1 : 0;
        m_slots = std::make_unique_for_overwrite<Entry[]>(capacity);
        MarkEmpty(m_slots.get(), capacity);
        m_mask = capacity - 1;
        m_bits = 0;
        while ((size_t{1} << m_bits) < capacity) {
            ++m_bits;
        }
        for (size_t i = 0; i < oldCapacity; ++i) {
            if (old[i].key == kEmpty) {
                continue;
            }
            size_t at = Home(old[i].key);
            while (m_slots[at].key != kEmpty) {
                at = (at + 1) & m_mask;
            }
            m_slots[at] = old[i];
        }
    }

    std::unique_ptr<Entry[]> m_slots;
    size_t m_mask = 0;
    unsigned m_bits = 0;
    size_t m_size = 0;  // entries in the array
    bool m_hasEmptyKey = false;
    mutable Entry m_emptyKeyEntry{};
};

template <class V>
struct CFlatKeyMapEntry {
    uint64_t key;
    V value;
};

struct CFlatKeySetEntry {
    uint64_t key;
};

// 64-bit key -> small trivially copyable value (a number, a pointer the caller owns).
template <class V>
class CFlatKeyMap {
public:
    using Entry = CFlatKeyMapEntry<V>;

    V* Find(uint64_t key) const {
        Entry* entry = m_table.Find(key);
        return entry != nullptr ? &entry->value : nullptr;
    }
    // The key's value, value-initialised when it is new; valid until the next insertion or removal.
    V& operator[](uint64_t key) { return m_table.Insert(key).first->value; }
    bool Erase(uint64_t key) { return m_table.Erase(key); }
    void Clear() { m_table.Clear(); }
    size_t Size() const { return m_table.Size(); }
    bool Empty() const { return m_table.Empty(); }
    // Visits (key, value) of every entry, in no particular order.
    template <class Visit>
    void ForEach(Visit&& visit) const {
        m_table.ForEach([&](Entry& entry) { visit(entry.key, entry.value); });
    }

private:
    CFlatKeyTable<Entry> m_table;
};

// A set of 64-bit keys.
class CFlatKeySet {
public:
    // True when the key was not in the set yet.
    bool Insert(uint64_t key) { return m_table.Insert(key).second; }
    bool Contains(uint64_t key) const { return m_table.Find(key) != nullptr; }
    bool Erase(uint64_t key) { return m_table.Erase(key); }
    void Clear() { m_table.Clear(); }
    size_t Size() const { return m_table.Size(); }
    bool Empty() const { return m_table.Empty(); }

private:
    CFlatKeyTable<CFlatKeySetEntry> m_table;
};
