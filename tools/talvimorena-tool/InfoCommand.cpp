// info: recognise one of the program's files by its content and print it.
#include "Commands.h"
#include "Describe.h"

#include "base/FileUtil.h"
#include "keys/KeyDefFile.h"
#include "settings/Settings.h"
#include "sound/FavoriteVoices.h"

#include <cstring>
#include <iostream>
#include <span>
#include <string_view>

// In SongReport.cpp: false with a reason when the file is not a loadable song.
bool DescribeSongFile(const std::string& path, bool structured, TReport& out, std::string& reason);
bool LooksLikeSong(std::span<const uint8_t> bytes);

namespace {

constexpr size_t MaxInfoFileBytes = 256u * 1024 * 1024;

bool LooksLikeKeyDefs(std::span<const uint8_t> b) {
    const size_t n = std::strlen(KeyDefFileMagic);
    return b.size() > n && b[0] == n && std::memcmp(b.data() + 1, KeyDefFileMagic, n) == 0;
}

bool IsText(std::span<const uint8_t> b) {
    for (uint8_t c : b)
        if (c == 0) return false;
    return true;
}

std::string KindOfName(const std::string& path) {
    const std::string ext = LowerFileExt(path);
    if (ext == ".lyt") return "song";
    if (ext == ".kdf") return "key definitions";
    if (ext == ".fvc") return "favourite voices";
    if (ext == ".cfg") return "settings";
    return {};
}

std::string SettingsReason(TSettingsParse p) {
    switch (p) {
    case TSettingsParse::TooFewLines:
        return "fewer than four lines";
    case TSettingsParse::BadLatency:
        return "line 1 (latency) is not an integer";
    case TSettingsParse::BadReverbLevel:
        return "line 2 (reverb level) is not an integer";
    case TSettingsParse::BadExternalFlag:
        return "line 3 (external voice set flag) is not an integer";
    default:
        return {};
    }
}

int Fail(const std::string& path, const std::string& reason) {
    std::cerr << "talvimorena-tool: " << path << ": " << reason << "\n";
    return 1;
}

} // namespace

int InfoCommand(const TArgs& argsIn) {
    TArgs args = argsIn;
    const bool json = TakeFlag(args, "--json");
    if (args.size() != 1) return UsageError("info takes one FILE (and --json)");
    const std::string& path = args[0];

    // The kind is told from the first bytes; a song is then read in blocks and its
    // report printed as it is made, the other kinds (all small) read whole.
    std::vector<uint8_t> bytes;
    const TReadResult head = ReadFilePrefix(path, 64, bytes);
    const bool song = head == TReadResult::Ok && LooksLikeSong(bytes);
    if (!song) switch (ReadFilePrefix(path, MaxInfoFileBytes, bytes, true)) {
        case TReadResult::Ok:
            break;
        case TReadResult::Missing:
            return Fail(path, "no such file");
        case TReadResult::TooLarge:
            return Fail(path, "file is larger than any file of the program");
        default:
            return Fail(path, "cannot be read (not a readable regular file)");
        }
    const std::span<const uint8_t> content(bytes);

    TReport report = TReport::Object();
    std::string reason;
    if (song) {
        report.Set("file", path);
        report.Set("type", "song");
        if (!DescribeSongFile(path, json, report, reason))
            return Fail(path, "song does not load: " + reason);
    } else if (LooksLikeKeyDefs(content)) {
        TKeyDefSet set;
        if (ParseKeyDefFileImage(content, set) != TKeyDefParse::Ok)
            return Fail(path, "key definitions do not load: the file has " +
                                  std::to_string(bytes.size()) + " bytes, a key-definition file " +
                                  std::to_string(KeyDefFileSize));
        report.Set("file", path);
        report.Set("type", "key definitions");
        int32_t version = 0, reserved = 0;
        std::memcpy(&version, bytes.data() + 28, 4);
        std::memcpy(&reserved, bytes.data() + 32, 4);
        report.Set("version", version);
        report.Set("reserved", reserved);
        report.Set("size", static_cast<int64_t>(bytes.size()));
        report.Set("keyDefinitions", DescribeKeyDefSet(set, json));
    } else if (TSettings s;
               IsText(content) &&
               ParseSettingsText(
                   std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                   s) == TSettingsParse::Ok) {
        report.Set("file", path);
        report.Set("type", "settings");
        report.Set("settings", DescribeSettings(s));
    } else if (bytes.size() == sizeof(TFavoriteVoiceSet) ||
               KindOfName(path) == "favourite voices") {
        // A favourite-voice file has no magic: it is recognised by its exact size; one
        // of another size (which the program reads all the same) only by its name.
        TFavoriteVoiceSet set = DefaultFavoriteVoiceSet();
        ApplyFavoriteVoicesImage(content, set);
        report.Set("file", path);
        report.Set("type", "favourite voices");
        report.Set("size", static_cast<int64_t>(bytes.size()));
        if (bytes.size() < sizeof set)
            report.Set("note", "short file: the bytes from " + std::to_string(bytes.size()) +
                                   " on keep the default values");
        else if (bytes.size() > sizeof set)
            report.Set("note", "long file: the bytes from 4416 on are ignored");
        report.Set("favorites", DescribeFavorites(set));
    } else {
        // Say what is wrong in the terms of the kind the name promises.
        const std::string kind = KindOfName(path);
        if (kind == "song") return Fail(path, "song does not load: wrong magic (not a song file)");
        if (kind == "key definitions")
            return Fail(path, "key definitions do not load: wrong magic (byte 0 must be 17, then "
                              "\"TalvimorenaKeyDef\")");
        if (kind == "settings") {
            TSettings s;
            TSettingsParse p =
                IsText(content) ? ParseSettingsText(
                                      std::string_view(reinterpret_cast<const char*>(bytes.data()),
                                                       bytes.size()),
                                      s)
                                : TSettingsParse::TooFewLines;
            return Fail(path, "settings do not load (the program would use its defaults): " +
                                  (IsText(content) ? SettingsReason(p) : std::string("not text")));
        }
        return Fail(path, "not a file of the program (no song or key-definition magic, not a "
                          "settings text, not a 4416-byte favourite-voice set)");
    }

    if (json)
        report.PrintJson(std::cout);
    else
        report.PrintText(std::cout);
    return 0;
}

int DefaultKdfCommand(const TArgs& args) {
    if (args.size() != 1) return UsageError("default-kdf takes one OUT.kdf");
    const std::string& path = args[0];
    if (LowerFileExt(path) != KeyDefFileExt)
        return Fail(path, "a key-definition file must end in .kdf");
    if (!DirectoryExists(ExtractFileDir(path))) return Fail(path, "the folder does not exist");
    if (!SaveKeyDefFile(DefaultKeyDefSet(), path)) return Fail(path, "cannot be written");
    return 0;
}
