// The row of seven command buttons at the top of the main window, drawn from the
// window's skin: each button's place on the window is also where its released
// picture lies in the skin, the pressed one 621 pixels to the right.
#pragma once

#include "ui/TKTMultiGlyphButton.h"

#include <QPointer>
#include <QRect>

#include <array>
#include <functional>

class TKTMainButtons {
public:
    static constexpr int ButtonCount = 7;
    enum TButton { Open, Save, Play, Record, Setup, Help, About };
    // Called with the released button; its Tag() is its index.
    using TButtonClick = std::function<void(TKTMultiGlyphButton* sender)>;

    // The buttons become children of the main window; the skin must outlive them.
    TKTMainButtons(QWidget* mainWindow, const QImage* skin);
    ~TKTMainButtons();
    TKTMainButtons(const TKTMainButtons&) = delete;
    TKTMainButtons& operator=(const TKTMainButtons&) = delete;

    // Empty: clicks do nothing.
    void SetOnButtonClick(TButtonClick handler) { OnButtonClick = std::move(handler); }
    // Indices outside 0..6 are ignored.
    void SetButtonEnabled(int index, bool enabled);
    // A latched button shows its pressed picture until it is unlatched.
    void SetButtonLatched(int index, bool latched);
    bool ButtonEnabled(int index) const;
    bool ButtonLatched(int index) const;
    TKTMultiGlyphButton* Button(int index) const;

    // The place of a button on the window, the same as its released picture.
    static QRect NormalRect(int index);
    // Its pressed picture in the skin.
    static QRect DownRect(int index);
    // "Open", "Save", ...: the button's object name is "KTMainButton_" and this word.
    static const char* NameWord(int index);

private:
    std::array<QPointer<TKTMultiGlyphButton>, ButtonCount> Buttons;
    std::array<bool, ButtonCount> Latched{};
    std::array<bool, ButtonCount> EnabledFlags{true, true, true, true, true, true, true};
    TButtonClick OnButtonClick;
};
