// The compact state of a database object for the undo journal (not part of the host's surface): the fields
// its copy and restore handle, written one after another as raw bytes, so that two states of one object
// compare byte by byte and a state read back gives the very same values.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/arx/acge/acarray.h"

namespace platform::detail {

// A run of bytes that grows at its end. Kept in malloc's memory so that growing a big one remaps pages rather
// than copying them.
class ByteBuffer {
public:
    ByteBuffer() = default;
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;
    ByteBuffer(ByteBuffer&& other) noexcept { swap(other); }
    ByteBuffer& operator=(ByteBuffer&& other) noexcept {
        ByteBuffer gone(std::move(*this));
        swap(other);
        return *this;
    }
    ~ByteBuffer() { std::free(m_data); }

    char* data() { return m_data; }
    const char* data() const { return m_data; }
    size_t size() const { return m_size; }
    size_t capacity() const { return m_capacity; }
    void clear() { m_size = 0; }
    // Shortens the run (never lengthens it).
    void truncate(size_t size) { m_size = size < m_size ? size : m_size; }
    // Room for n more bytes at the end, counted in the size.
    char* extend(size_t n) {
        if (n > m_capacity - m_size) {
            reallocate(std::max(m_size + n, m_capacity * 2));
        }
        char* at = m_data + m_size;
        m_size += n;
        return at;
    }
    void append(const void* bytes, size_t n) {
        if (n > 0) {
            std::memcpy(extend(n), bytes, n);
        }
    }
    void reserve(size_t capacity) {
        if (capacity > m_capacity) {
            reallocate(capacity);
        }
    }
    void shrinkToFit() {
        if (m_size < m_capacity) {
            reallocate(m_size);
        }
    }
    void release() { ByteBuffer gone(std::move(*this)); }

private:
    void swap(ByteBuffer& other) noexcept {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        std::swap(m_capacity, other.m_capacity);
    }
    void reallocate(size_t capacity) {
        if (capacity == 0) {
            std::free(m_data);
            m_data = nullptr;
            m_capacity = 0;
            return;
        }
        void* grown = std::realloc(m_data, capacity);
        if (grown == nullptr) {
            throw std::bad_alloc();
        }
        m_data = static_cast<char*>(grown);
        m_capacity = capacity;
    }

    char* m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;
};

class StateWriter {
public:
    explicit StateWriter(ByteBuffer& out) : m_out(out) {}

    template <class... T>
    void put(const T&... values) {
        if constexpr (sizeof...(T) == 0) {
            return;
        } else if constexpr ((std::is_trivially_copyable_v<T> && ...)) {
            // Plain fields, the usual case: one reservation for all of them.
            char* at = m_out.extend((sizeof(T) + ... + 0));
            ((std::memcpy(at, &values, sizeof(T)), at += sizeof(T)), ...);
        } else {
            (one(values), ...);
        }
    }

private:
    void raw(const void* data, size_t size) { m_out.append(data, size); }
    void count(size_t n) {
        const auto c = static_cast<std::uint32_t>(n);
        raw(&c, sizeof c);
    }

    template <class T>
    void one(const T& value) {
        static_assert(std::is_trivially_copyable_v<T>, "a field without a compact form");
        raw(&value, sizeof value);
    }
    template <class C>
    void one(const std::basic_string<C>& value) {
        count(value.size());
        raw(value.data(), value.size() * sizeof(C));
    }
    template <class T>
    void one(const std::vector<T>& values) {
        count(values.size());
        if constexpr (std::is_trivially_copyable_v<T>) {
            raw(values.data(), values.size() * sizeof(T));
        } else {
            for (const T& value : values) {
                one(value);
            }
        }
    }
    template <class T>
    void one(const AcArray<T>& values) {
        static_assert(std::is_trivially_copyable_v<T>, "an array without a compact form");
        count(static_cast<size_t>(values.length()));
        raw(values.asArrayPtr(), static_cast<size_t>(values.length()) * sizeof(T));
    }

    ByteBuffer& m_out;
};

class StateReader {
public:
    StateReader(const char* data, size_t size) : m_at(data), m_end(data + size) {}

    template <class... T>
    void get(T&... values) {
        (one(values), ...);
    }
    // Whether every byte was read and none was missing (a state read back by the class that wrote it).
    bool complete() const { return m_ok && m_at == m_end; }
    bool failed() const { return !m_ok; }

private:
    bool raw(void* data, size_t size) {
        if (static_cast<size_t>(m_end - m_at) < size) {
            m_ok = false;
            m_at = m_end;
            return false;
        }
        if (size > 0) {
            std::memcpy(data, m_at, size);
        }
        m_at += size;
        return true;
    }
    size_t count() {
        std::uint32_t c = 0;
        return raw(&c, sizeof c) ? c : 0;
    }

    template <class T>
    void one(T& value) {
        raw(&value, sizeof value);
    }
    template <class C>
    void one(std::basic_string<C>& value) {
        const size_t n = count();
        value.resize(std::min(n, static_cast<size_t>(m_end - m_at) / sizeof(C)));
        raw(value.data(), value.size() * sizeof(C));
    }
    template <class T>
    void one(std::vector<T>& values) {
        const size_t n = count();
        if constexpr (std::is_trivially_copyable_v<T>) {
            values.resize(std::min(n, static_cast<size_t>(m_end - m_at) / sizeof(T)));
            raw(values.data(), values.size() * sizeof(T));
        } else {
            values.clear();
            for (size_t i = 0; i < n && m_ok; ++i) {
                one(values.emplace_back());
            }
        }
    }
    template <class T>
    void one(AcArray<T>& values) {
        const size_t n = std::min(count(), static_cast<size_t>(m_end - m_at) / sizeof(T));
        values.setLogicalLength(static_cast<int>(n));
        raw(values.asArrayPtr(), n * sizeof(T));
    }

    const char* m_at;
    const char* m_end;
    bool m_ok = true;
};

}  // namespace platform::detail

// Gives a class a compact state of its own fields after its base class's (written right after
// TARN_DB_DECLARE_MEMBERS). A class derived from it without one of its own is journaled by whole copies.
#define TARN_DB_STATE(CLASS, BASE, ...)                                      \
public:                                                                      \
    bool tarnHasState() const override {                                     \
        return isA() == CLASS::desc();                                       \
    }                                                                        \
    void tarnWriteState(platform::detail::StateWriter& out) const override { \
        BASE::tarnWriteState(out);                                           \
        out.put(__VA_ARGS__);                                                \
    }                                                                        \
    void tarnReadState(platform::detail::StateReader& in) override {         \
        BASE::tarnReadState(in);                                             \
        in.get(__VA_ARGS__);                                                 \
    }                                                                        \
                                                                             \
public:
