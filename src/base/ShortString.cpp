// Code page 936 conversion through iconv, and the short-string field helpers.
#include "base/ShortString.h"

#include <cerrno>
#include <iconv.h>

namespace {

// Converts with iconv; on a byte sequence that does not convert, appends
// `replacement` and skips one input byte, so the result is always complete.
std::string Convert(const char* to, const char* from, std::string_view in,
                    std::string_view replacement) {
    std::string out;
    if (in.empty()) return out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        // No converter: keep the bytes that are plain ASCII.
        for (char c : in)
            out += (static_cast<unsigned char>(c) < 0x80) ? c : '?';
        return out;
    }
    std::string src(in);
    char* inPtr = src.data();
    size_t inLeft = src.size();
    char buf[256];
    while (inLeft > 0) {
        char* outPtr = buf;
        size_t outLeft = sizeof buf;
        size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buf, static_cast<size_t>(outPtr - buf));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (cut short): replace one byte and go on.
            out += replacement;
            ++inPtr;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    char* outPtr = buf;
    size_t outLeft = sizeof buf;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buf, static_cast<size_t>(outPtr - buf));
    iconv_close(cd);
    return out;
}

} // namespace

std::string Utf8ToCp936(std::string_view utf8) {
    // A UTF-8 sequence that fails is skipped byte by byte; collapse those runs so a
    // single unconvertible character yields a single '?'.
    std::string out;
    size_t i = 0;
    while (i < utf8.size()) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        if (i + len > utf8.size()) len = utf8.size() - i;
        std::string_view ch = utf8.substr(i, len);
        std::string conv = Convert("CP936", "UTF-8", ch, "\x01");
        if (conv.find('\x01') != std::string::npos)
            out += '?';
        else
            out += conv;
        i += len;
    }
    return out;
}

std::string Cp936ToUtf8(std::string_view cp936) {
    return Convert("UTF-8", "CP936", cp936, "\xEF\xBF\xBD");
}

std::string ShortStringBytes(const uint8_t* field, size_t fieldSize) {
    if (fieldSize == 0) return {};
    size_t len = field[0];
    if (len > fieldSize - 1) len = fieldSize - 1;
    return std::string(reinterpret_cast<const char*>(field + 1), len);
}

void SetShortStringBytes(uint8_t* field, size_t fieldSize, std::string_view bytes) {
    if (fieldSize == 0) return;
    std::memset(field, 0, fieldSize);
    size_t len = bytes.size();
    if (len > fieldSize - 1) len = fieldSize - 1;
    if (len > 255) len = 255;
    field[0] = static_cast<uint8_t>(len);
    if (len) std::memcpy(field + 1, bytes.data(), len);
}

std::string CutCp936(std::string_view bytes, size_t limit) {
    size_t end = 0;
    while (end < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[end]);
        const size_t length = lead >= 0x81 && lead <= 0xFE && end + 1 < bytes.size() ? 2 : 1;
        if (end + length > limit) break;
        end += length;
    }
    return std::string(bytes.substr(0, end));
}
