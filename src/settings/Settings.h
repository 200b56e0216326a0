// The device settings kept between runs (latency, reverb level, external voice set)
// and their file "Talvimorena4.cfg" in the program folder (or, for a program that
// cannot write there, in the user's configuration folder).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

constexpr const char* SettingsFileName = "Talvimorena4.cfg";
constexpr size_t ExternalDLSFileMaxBytes = 250;

struct TSettings {
    int32_t Latency = 40;    // synthesiser write latency, ms (the dialog offers 10..100)
    uint8_t ReverbLevel = 2; // 0..4; higher values are kept and change nothing
    bool UseExternalDLS = false;
    std::string ExternalDLSFile; // code page 936 bytes as stored, at most 250

    bool operator==(const TSettings&) const = default;
};

// The defaults: returning to them means copying this over the whole record.
extern const TSettings DefaultSettings;

// The four performance switches travelling with the settings to and from the
// dialog, never stored.
struct TSwitchBlock {
    bool NotebookMode = false;
    bool LoopPlay = false;
    bool TimedPedal = false;
    bool SmartSemitone = false;
    bool operator==(const TSwitchBlock&) const = default;
};

// The external voice set the record names, as a UTF-8 path, when the record asks
// for one and the file exists; "" otherwise (the built-in set is in use).
std::string ExternalVoiceSetPath(const TSettings& record);

// Why a settings text was refused (every refusal means: the defaults).
enum class TSettingsParse { Ok, TooFewLines, BadLatency, BadReverbLevel, BadExternalFlag };

// Reads the four lines; on any failure the record is the default record.
TSettingsParse ParseSettingsText(std::string_view text, TSettings& record);
// The four CR LF-ended lines of the file.
std::string SettingsText(const TSettings& record);

// Defaults, then the file at `path` if it exists and reads; never a message.
void LoadSettings(TSettings& record, const std::string& path);
void LoadSettings(TSettings& record); // the program's own file (OwnFileToRead)
// Replaces the file with a complete new one; false if it cannot be written (the
// old file then stays as it was) or `path` has no folder (OwnFilesFolder found no
// safe one).
bool SaveSettings(const TSettings& record, const std::string& path);
bool SaveSettings(const TSettings& record);

// The write period for a write latency, in ms: L/2 up to 29, L/4 above 49, else L/3.
int WritePeriodForLatency(int latency);
