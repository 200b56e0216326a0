// The staff view below the piano strips: the key signature of the transposition, the
// notes held drawn as heads on a grand staff in real pitch, and the same notes as a
// column of numbered notation (movable do, with octave dots). Three panels, each a
// picture of its own shown by a glyph button on the main window; the staff lines and
// backgrounds come from the skin, the symbols are stamped in colour through the
// staff mask.
#pragma once

#include "controller/IControllerPorts.h"
#include "keys/KeyDef.h"
#include "ui/SkinLayout.h"
#include "ui/TKTMultiGlyphButton.h"

#include <QColor>
#include <QImage>
#include <QPointer>

#include <array>
#include <optional>

class TKTStaff : public IStaffView {
public:
    using TSlots = TKeyNote[KeySlotCount];

    static inline const QColor LeftColour{255, 153, 0};  // orange
    static inline const QColor RightColour{255, 255, 0}; // yellow
    static inline const QColor SignatureColour{0, 146, 195};

    // The panels' buttons become children of `mainWindow`. The skin and the mask must
    // outlive this object. Shows key signature 0 and no notes.
    TKTStaff(QWidget* mainWindow, const QImage* skin, const QImage* staffMask);
    ~TKTStaff() override;
    TKTStaff(const TKTStaff&) = delete;
    TKTStaff& operator=(const TKTStaff&) = delete;

    // 0 none, 1..7 sharps, 8..14 seven plus the flats; other codes show none.
    void SetKeySignature(int code) override;
    int KeySignature() const { return SignatureCode; }

    // Sorts the notes, draws the numbered column from them, then respells them for the
    // transposition and draws them on the staff: the array is left sorted and respelled.
    void ShowNotes(TSlots& notes, int transpose);
    // The two halves of ShowNotes, without the sorting.
    void ShowNumbered(const TSlots& notes);
    void ShowOnStaff(TSlots& notes, int transpose);

    // IStaffView: what the performance controller shows.
    void ShowChord(const THeldChord& chord, int transpose) override;
    void ShowSingleNote(int midiNote, uint8_t keyboard, int velocity, int transpose) override;
    void ClearNotes() override;

    // Stamps one slot of numbered notation with its top-left corner at (x, y) of the
    // target: its accidental (if any) 8 pixels left of x, then the digit with its
    // octave dots. The colour is the slot's keyboard colour when `keyboardColour` is
    // set, else `colour`. Returns the digit's height (0 for an empty slot, or an
    // octave above 8, which draw nothing). With `measureOnly` or no target it only
    // measures. Needs no staff object: the key-definition editor's preview uses it.
    static int DrawNumberedNote(QImage* target, const QImage& mask, int x, const QColor& colour,
                                bool keyboardColour, bool measureOnly, const TKeyNote& slot, int y);
    static QColor KeyboardColour(const TKeyNote& slot) {
        return slot.IsLeft() ? LeftColour : RightColour;
    }

    // The three panels as they are now drawn.
    const QImage& KeySignaturePicture() const { return SignaturePanel; }
    const QImage& StaffPicture() const { return StaffPanel; }
    const QImage& NumberedPicture() const { return NumberedPanel; }
    TKTMultiGlyphButton* KeySignatureButton() const { return SignatureView; }
    TKTMultiGlyphButton* StaffButton() const { return StaffView; }
    TKTMultiGlyphButton* NumberedButton() const { return NumberedView; }

private:
    using TShown = std::array<TKeyNote, KeySlotCount>;

    TKTMultiGlyphButton* MakePanel(QWidget* mainWindow, QImage& panel,
                                   const SkinLayout::TSkinRect& place);
    void ClearPanel(QImage& panel, const SkinLayout::TSkinRect& place) const;
    void DrawOnStaff(const TKeyNote& written, bool shifted);

    const QImage* Skin;
    const QImage* Mask;
    QImage SignaturePanel, StaffPanel, NumberedPanel;
    QPointer<TKTMultiGlyphButton> SignatureView, StaffView, NumberedView;
    int SignatureCode = 0;
    bool SignatureDrawn = false;
    // What each note panel shows now, so that showing the same again paints nothing.
    std::optional<TShown> NumberedShown, StaffShown;
};
