// General utility library: plain functions over narrow strings. Every narrow string taken here is UTF-8;
// paths are converted to UTF-16 into fixed stack buffers before the system is called, and a path that
// cannot be converted (invalid text, too long) fails before the file system is touched.
// No classes, no global state, no locks.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>

// ---- Files and folders ----

// _wfopen of the path with an fopen-style mode; null when it fails or the texts cannot be converted.
FILE* OpenFileU8(const char* path, const char* mode);

// Creates or truncates the file ("wb") and writes count bytes. 1 when every byte was written and the file
// closed cleanly; 0 otherwise (not opened, short write, failed close).
int WriteFileData(const char* path, const void* data, uint32_t count);

// The size from _wstat64, saturated at INT32_MAX; -1 when the path cannot be converted or does not exist.
int32_t GetFileSizeU8(const char* path);

// The result of DeleteFileW; 0 when the path cannot be converted.
int DeleteFileU8(const char* path);

// CreateDirectoryW on the path: one level only, errors ignored.
void CreateDirU8(const char* path);

// Removes the folder and everything in it. Links (reparse points) are removed themselves, never followed.
// Entries that cannot be deleted leave their folders in place. Nothing happens for null or "".
void RemoveDirTreeU8(const char* path);

// ---- Time and log ----

// Fills out with the local time of t (seconds since 1970), or of now when t is 0. All zeros when the time
// cannot be converted. Returns out.
struct tm* LocalTimeNow(struct tm* out, int64_t t);

// Appends "[yyyy/mm/dd hh:mm:ss]  " + the formatted text + "\n" to the log file; nothing when the file
// cannot be opened. Text of unknown content must go through "%s", never as the format.
void WriteLogV(const char* path, const char* format, va_list args);
void WriteLog(const char* path, const char* format, ...) __attribute__((format(printf, 2, 3)));

// ---- Conversions ----

// "0x"/"0X" + up to 16 hex digits, or up to 23 decimal digits (wrapping modulo 2^64); stops at the first
// other byte. 0 for null, "" or a text that begins with another byte.
uint64_t StrToU64(const char* text);

// Writes value in radix 2..36 (digits 0-9a-z) into buffer (65 bytes suffice for any radix) and returns
// buffer; null for another radix. Radix 10 writes negative values with "-"; other radices take the value as
// unsigned 64-bit.
char* I64ToStr(int64_t value, char* buffer, int radix);

// Cuts text in place at its first byte that does not start a whole one-, two- or three-byte character
// (four-byte characters count as broken) and returns the length kept; 0 for null.
int CutValidUtf8(char* text);

// ---- MD5 (RFC 1321) ----

struct Md5Context {
    uint32_t state[4];
    uint32_t count[2];  // bits hashed so far, low word first
    uint8_t buffer[64];
};
static_assert(sizeof(Md5Context) == 88, "Md5Context layout");

void Md5Init(Md5Context* context);
void Md5Update(Md5Context* context, const void* data, uint32_t count);
void Md5Final(uint8_t digest[16], Md5Context* context);
void Md5Buffer(uint8_t digest[16], const void* data, uint32_t count);

// =====================================================================================================
// The rest of the library. Output buffers come with their size unless a fixed minimum is stated; nothing
// is written past it, and an output that does not fit fails whole (result 0, -1 or null as told) rather
// than being cut, unless a function says it cuts. Blocks returned by ...Alloc, Utf8ToAnsi, ReadFileU8,
// ListFolderU8 and Utf8ToUtf16Lib (without out) are freed with free.
// =====================================================================================================

// ---- Further files and folders ----

// Reads the whole file into a new block with 500 zero bytes after it; returns its size, or -1 (and a null
// block) when it cannot be opened, sized or read whole.
int32_t ReadFileU8(const char* path, char** out);

// Modification / creation time in seconds since 1970; 0 when nothing is there; -1 for an unconvertible path.
int64_t FileModTimeU8(const char* path);
int64_t FileCreateTimeU8(const char* path);

// 1 a file, 2 a folder, -1 nothing there or an unconvertible path.
int PathExistsU8(const char* path);

// The results of MoveFileW and CopyFileW; 0 for a null or unconvertible path.
int MoveFileU8(const char* from, const char* to);
int CopyFileU8(const char* from, const char* to, int failIfExists);

// Creates each folder level of the path: every prefix ending before a "/" or "\" that does not follow ":"
// (drive roots are never created), and the whole path when wholePath is set. Errors are ignored.
void CreateDirsU8(const char* path, int wholePath);

