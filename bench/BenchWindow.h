// The main window of the benchmarks: offscreen, with the program's own skin and staff
// mask, an offline synthesiser and a program folder of the bench's own (Qt, so kept
// apart from BenchSupport.h).
#pragma once

#include "app/SystemParts.h"
#include "app/TKTPianoForm.h"
#include "base/ITickClock.h"
#include "ui/GlyphLibrary.h"

#include <memory>
#include <string>

namespace bench {

inline std::unique_ptr<TKTPianoForm> MakeWindow(TGlyphLibrary& glyphs, const std::string& folder,
                                                TSettings& settings) {
    TPianoFormSetup setup;
    setup.Core.ProgramFolder = folder;
    setup.Core.MakeSound = FluidSynthSound(TKTDirectMusicSetup::Offline());
    setup.Core.OfflinePort = true;
    setup.Skin = glyphs.LoadBitmap(TGlyphLibrary::SkinBitmapName);
    setup.StaffMask = glyphs.LoadBitmap(TGlyphLibrary::StaffMaskName);
    setup.ShowMessage = [](const QString&) {};
    auto form =
        std::make_unique<TKTPianoForm>(std::move(setup), settings, TSystemTickClock::Instance());
    form->show();
    return form;
}

} // namespace bench
