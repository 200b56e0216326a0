// The file-to-file conversions: the build's maker of the built-in voice set and the
// tool's SoundFont-to-DLS command.
#include "voiceset/convert/VoiceSetConvert.h"

#include "base/FileUtil.h"
#include "voiceset/dls/DlsWriter.h"
#include "voiceset/sf2/Sf2Reader.h"

#include <cstdio>

namespace {

std::string FileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

TVoiceSetConvertResult ConvertFile(const std::string& sf2Path, const std::string& outPath,
                                   bool builtIn) {
    TVoiceSetConvertResult result;
    TDlsCollection dls;
    {
        TSf2Bank bank;
        const TSf2ReadResult read = LoadSf2File(sf2Path, bank);
        if (!read.Ok) {
            result.Message = read.Message;
            return result;
        }
        TSf2ToDlsOptions options;
        options.BuiltIn = builtIn;
        result = ConvertSf2ToDls(bank, options, dls);
        if (!result.Ok) return result;
    }
    std::vector<uint8_t> bytes;
    const TDlsWriteResult written = WriteDls(dls, bytes);
    if (!written.Ok) return {false, written.Message};
    if (!WriteFileAtomic(outPath, bytes)) return {false, outPath + " cannot be written"};
    char size[32];
    std::snprintf(size, sizeof size, "%.1f MB", double(bytes.size()) / 1e6);
    result.Message = FileName(outPath) + ": " + std::to_string(dls.Instruments.size()) +
                     " instruments, " + std::to_string(dls.Waves.size()) + " waves, " + size +
                     " (" + result.Message + ")";
    return result;
}

} // namespace

TVoiceSetConvertResult BuildBuiltInVoiceSetFile(const std::string& sf2Path,
                                                const std::string& outPath) {
    return ConvertFile(sf2Path, outPath, true);
}

TVoiceSetConvertResult ConvertSf2FileToDls(const std::string& sf2Path, const std::string& outPath) {
    return ConvertFile(sf2Path, outPath, false);
}