// The folder of the host program (without the last backslash and what follows it) in UTF-8; null when it
// does not fit buffer.
char* ModuleFolderU8(char* buffer, int size);

// The temporary folder (with its trailing backslash) in UTF-8; its byte length, or 0 when the buffer is
// under 6 bytes or the folder does not fit.
int TempFolderU8(int size, char* buffer);

// One entry of a folder listing: the name, NUL-terminated within its 255 bytes (longer names are cut at a
// character boundary to 254 bytes), and the folder flag in the last byte.
struct FolderEntryU8 {
    char name[255];
    uint8_t isFolder;
};
static_assert(sizeof(FolderEntryU8) == 256, "FolderEntryU8 layout");
static_assert(offsetof(FolderEntryU8, isFolder) == 255, "FolderEntryU8 folder flag");
inline constexpr int kFolderListStep = 100;  // entries the array grows by

// The entries of the folder except "." and ".." into a new array (null when none); their count, 0 also
// when the folder cannot be searched, -1 when memory runs out.
int ListFolderU8(const char* folder, FolderEntryU8** out);

// MD5 of a file read in blocks of 1024 bytes. 1 on success; 0 when it cannot be opened or a read fails (the
// digest of what was read is written all the same).
int Md5File(const char* path, uint8_t digest[16]);
void Md5BufferAlias(uint8_t digest[16], const void* data, uint32_t count);

// ---- Strings (UTF-8 or ASCII, NUL-terminated) ----

// "*" matches any run (only the first occurrence of the literal after it is tried), "?" any one byte;
// ASCII letters match either case. 1 for a match, 0 otherwise.
int WildcardMatch(const char* text, const char* pattern);

// Splits at the first separator into before and after; without it, the whole text and "". 1 when the
// separator was found, 0 when not, -1 (both outputs "") when a part does not fit its buffer.
int SplitAt(const char* text, const char* separator, char* before, int beforeSize, char* after,
            int afterSize);

char* ToLowerAscii(char* text);
char* ToUpperAscii(char* text);

// Replaces from by to, left to right, continuing after each replacement, at most maxCount times (0: all).
// The number replaced; -1 with the text untouched when the result does not fit size bytes with its NUL.
int ReplaceAll(char* text, int size, const char* from, const char* to, int maxCount);

// The position after the leading bytes that are in set.
const char* SkipChars(const char* text, const char* set);
int AnyCharIn(const char* text, const char* set);
int AllCharsIn(const char* text, const char* set);

// 0 when text starts / ends with the affix, -1 otherwise. StartsWithNoCase and EndsWithNoCase ignore ASCII
// case.
int StartsWithNoCase(const char* text, const char* prefix);
int EndsWith(const char* text, const char* suffix);
int EndsWithNoCase(const char* text, const char* suffix);

// First occurrence of needle ignoring ASCII case; null when none.
const char* FindNoCase(const char* text, const char* needle);
// _strnicmp that takes null: the same pointer 0, null first -1, null second 1.
int CompareNoCaseN(const char* a, const char* b, size_t count);
// Last occurrence of needle; null when none.
const char* FindLast(const char* text, const char* needle);

// Copies the text before the first "\r\n" into line (cut to size - 1 bytes) and returns the position after
// the "\r\n"; null (line "") when the text has none.
const char* GetLine(const char* text, char* line, int size);

// Zero-fill target and copy / append at most size - 1 bytes in all. Returns target.
char* CopyBounded(char* target, int size, const char* source);
char* AppendBounded(char* target, int size, const char* source);

// Removes every span from open to the next close, both included; an open without a close stays. Returns
// the number of spans removed.
int RemoveSpans(char* text, const char* open, const char* close);

// Removes leading and trailing blanks, tabs, CR and LF in place. Returns text.
char* TrimWhitespace(char* text);

// First byte that is in set, or null; the number of bytes in set among the first count (negative: all).
const char* FindAnyOf(const char* text, const char* set);
int CountCharsIn(const char* text, const char* set, int count);
const char* FindLastChar(const char* text, char c);

// Display width: 1 per ASCII byte, 2 per two- or three-byte character, up to the first invalid sequence.
int Utf8Width(const char* text);
// The position after count characters from the start / of the last count characters; null at an invalid
// sequence or when the text holds fewer characters.
const char* Utf8Skip(const char* text, int count);
const char* Utf8SkipBack(const char* text, int count);
// 1 when the text is all ASCII, two- and three-byte characters.
int IsValidUtf8(const char* text);
// Each byte of an invalid sequence becomes a blank; returns the number of bytes blanked.
int BlankInvalidUtf8(char* text);

