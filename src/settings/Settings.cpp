// Settings file: four text lines, the meaning of each given by its position.
#include "settings/Settings.h"

#include "base/FileUtil.h"
#include "base/ShortString.h"

#include <charconv>
#include <vector>

const TSettings DefaultSettings{};

namespace {

// Lines end at CR LF, LF or CR; a final line ending does not start another line.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
        ++i;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// A decimal integer that fits 32 bits, with optional blanks around it and a sign.
bool ParseInt(std::string_view s, int32_t& out) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    int32_t v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size()) return false;
    out = v;
    return true;
}

constexpr size_t SettingsFileMaxBytes = 64 * 1024;

} // namespace

TSettingsParse ParseSettingsText(std::string_view text, TSettings& record) {
    record = DefaultSettings;
    const auto lines = SplitLines(text);
    if (lines.size() < 4) return TSettingsParse::TooFewLines;
    int32_t latency = 0, reverb = 0, flag = 0;
    if (!ParseInt(lines[0], latency)) return TSettingsParse::BadLatency;
    if (!ParseInt(lines[1], reverb)) return TSettingsParse::BadReverbLevel;
    if (!ParseInt(lines[2], flag)) return TSettingsParse::BadExternalFlag;
    record.Latency = latency;
    record.ReverbLevel = static_cast<uint8_t>(reverb & 0xFF);
    record.UseExternalDLS = (flag & 0xFF) != 0;
    record.ExternalDLSFile = std::string(lines[3].substr(0, ExternalDLSFileMaxBytes));
    return TSettingsParse::Ok;
}

std::string SettingsText(const TSettings& record) {
    std::string text;
    text += std::to_string(record.Latency) + "\r\n";
    text += std::to_string(static_cast<int>(record.ReverbLevel)) + "\r\n";
    text += std::string(record.UseExternalDLS ? "1" : "0") + "\r\n";
    text += record.ExternalDLSFile.substr(0, ExternalDLSFileMaxBytes) + "\r\n";
    return text;
}

void LoadSettings(TSettings& record, const std::string& path) {
    record = DefaultSettings;
    std::vector<uint8_t> bytes;
    // A file far larger than four short lines is not a settings file.
    if (ReadFilePrefix(path, SettingsFileMaxBytes, bytes, true) != TReadResult::Ok) return;
    ParseSettingsText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                      record);
}

void LoadSettings(TSettings& record) {
    LoadSettings(record, OwnFileToRead(ProgramFolder(), SettingsFileName));
}

bool SaveSettings(const TSettings& record, const std::string& path) {
    // A bare name comes from a missing own-files folder (no safe one): the settings
    // then live for the run only, and saying so is the caller's.
    if (ExtractFileDir(path).empty()) return false;
    const std::string text = SettingsText(record);
    return WriteFileAtomic(path, text.data(), text.size());
}

bool SaveSettings(const TSettings& record) {
    return SaveSettings(record, OwnFilesFolder(ProgramFolder()) + SettingsFileName);
}

int WritePeriodForLatency(int latency) {
    if (latency <= 29) return latency / 2;
    if (latency > 49) return latency / 4;
    return latency / 3;
}

std::string ExternalVoiceSetPath(const TSettings& record) {
    if (!record.UseExternalDLS) return {};
    // The record keeps the path in code page 936, as the file stores it.
    std::string path = Cp936ToUtf8(record.ExternalDLSFile);
    return FileExists(path) ? path : std::string();
}
