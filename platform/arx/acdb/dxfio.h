// Group-code level input and output of ASCII drawing files: a file is a sequence of (group code, value) line
// pairs. Texts are written in ASCII with "\U+XXXX" escapes for everything else, so the file reads the same
// in any code page; doubles are written in their shortest round-trip form, angles in degrees through long
// double so that radians come back bit-exact.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/arx/acdb/dbstatus.h"

namespace platform::dxf {

// The value classes of group codes as files hold them.
enum class ValueType { kText, kReal, kInteger, kHandle, kBinary, kUnknown };

// What a group code holds in a file (the R2000-2018 ranges).
ValueType ValueTypeOf(int code);
// Group codes whose value is the first coordinate of a point (its Y and Z follow at +10 and +20).
bool IsPointCode(int code);

// ---- values ----

// ASCII text: printable ASCII stays, every other UTF-16 unit becomes "\U+XXXX", and a backslash that would
// read as such an escape is escaped itself.
std::string EncodeText(std::u16string_view text);
// The text of a file value: raw UTF-8 when the bytes are valid UTF-8, else the file's code page; then the
// "\U+XXXX" escapes are expanded.
std::u16string DecodeText(std::string_view raw, int codePage);

std::string FormatReal(double value);
std::string FormatInteger(long long value);
std::string FormatHandle(std::uint64_t handle);
// Radians as degrees, written so that ParseDegrees gives the same double back.
std::string FormatDegrees(double radians);
std::string FormatBinary(std::string_view bytes);

// Strict parses of trimmed text; false for anything else.
bool ParseReal(std::string_view text, double& value);
// Whether ParseReal would take the text.
bool IsReal(std::string_view text);
bool ParseInteger(std::string_view text, long long& value);
bool ParseHandle(std::string_view text, std::uint64_t& handle);
bool ParseDegrees(std::string_view text, double& radians);
bool ParseBinary(std::string_view text, std::string& bytes);
// Whether ParseBinary would take the text.
bool IsBinary(std::string_view text);

std::string_view Trim(std::string_view text);

// ---- output ----

// Writes groups into a buffer. Without a sink the buffer keeps the whole text (data()); with one, the text
// goes to the sink in blocks of about kBlockSize as it is written, so a file of any size needs no more
// memory than a block.
class Writer {
public:
    // Takes the next block of text; false when it cannot (the rest is not written).
    using Sink = std::function<bool(std::string_view)>;
    static constexpr size_t kBlockSize = 64 * 1024;

    Writer() = default;
    explicit Writer(Sink sink) : m_sink(std::move(sink)) { m_out.reserve(kBlockSize + 4096); }

    void raw(int code, std::string_view value) {
        putCode(code);
        m_out.append(value.data(), value.size());
        endValue();
    }
    void text(int code, std::u16string_view value);
    void real(int code, double value);
    void degrees(int code, double radians) {
        checkFinite(code, radians);
        raw(code, FormatDegrees(radians));
    }
    void integer(int code, long long value);
    void handle(int code, std::uint64_t value) {
        if (code == 5 || code == 105) {
            m_objectHandle = value;  // the object being written, for a message about it
        }
        putHandle(code, value);
    }
    // code, code + 10 and, for three coordinates, code + 20.
    void point(int code, const double* xyz, int dimensions = 3);

    // Hands what is buffered to the sink; false once the sink has refused a block.
    bool flush();
    bool failed() const { return m_failed; }
    // A value no reader takes back (a number that is not finite) was written: what it was, "" when none. The
    // file is not a drawing then.
    const std::string& invalidValue() const { return m_invalid; }

