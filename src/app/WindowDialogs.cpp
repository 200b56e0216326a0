#include "app/WindowDialogs.h"

#include "base/FileUtil.h"
#include "keys/KeyDef.h"
#include "keys/ui/TfrmSetKeyDef.h"
#include "settings/ui/TfrmSetup.h"
#include "sound/ui/TfrmSetFavoriteVoices.h"
#include "ui/TfrmAbout.h"

#include <QDesktopServices>
#include <QUrl>

void TWindowDialogs::EditKeyDefinitions(int keyIndex, QWidget* over) {
    if (BeforeKeyEditor) BeforeKeyEditor();
    constexpr int OneKey = 14;
    TKeyDefSet edited = KeyDefs;
    if (EditKeyDefs(over ? over : Window, edited, keyIndex >= 0 ? keyIndex : OneKey, StaffMask,
                    Piano.ProgramFile("")))
        Piano.InstallEditedKeyDefs(edited);
}

bool TWindowDialogs::ShowSettingsDialog(TSettings& settings, TSwitchBlock& switches) {
    TSetupCallbacks editors;
    editors.EditKeyDefinitions = [this](QWidget* dialog) { EditKeyDefinitions(-1, dialog); };
    editors.EditFavoriteVoices = [this](QWidget* dialog) {
        TFavoriteVoiceSet edited = Piano.Favorites();
        // Over the settings dialog, centred on the main window.
        if (EditFavoriteVoices(dialog, edited, Piano.Voices(), Piano.ProgramFile(""), Window))
            Piano.SetFavorites(edited);
    };
    // The settings file lives with the program's other own files.
    editors.Save = [this](const TSettings& record) {
        return SaveSettings(record, OwnFilesFolder(Piano.ProgramFile("")) + SettingsFileName);
    };
    return ::ShowSettingsDialog(Window, settings, switches, editors);
}

void TWindowDialogs::ShowAbout() {
    ::ShowAbout(Window, DirectXVersion);
}

void TWindowDialogs::OpenWithDesktop(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}
