// The SDK's growable array: a logical length (the elements in use) inside a physical length (the storage
// reserved), growing by a grow length. Indices are int, as callers write them.
#pragma once

#include <algorithm>
#include <cassert>
#include <iterator>
#include <utility>
#include <vector>

template <class T>
class AcArray {
public:
    explicit AcArray(int physicalLength = 0, int growLength = 8) : m_grow(growLength > 0 ? growLength : 8) {
        if (physicalLength > 0) {
            m_data.reserve(static_cast<size_t>(physicalLength));
        }
    }
    AcArray(const AcArray&) = default;
    AcArray(AcArray&&) noexcept = default;
    AcArray& operator=(const AcArray&) = default;
    AcArray& operator=(AcArray&&) noexcept = default;
    virtual ~AcArray() = default;

    int length() const { return static_cast<int>(m_data.size()); }
    int logicalLength() const { return length(); }
    int physicalLength() const { return static_cast<int>(m_data.capacity()); }
    int growLength() const { return m_grow; }
    AcArray& setGrowLength(int growLength) {
        if (growLength > 0) {
            m_grow = growLength;
        }
        return *this;
    }
    bool isEmpty() const { return m_data.empty(); }
    bool isValid(int i) const { return i >= 0 && i < length(); }

    T& operator[](int i) {
        assert(isValid(i));
        return m_data[static_cast<size_t>(i)];
    }
    const T& operator[](int i) const {
        assert(isValid(i));
        return m_data[static_cast<size_t>(i)];
    }
    T& at(int i) { return (*this)[i]; }
    const T& at(int i) const { return (*this)[i]; }
    T& first() { return (*this)[0]; }
    const T& first() const { return (*this)[0]; }
    T& last() { return (*this)[length() - 1]; }
    const T& last() const { return (*this)[length() - 1]; }

    // Returns the index of the new element.
    int append(const T& value) {
        T copy(value);  // the value may live in this array
        growFor(1);
        m_data.push_back(std::move(copy));
        return length() - 1;
    }
    AcArray& append(const AcArray& other) {
        if (&other == this) {
            const AcArray copy(other);
            return append(copy);
        }
        growFor(other.length());
        m_data.insert(m_data.end(), other.m_data.begin(), other.m_data.end());
        return *this;
    }
    // Inserts before index; index == length() appends.
    AcArray& insertAt(int index, const T& value) {
        assert(index >= 0 && index <= length());
        T copy(value);
        growFor(1);
        m_data.insert(m_data.begin() + index, std::move(copy));
        return *this;
    }
    AcArray& removeAt(int index) {
        assert(isValid(index));
        m_data.erase(m_data.begin() + index);
        return *this;
    }
    AcArray& removeFirst() { return removeAt(0); }
    AcArray& removeLast() { return removeAt(length() - 1); }
    AcArray& removeAll() {
        m_data.clear();
        return *this;
    }
    AcArray& removeSubArray(int startIndex, int endIndex) {
        assert(isValid(startIndex) && isValid(endIndex) && startIndex <= endIndex);
        m_data.erase(m_data.begin() + startIndex, m_data.begin() + endIndex + 1);
        return *this;
    }
    // Removes the first element equal to value; false when there is none.
    bool remove(const T& value, int start = 0) {
        int index = -1;
        if (!find(value, index, start)) {
            return false;
        }
        removeAt(index);
        return true;
    }
    // New elements are value-initialised; shrinking keeps the storage.
    AcArray& setLogicalLength(int n) {
        if (n < 0) {
            n = 0;
        }
        if (n > physicalLength()) {
            m_data.reserve(static_cast<size_t>(n));
        }
        m_data.resize(static_cast<size_t>(n));
        return *this;
    }
    // Below the logical length the array is cut to it.
    AcArray& setPhysicalLength(int n) {
        if (n < 0) {
            n = 0;
        }
        if (n < length()) {
            m_data.resize(static_cast<size_t>(n));
        }
        if (n < physicalLength()) {
            std::vector<T> fresh;
            fresh.reserve(static_cast<size_t>(n));
            fresh.insert(fresh.end(), std::make_move_iterator(m_data.begin()),
                         std::make_move_iterator(m_data.end()));
            m_data.swap(fresh);
        } else {
            m_data.reserve(static_cast<size_t>(n));
        }
        return *this;
    }
    AcArray& setAll(const T& value) {
        std::fill(m_data.begin(), m_data.end(), value);
        return *this;
    }

    bool find(const T& value, int& index, int start = 0) const {
        for (int i = std::max(start, 0); i < length(); ++i) {
            if (m_data[static_cast<size_t>(i)] == value) {
                index = i;
                return true;
            }
        }
        return false;
    }
    int findFrom(const T& value, int start) const {
        int index = -1;
        return find(value, index, start) ? index : -1;
    }
    bool contains(const T& value, int start = 0) const {
        int index = -1;
        return find(value, index, start);
    }
    AcArray& reverse() {
        std::reverse(m_data.begin(), m_data.end());
        return *this;
    }
    AcArray& swap(int i, int j) {
        assert(isValid(i) && isValid(j));
        std::swap(m_data[static_cast<size_t>(i)], m_data[static_cast<size_t>(j)]);
        return *this;
    }

    T* asArrayPtr() { return m_data.data(); }
    const T* asArrayPtr() const { return m_data.data(); }

    bool operator==(const AcArray& other) const {
        if (length() != other.length()) {
            return false;
        }
        for (int i = 0; i < length(); ++i) {
            if (!(m_data[static_cast<size_t>(i)] == other.m_data[static_cast<size_t>(i)])) {
                return false;
            }
        }
        return true;
    }
    bool operator!=(const AcArray& other) const { return !(*this == other); }

    // Range-for over the logical elements.
    T* begin() { return m_data.data(); }
    T* end() { return m_data.data() + m_data.size(); }
    const T* begin() const { return m_data.data(); }
    const T* end() const { return m_data.data() + m_data.size(); }

private:
    // Storage grows by the grow length, but at least by half of what is held, so long appends stay linear.
    void growFor(int extra) {
        const int need = length() + extra;
        if (need <= physicalLength()) {
            return;
        }
        const int step = std::max(m_grow, physicalLength() / 2);
        m_data.reserve(static_cast<size_t>(std::max(need, physicalLength() + step)));
    }

    std::vector<T> m_data;
    int m_grow;
};
