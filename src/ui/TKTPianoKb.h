// One of the two small piano keyboards of the main window: 73 keys from MIDI note 24
// to 96, each made of glyph buttons cut from the skin (a black key is one button, a
// white key a lower and an upper part), showing what sounds on its keyboard and
// playing notes under the mouse.
#pragma once

#include "controller/IControllerPorts.h"
#include "ui/SkinLayout.h"
#include "ui/TKTMultiGlyphButton.h"

#include <QCursor>
#include <QImage>
#include <QPointer>

#include <array>
#include <functional>

class TKTPianoKb : public IPianoStrip {
public:
    // A key's position is its MIDI note - 24.
    static constexpr int KeyCount = 73;
    static constexpr int BlackKeyCount = SkinLayout::PianoBlackKeyCount;
    static constexpr int WhiteKeyCount = SkinLayout::PianoWhiteKeyCount;
    static constexpr int ButtonCount = BlackKeyCount + 2 * WhiteKeyCount;

    // Called with the button the mouse went down on and the key's position.
    using TPianoKeyEvent = std::function<void(TKTMultiGlyphButton* sender, int position)>;

    // The 116 buttons become children of `owner` with the keyboard's top-left corner
    // at `origin`; the skin must outlive them. Every key starts released.
    TKTPianoKb(QWidget* owner, const QImage* skin, SkinLayout::TSkinPoint origin);
    ~TKTPianoKb() override;
    TKTPianoKb(const TKTPianoKb&) = delete;
    TKTPianoKb& operator=(const TKTPianoKb&) = delete;

    // Stores the state of a position 0..72 (others are ignored): 1 shows the key
    // pressed, 0 released; other values are only stored.
    void SetKeyState(int position, int state);
    // IPianoStrip: what the performance controller shows.
    void SetKeyState(int position, bool pressed) override {
        SetKeyState(position, pressed ? 1 : 0);
    }
    void ReleaseAll() override;
    // The last state given for a position; 0 outside 0..72.
    int KeyState(int position) const;

    // A disabled keyboard hears no mouse; a key held with the mouse when it is
    // disabled is let go (shown released and reported up), so that no note hangs.
    void SetKeysEnabled(bool enabled);
    bool KeysEnabled() const { return Enabled; }
    void SetKeysCursor(const QCursor& cursor);

    // A left-button press on a key shows it pressed, then reports it; the release
    // shows it released, then reports it. Empty handlers are not called.
    void SetOnPianoKeyDown(TPianoKeyEvent handler) { OnPianoKeyDown = std::move(handler); }
    void SetOnPianoKeyUp(TPianoKeyEvent handler) { OnPianoKeyUp = std::move(handler); }

    // The index arithmetic of the keys.
    static constexpr bool IsBlack(int position) {
        const int n = position % 12;
        return n == 1 || n == 3 || n == 6 || n == 8 || n == 10;
    }
    static int BlackIndex(int position);
    static int WhiteIndex(int position);
    static int PositionOfBlack(int black);
    static int PositionOfWhite(int white);

    // The buttons, by kind and index (null outside the range).
    TKTMultiGlyphButton* BlackKey(int black) const;
    TKTMultiGlyphButton* BigWhiteKey(int white) const;
    TKTMultiGlyphButton* LittleWhiteKey(int white) const;

private:
    TKTMultiGlyphButton* MakeButton(QWidget* owner, const QImage* skin, const char* name, int tag,
                                    const SkinLayout::TSkinRect& place);
    template <class F> void ForEachButton(F f) const;
    int PositionOf(const TKTMultiGlyphButton* button) const;
    void ShowKey(int position, int buttonState);
    void MouseDown(TKTMultiGlyphButton* sender, Qt::MouseButton button);
    void MouseUp(TKTMultiGlyphButton* sender, Qt::MouseButton button);

    std::array<QPointer<TKTMultiGlyphButton>, BlackKeyCount> BlackKeys;
    std::array<QPointer<TKTMultiGlyphButton>, WhiteKeyCount> BigWhiteKeys;
    std::array<QPointer<TKTMultiGlyphButton>, WhiteKeyCount> LittleWhiteKeys;
    std::array<int, KeyCount> States{};
    bool Enabled = true;
    // The key the left mouse button holds, and its button; -1 when none.
    int MouseHeld = -1;
    QPointer<TKTMultiGlyphButton> MouseHeldButton;
    TPianoKeyEvent OnPianoKeyDown, OnPianoKeyUp;
};
