// Short strings of the file records: one length byte and the text bytes in a field
// of fixed size. Texts are stored in code page 936; conversion to and from UTF-8
// happens here, at the file boundary, and nowhere else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// UTF-8 -> code page 936. Characters that code page 936 cannot hold become '?'.
std::string Utf8ToCp936(std::string_view utf8);
// Code page 936 -> UTF-8. Bytes that do not decode (a character cut in half, say)
// become U+FFFD; the conversion never fails.
std::string Cp936ToUtf8(std::string_view cp936);

// The first bytes of a code page 936 text, at most `limit` of them, never ending in
// the first half of a two-byte character (which would read back as garbage).
std::string CutCp936(std::string_view bytes, size_t limit);

// The text bytes of a short-string field of fieldSize bytes. A length byte larger
// than the field allows is read as the field's capacity.
std::string ShortStringBytes(const uint8_t* field, size_t fieldSize);
// Writes text bytes into a field: cut by bytes to fieldSize - 1, the rest zeroed.
void SetShortStringBytes(uint8_t* field, size_t fieldSize, std::string_view bytes);

// A short-string field as it sits inside a packed record.
template <size_t FieldSize> struct TShortString {
    static_assert(FieldSize >= 1 && FieldSize <= 256);
    static constexpr size_t MaxLength = FieldSize - 1;

    uint8_t Raw[FieldSize];

    std::string Bytes() const { return ShortStringBytes(Raw, FieldSize); }
    void SetBytes(std::string_view bytes) { SetShortStringBytes(Raw, FieldSize, bytes); }
    std::string Utf8() const { return Cp936ToUtf8(Bytes()); }
    void SetUtf8(std::string_view utf8) { SetBytes(Utf8ToCp936(utf8)); }
    size_t Length() const { return Raw[0] > MaxLength ? MaxLength : Raw[0]; }
    void Clear() { std::memset(Raw, 0, FieldSize); }
};
