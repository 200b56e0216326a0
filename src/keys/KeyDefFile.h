// The key-definition file (.kdf): one TKeyDefSet behind a 36-byte header, 8412 bytes.
#pragma once

#include "keys/KeyDef.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

constexpr size_t KeyDefFileSize = 8412;
constexpr size_t KeyDefFileSetOffset = 36;
constexpr const char* KeyDefFileMagic = "TalvimorenaKeyDef";
constexpr const char* KeyDefFileFilter = "Talvimorena Keydef File(*.kdf)|*.kdf";
constexpr const char* KeyDefFileExt = ".kdf";

enum class TKeyDefParse { Ok, BadMagic, TooShort };

// The 8412-byte file image of a set.
std::vector<uint8_t> KeyDefFileImage(const TKeyDefSet& set);
// Reads a file image. A file shorter than 8412 bytes is refused even when its
// magic is right: its tail would be undefined. The target is untouched on failure.
TKeyDefParse ParseKeyDefFileImage(std::span<const uint8_t> bytes, TKeyDefSet& target);

// False when the folder does not exist, the extension is not ".kdf" (any case) or
// the write fails; an existing file is replaced only by a complete new one.
bool SaveKeyDefFile(const TKeyDefSet& set, const std::string& path);
// False when the file is missing, the extension is not ".kdf" (any case), or its
// content is not a key-definition image; the target is then untouched.
bool LoadKeyDefFile(const std::string& path, TKeyDefSet& target);