// 1 per unit below 256, 2 for others / the number of units.
int Utf16Width(const char16_t* text);
int Utf16Length(const char16_t* text);

// UTF-16 (byte-swapped first when swapBytes) to UTF-8 in a new block of 1.5 x the UTF-16 byte length +
// 100 bytes; null for null text or when memory runs out.
char* Utf16ToUtf8Alloc(const char16_t* text, int swapBytes);

// The link's own converters: UTF-8 to UTF-16 stopping at a malformed sequence and dropping characters
// beyond 16 bits (into out of strlen + 1 units, or a new block when out is null); UTF-16 to UTF-8 with
// surrogates written one by one, up to the last whole character that fits size bytes.
char16_t* Utf8ToUtf16Lib(const char* utf8, char16_t* out, int* count);
int Utf16ToUtf8Lib(const char16_t* utf16, char* out, int size);

// Conversions through the ANSI code page (unmappable characters become "?"). The ...Alloc and Utf8ToAnsi
// forms return new blocks (null on failure); the others write into out and return the bytes written
// without the NUL, or -1 (out "") when the text is invalid or does not fit.
char16_t* AnsiToUtf16Alloc(const char* ansi);
int AnsiToUtf8(const char* ansi, char* out, int size);
char* Utf8ToAnsi(const char* utf8);
int Utf16ToAnsi(const char16_t* utf16, char* out, int size);
int Utf8ToAnsiBounded(const char* utf8, char* out, int size);

// ---- Time ----

// Fills out with UTC of t (seconds since 1970), or of now when t is 0; all zeros when not convertible.
struct tm* UtcTimeNow(struct tm* out, int64_t t);
int64_t NowSeconds();
int64_t NowMillis();

// Copies pattern to out and overwrites the first "yyyy", "mm", "dd", "hh", "mi", "ss" and "ww" with the
// year, month, day, hour, minute, second and the weekday as a GBK numeral (日 for Sunday, 一 to 六), in
// local time or UTC. t 0 is now. Null when the pattern does not fit size bytes.
char* FormatTime(char* out, int size, const char* pattern, int64_t t, int utc);

// Local hour minus UTC hour, brought into -12..12, in seconds.
int TimeZoneOffset();
// Seconds since 1970 of a local date and time (mktime), plus TimeZoneOffset when addZone; -1 when invalid.
int64_t MakeTime(int year, int month, int day, int hour, int minute, int second, int addZone);

// ---- Numbers ----

// Leading white space, sign, digits with one point, an exponent after "e" or "E". end (when given) gets
// the position after the number, or text when there is none. errno 22 for null; 34 and +-HUGE_VAL or 0
// when out of range.
double StrToDouble(const char* text, char** end);

// Decimal with "," between groups of three digits; null when it does not fit (27 bytes always do).
char* ThousandsText(int64_t value, char* buffer, int size);

uint32_t ByteSwap32(uint32_t value);
uint64_t ByteSwap64(uint64_t value);

// At most 10 decimal digits up to the first other byte, wrapping modulo 2^32.
uint32_t StrToU32(const char* text);

// Truncation, moved to the next integer when the value lies within 1e-6 of it; saturated at the int range
// (NaN gives 0).
int RoundNearInt(double value);

// As I64ToStr for 32-bit values (33 bytes suffice for any radix).
char* I32ToStr(int32_t value, char* buffer, int radix);

// "%d B", "%.1lf K", "%.1lf M" or "%.1lf G" of a byte count; null when it does not fit.
char* SizeText(int64_t bytes, char* buffer, int size);
// "%d米" below 1000 metres, else "%.1lf公里" (UTF-8); null when it does not fit.
char* DistanceText(int64_t metres, char* buffer, int size);

// Searches count records of recordSize bytes sorted by the key at keyOffset. compare(key, recordKey)
// gives <0, 0, >0. 1 and the index when found; 0 and the insertion index when not.
int BinarySearch(const void* base, size_t recordSize, size_t keyOffset, int count, const void* key,
                 int (*compare)(const void* key, const void* recordKey), int* index);

// ---- The small scanner and network addresses ----

