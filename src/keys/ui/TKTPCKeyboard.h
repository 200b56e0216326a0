// The picture of the PC keyboard: a drawn button for each of the 73 definable keys,
// labelled with what the key plays (its caption, or its first note in small numbered
// notation with octave dots), lit while the key is down, and played with the mouse.
// The labels are painted into the window's working skin, from which every button
// takes its picture; the view itself paints nothing.
#pragma once

#include "controller/IControllerPorts.h"
#include "keys/KeyDef.h"
#include "keys/KeyTable.h"

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>

class TKTMultiGlyphButton;

class TKTPCKeyboard final : public IPCKeyboardView {
public:
    // Numbered labels: steel blue on the released picture, black on the pressed one.
    static constexpr QRgb ReleasedLabelColour = 0xff3d7a99; // (61, 122, 153)
    static constexpr QRgb PressedLabelColour = 0xff000000;
    static constexpr QRgb CaptionColour = 0xff000000;

    using TKeyHandler = std::function<void(int keyIndex)>;

    // The buttons are children of `window` and show `workingFace`, the skin every
    // control of the window draws from; labels are painted into it over the pictures
    // of `pristineFace` (the skin as loaded), with the symbols of `staffMask`. All
    // four and `keyDefs` (the live key definitions) must outlive the view. The keys
    // start released and unlabelled: the octave shifts given at start-up draw them.
    TKTPCKeyboard(QWidget* window, const QImage& pristineFace, QImage& workingFace,
                  const QImage& staffMask, const TKeyDefSet& keyDefs);
    ~TKTPCKeyboard() override;
    TKTPCKeyboard(const TKTPCKeyboard&) = delete;
    TKTPCKeyboard& operator=(const TKTPCKeyboard&) = delete;

    // IPCKeyboardView.
    void SetKeyState(int keyIndex, bool pressed) override;
    void ReleaseAll() override;
    void RefreshAllKeys() override;
    void LeftOctaveChanged(int shift) override;
    void RightOctaveChanged(int shift) override;
    void SetSixKeyLabels(bool on) override;
    // The state last given to a key with a button (false for the others).
    bool KeyState(int keyIndex) const;

    // Enables or disables every key button (disabled while a song plays back).
    void SetKeysEnabled(bool enabled);
    bool KeysEnabled() const { return Enabled; }

    // Paints key k's label (or its bare picture) into the working face and repaints
    // the button if its picture changed. Keys without a button are left alone.
    void DrawKeyLabel(int keyIndex);
    void DrawAllLabels();

    // The left button pressed and released on a key (the release comes to the key
    // that was pressed, wherever it happens; disabling the keys releases a key the
    // mouse holds), the mouse moved over a key, a double click on a key. Empty
    // handlers are not called.
    void SetOnKeyDown(TKeyHandler handler) { OnKeyDown = std::move(handler); }
    void SetOnKeyUp(TKeyHandler handler) { OnKeyUp = std::move(handler); }
    void SetOnMouseMove(TKeyHandler handler) { OnMouseMove = std::move(handler); }
    void SetOnDoubleClick(TKeyHandler handler) { OnDoubleClick = std::move(handler); }

    // Set while the key-definition editor is being opened: the next press on a key is
    // only shown released and reaches no handler, nor does its release. A double
    // click sets it before its handler runs, so the double click's own press is
    // silent; opening the editor elsewhere sets it through here.
    void SetSkipNextKeyboardPress(bool skip) { SkipNextKeyboardPress = skip; }
    bool IsSkipNextKeyboardPress() const { return SkipNextKeyboardPress; }

    // The button of a key, or null for a key that is not definable.
    QWidget* KeyButton(int keyIndex) const;
    int LeftOctave() const { return LeftShift; }
    int RightOctave() const { return RightShift; }

private:
    class TKeyButton;

    TKTMultiGlyphButton* Button(int keyIndex) const;
    void ShowPressed(int keyIndex, bool pressed);
    void PaintLabel(int keyIndex);
    void MousePressed(int keyIndex);
    void MouseReleased(int keyIndex);
    void DoubleClicked(int keyIndex);

    const QImage& Pristine;
    QImage& Face;
    const QImage& Mask;
    const TKeyDefSet& Defs;
    std::array<QPointer<TKeyButton>, KeyCount> Buttons{};
    std::array<bool, KeyCount> States{};
    // Presses swallowed by SkipNextKeyboardPress, whose releases are swallowed too.
    std::array<bool, KeyCount> SkippedPress{};
    bool Enabled = true;
    bool SkipNextKeyboardPress = false;
    int MouseHeldKey = -1; // the key the left button holds down, or -1
    int LeftShift = 0;
    int RightShift = 0;
    TKeyHandler OnKeyDown, OnKeyUp, OnMouseMove, OnDoubleClick;
};