    // Handles for what the file needs but the database does not hold (BLOCK and ENDBLK of each block,
    // empty tables, sequence ends): taken above every handle in use, so the file's seed moves past them.
    void setFirstFreeHandle(std::uint64_t handle) { m_nextHandle = handle; }
    std::uint64_t takeHandle() { return m_nextHandle++; }
    // Such a record's handle by the object it belongs to and its place there: the one the drawing's file
    // gave it (the lookup's answer when not 0), else a fresh one.
    using KeptHandles = std::function<std::uint64_t(std::uint64_t owner, std::uint32_t place)>;
    void setKeptHandles(KeptHandles kept) { m_kept = std::move(kept); }
    std::uint64_t keptHandle(std::uint64_t owner, std::uint32_t place) const {
        return m_kept ? m_kept(owner, place) : 0;
    }
    std::uint64_t recordHandle(std::uint64_t owner, std::uint32_t place) {
        const std::uint64_t kept = keptHandle(owner, place);
        return kept != 0 ? kept : takeHandle();
    }
    std::uint64_t nextFreeHandle() const { return m_nextHandle; }

    // The whole text written (without a sink).
    const std::string& data() const { return m_out; }
    std::string& data() { return m_out; }

private:
    void putCode(int code);
    void putHandle(int code, std::uint64_t value);
    void checkFinite(int code, double value) {
        if (!std::isfinite(value) && m_invalid.empty()) {
            noteInvalid(code, value);
        }
    }
    void noteInvalid(int code, double value);
    void endValue() {
        m_out.push_back('\n');
        if (m_sink && m_out.size() >= kBlockSize) {
            flush();
        }
    }

    std::string m_out;
    Sink m_sink;
    bool m_failed = false;
    std::uint64_t m_nextHandle = 1;
    KeptHandles m_kept;
    std::uint64_t m_objectHandle = 0;
    std::string m_invalid;
};

// ---- input ----

struct Group {
    int code = 0;
    std::string_view value;  // untrimmed for texts, trimmed for numbers
    int line = 0;            // line of the group code (1-based)
};

// How a read failed: the status for callers, the line and a message naming it.
struct Error {
    Acad::ErrorStatus status = Acad::eOk;
    int line = 0;
    std::string message;
};

// The groups of a file as the reader keeps them until the drawing is built, packed one after another in
// blocks: the code in two bytes, the length in one (five when long), then the value; the line of group i is
// 2i + 1. Values are trimmed for numbers, untrimmed (without the line end) for texts. Access is fastest in
// order, as the reader walks them; a place is kept for every 8 groups for the rest.
class GroupStore {
public:
    GroupStore() = default;
    GroupStore(const GroupStore&) = delete;
    GroupStore& operator=(const GroupStore&) = delete;

    size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    Group operator[](size_t i) const {
        Cursor at;
        if (m_last.index <= i && i - m_last.index <= kMarkSpan) {
            at = m_last;
        } else {
            if (m_anchor.index <= i && i - m_anchor.index <= kMarkSpan) {
                at = m_anchor;
            } else {
                at = Cursor{i & ~(kMarkSpan - 1), m_marks[i >> kMarkShift]};
            }
            walk(at, i);
            m_anchor = at;  // a scan that starts here again starts without a walk
        }
        walk(at, i);
        m_last = at;
        return groupAt(at);
    }
    Group back() const { return (*this)[m_count - 1]; }
    // Calls visit(group) on the groups from begin on, before end, until it returns false; the index of the
    // group it stopped at, or end. The way to walk many groups.
    template <class Visit>
    size_t scan(size_t begin, size_t end, Visit&& visit) const {
        if (begin >= end) {
            return end;
        }
        (void)(*this)[begin];
        Cursor at = m_last;
        for (;;) {
            if (!visit(groupAt(at))) {
                m_last = at;
                return at.index;
            }
            if (at.index + 1 >= end) {
                m_last = at;
                return end;
            }
            at.place.at += static_cast<std::uint32_t>(entrySize(at.place));
            if (at.place.at >= m_used[at.place.block]) {
                ++at.place.block;
                at.place.at = 0;
            }
            ++at.index;
        }
    }
    void add(int code, std::string_view value) {
        // Most values are short and fit the block being filled.
        const size_t size = 3 + value.size();
        if (value.size() >= 0xFF || size > m_room || m_count % kMarkSpan == 0) {
            addSlowly(code, value);
            return;
        }
        const auto code16 = static_cast<std::uint16_t>(code);
        std::memcpy(m_tail, &code16, 2);
        m_tail[2] = static_cast<char>(value.size());
        if (!value.empty()) {
            std::memcpy(m_tail + 3, value.data(), value.size());
        }
        m_tail += size;
        m_room -= size;
        m_used.back() += static_cast<std::uint32_t>(size);
        ++m_count;
    }

private:
    void addSlowly(int code, std::string_view value);

