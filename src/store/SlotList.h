#pragma once

#include <QList>

// An ordered sequence that always carries one spare entry after its last real one. A new
// entry is filled into the spare slot, after which the list grows by a fresh spare; removal
// shrinks it by one. Positions count from 0; count() is the number of real entries.
template <typename T>
class SlotList {
public:
    SlotList() : m_items(1) {}

    int count() const { return static_cast<int>(m_items.size()) - 1; }
    bool isEmpty() const { return count() == 0; }
    // Real entries plus the spare one.
    int slotCount() const { return static_cast<int>(m_items.size()); }

    const T& at(int i) const { return m_items.at(i); }
    T& operator[](int i) { return m_items[i]; }
    const T& operator[](int i) const { return m_items.at(i); }

    T& spare() { return m_items.last(); }
    const T& spare() const { return m_items.last(); }

    // The spare entry becomes the last real one; returns its position.
    int commitSpare()
    {
        m_items.append(T());
        return count() - 1;
    }
    int append(const T& item)
    {
        spare() = item;
        return commitSpare();
    }

    void removeAt(int i)
    {
        if (i >= 0 && i < count())
            m_items.removeAt(i);
    }

    // count real entries (cut or padded with empty ones) and a fresh spare.
    void resize(int count)
    {
        m_items.removeLast();
        m_items.resize(qMax(count, 0));
        m_items.append(T());
    }
    void clear() { resize(0); }

    // Iteration runs over the real entries only.
    auto begin() const { return m_items.cbegin(); }
    auto end() const { return m_items.cend() - 1; }
    auto begin() { return m_items.begin(); }
    auto end() { return m_items.end() - 1; }

    bool operator==(const SlotList& other) const { return m_items == other.m_items; }

private:
    QList<T> m_items;
};
