// Settings files: any text gives either its values or the whole default record.
#include "settings/Settings.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TSettings s;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (ParseSettingsText(text, s) == TSettingsParse::Ok) {
        if (s.ExternalDLSFile.size() > ExternalDLSFileMaxBytes) std::abort();
        // What was read saves to text that reads back the same.
        TSettings again;
        if (ParseSettingsText(SettingsText(s), again) != TSettingsParse::Ok) std::abort();
        if (again.Latency != s.Latency || again.ReverbLevel != s.ReverbLevel ||
            again.UseExternalDLS != s.UseExternalDLS)
            std::abort();
        (void)WritePeriodForLatency(s.Latency);
    } else if (!(s == DefaultSettings)) {
        std::abort();
    }
    return 0;
}
