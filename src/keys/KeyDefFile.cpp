// Reading and writing .kdf files.
#include "keys/KeyDefFile.h"

#include "base/BinaryIO.h"
#include "base/FileUtil.h"

#include <cstring>

std::vector<uint8_t> KeyDefFileImage(const TKeyDefSet& set) {
    std::vector<uint8_t> image;
    image.reserve(KeyDefFileSize);
    TByteWriter w(image);
    uint8_t magicField[28] = {};
    SetShortStringBytes(magicField, sizeof magicField, KeyDefFileMagic);
    w.WriteBytes(magicField, sizeof magicField);
    w.WriteI32(1); // version
    w.WriteI32(0); // reserved
    w.WriteRecord(set);
    return image;
}

TKeyDefParse ParseKeyDefFileImage(std::span<const uint8_t> bytes, TKeyDefSet& target) {
    const size_t magicLen = std::strlen(KeyDefFileMagic);
    if (bytes.size() < 1 + magicLen || bytes[0] != magicLen ||
        std::memcmp(bytes.data() + 1, KeyDefFileMagic, magicLen) != 0)
        return TKeyDefParse::BadMagic;
    if (bytes.size() < KeyDefFileSize) return TKeyDefParse::TooShort;
    TByteReader r(bytes.subspan(KeyDefFileSetOffset, sizeof(TKeyDefSet)));
    TKeyDefSet set;
    if (!r.ReadRecord(set)) return TKeyDefParse::TooShort;
    target = set;
    return TKeyDefParse::Ok;
}

bool SaveKeyDefFile(const TKeyDefSet& set, const std::string& path) {
    if (!DirectoryExists(ExtractFileDir(path))) return false;
    if (LowerFileExt(path) != KeyDefFileExt) return false;
    return WriteFileAtomic(path, KeyDefFileImage(set));
}

bool LoadKeyDefFile(const std::string& path, TKeyDefSet& target) {
    if (!FileExists(path) || LowerFileExt(path) != KeyDefFileExt) return false;
    std::vector<uint8_t> bytes;
    if (ReadFilePrefix(path, KeyDefFileSize, bytes) != TReadResult::Ok) return false;
    return ParseKeyDefFileImage(bytes, target) == TKeyDefParse::Ok;
}