// Matches text against format with the conversions %s (a char* and its size_t capacity), %d (int*), %f
// (double*), %u (unsigned*) and %I (uint32_t* address, first number in the highest byte). A null
// destination skips the field. White space in a literal matches any run of white space. 1 when the whole
// text fits and every field converts, 0 otherwise.
int ScanText(const char* text, const char* format, ...);

int IsIPv4(const char* text);
int IsCidr(const char* text);
// Address and prefix length of "a.b.c.d/n" or "a.b.c.d/m.m.m.m"; 1 on success, 0 for anything else.
int ParseCidr(const char* text, uint32_t* address, int* prefix);
int IsMac(const char* text);
// Only digits after an optional "-", and the value within low..high.
int IsIntInRange(const char* text, int low, int high);
uint32_t MaskFromPrefix(int prefix);
int PrefixFromMask(uint32_t mask);
// "%d.%d.%d.%d" highest byte first (16 bytes suffice); null when it does not fit.
char* IPv4ToText(uint32_t address, char* buffer, int size);
// The address, or 0 for a text that is not one.
uint32_t TextToIPv4(const char* text);

// ---- Base64 ----

inline constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
inline constexpr char kBase64AltAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-";

// The text length written (with a NUL after it), or -1 when it does not fit size bytes. The core form has
// no padding, Base64Encode pads with "=" to a multiple of 4, Base64EncodeAlt is unpadded in the other
// alphabet.
int Base64EncodeCore(const void* data, uint32_t count, char* out, int size, const char* alphabet);
int Base64Encode(const void* data, uint32_t count, char* out, int size);
int Base64EncodeAlt(const void* data, uint32_t count, char* out, int size);
// Decodes either alphabet (also "*" and "!" for 62); a short last group gives its whole bytes. The byte
// count written (NUL-terminated), or -1 for a byte of neither alphabet, a misplaced "=", text after the
// padding, or an output that does not fit size bytes.
int Base64Decode(const char* text, uint8_t* out, int size);

// ---- Programs ----

// Runs the program (its path, as given: no search) with the arguments that follow it, one text each, the
// list ended by a null pointer, and waits for it to end. Each argument reaches the program exactly as given:
// no shell is involved and no character is interpreted. The result is the program's exit code, or -1 when it
// could not be started (a text that is no UTF-8, a program path holding a quote, no such program).
int RunCommand(const char* program, ...);
int RunCommandV(const char* program, va_list args);

// ---- Four-round block cipher in CFB-64 mode (64-bit block, 128-bit key) ----

struct CfbContext {
    uint8_t previous[8];  // the feedback register before the last block encryption
    uint8_t feedback[8];  // the last cipher block, consumed byte by byte
    uint16_t subkeys[28];
    uint32_t bytesLeft;  // unused key-stream bytes at the end of feedback
};
static_assert(sizeof(CfbContext) == 76, "CfbContext layout");
static_assert(offsetof(CfbContext, feedback) == 8 && offsetof(CfbContext, subkeys) == 16 &&
                  offsetof(CfbContext, bytesLeft) == 72,
              "CfbContext fields");

void CfbSetIv(CfbContext* context, const uint8_t iv[8]);  // null iv: zeros
void CfbInitKey(CfbContext* context, const uint8_t key[16]);
void ExpandKey(const uint8_t key[16], uint16_t subkeys[28]);
void CfbWipe(CfbContext* context);
// Realigns the stream on a block boundary: the register becomes the last 8 bytes of the stream.
void CfbSync(CfbContext* context);
void EncryptBlock(const uint8_t in[8], uint8_t out[8], const uint16_t subkeys[28]);
// in and out may be the same buffer.
void CfbEncrypt(CfbContext* context, const uint8_t* in, uint8_t* out, uint32_t count);
void CfbDecrypt(CfbContext* context, const uint8_t* in, uint8_t* out, uint32_t count);
// Key, zero vector, then masked encryption or decryption of count bytes; in and out may be the same.
void CipherBuffer(const uint8_t key[16], const uint8_t* in, uint8_t* out, uint32_t count, int encrypt);
void CipherBufferAlias(const uint8_t key[16], const uint8_t* in, uint8_t* out, uint32_t count, int encrypt);
// Encrypting: out gets count cipher bytes and the plain text's MD5 in clear (count + 16 bytes); 1, or 0 when
// count + 16 overflows. Decrypting: count includes the 16 digest bytes and out gets count - 16 bytes; 1 when
// the digest matches, else 0 with those bytes zeroed. Works in place.
int CipherBufferMd5(const uint8_t key[16], const uint8_t* in, uint8_t* out, uint32_t count, int encrypt);