    struct Place {
        std::uint32_t block;
        std::uint32_t at;
    };
    struct Cursor {
        size_t index;
        Place place;
    };
    static constexpr unsigned kMarkShift = 3;
    static constexpr size_t kMarkSpan = size_t{1} << kMarkShift;
    static constexpr size_t kBlockSize = 64 * 1024;

    Group groupAt(const Cursor& at) const {
        const char* entry = m_blocks[at.place.block].get() + at.place.at;
        std::uint16_t code = 0;
        std::memcpy(&code, entry, 2);
        const auto length = static_cast<unsigned char>(entry[2]);
        const int line = static_cast<int>(2 * at.index + 1);
        if (length != 0xFF) {
            return Group{code, std::string_view(entry + 3, length), line};
        }
        std::uint32_t longLength = 0;
        std::memcpy(&longLength, entry + 3, 4);
        return Group{code, std::string_view(entry + 7, longLength), line};
    }
    size_t entrySize(Place place) const {
        const char* entry = m_blocks[place.block].get() + place.at;
        const auto length = static_cast<unsigned char>(entry[2]);
        if (length != 0xFF) {
            return 3 + size_t{length};
        }
        std::uint32_t longLength = 0;
        std::memcpy(&longLength, entry + 3, 4);
        return 7 + size_t{longLength};
    }
    // Moves the cursor forward to group i.
    void walk(Cursor& cursor, size_t i) const {
        for (; cursor.index < i; ++cursor.index) {
            cursor.place.at += static_cast<std::uint32_t>(entrySize(cursor.place));
            if (cursor.place.at >= m_used[cursor.place.block]) {
                ++cursor.place.block;
                cursor.place.at = 0;
            }
        }
    }

    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::vector<std::uint32_t> m_used;  // bytes taken in each block
    std::vector<Place> m_marks;         // where groups 0, 8, 16, ... are
    size_t m_count = 0;
    char* m_tail = nullptr;  // the free room of the last block
    size_t m_room = 0;
    // Where the last group was found, and where the last scan began: the next one is looked for from there.
    mutable Cursor m_last{0, Place{0, 0}};
    mutable Cursor m_anchor{0, Place{0, 0}};
};

// Splits a file into groups as its bytes come, in blocks of any size (a line may straddle blocks), and
// checks every numeric value against its group code.
class Tokenizer {
public:
    Tokenizer(GroupStore& groups, Error& error) : m_groups(groups), m_error(error) {}
    // False once the file is found damaged (error says where).
    bool feed(std::string_view block);
    // The end of the file.
    bool finish();

private:
    bool start();
    bool lines(std::string_view data);
    bool line(std::string_view text);
    // The value of the group whose code was read (m_code), on line m_line.
    bool valueLine(std::string_view text);

    GroupStore& m_groups;
    Error& m_error;
    bool m_started = false;
    bool m_failed = false;
    std::string m_head;   // the first bytes, until there are enough to tell a text file
    std::string m_carry;  // a line not yet ended
    int m_line = 0;
    bool m_haveCode = false;
    int m_code = 0;
    int m_codeLine = 0;
    int m_blankLine = 0;  // a blank code line, fine only as the file's last line
};

// Sets error to "line N: what" (status eDxfReadAborted unless given) and returns false.
bool Fail(Error& error, int line, const std::string& what, Acad::ErrorStatus status = Acad::eDxfReadAborted);

}  // namespace platform::dxf
