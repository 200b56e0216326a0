// The staff view's three panels: key signature, heads on the grand staff, numbered
// column.
#include "ui/TKTStaff.h"

#include "ui/SkinRect.h"
#include "ui/StaffSpelling.h"
#include "ui/StampMask.h"

namespace {
using namespace SkinLayout;

// The accidental sprites of the staff and the numbered column: sharp, flat, natural.
const TSkinRect* AccidentalSprite(uint8_t accidental) {
    switch (accidental) {
    case 1:
        return &MaskSharp;
    case 2:
        return &MaskFlat;
    case NaturalSign:
        return &MaskNatural;
    default:
        return nullptr;
    }
}

// What a panel's picture depends on in a slot.
bool SameLook(const TKeyNote& a, const TKeyNote& b) {
    return a.Degree == b.Degree && a.Accidental == b.Accidental && a.Octave == b.Octave &&
           a.IsLeft() == b.IsLeft();
}

bool SameLook(const std::array<TKeyNote, KeySlotCount>& a,
              const std::array<TKeyNote, KeySlotCount>& b) {
    for (size_t i = 0; i < a.size(); ++i)
        if (!SameLook(a[i], b[i])) return false;
    return true;
}

std::array<TKeyNote, KeySlotCount> Copy(const TKeyNote (&notes)[KeySlotCount]) {
    std::array<TKeyNote, KeySlotCount> copy;
    std::copy(std::begin(notes), std::end(notes), copy.begin());
    return copy;
}
} // namespace

TKTStaff::TKTStaff(QWidget* mainWindow, const QImage* skin, const QImage* staffMask)
    : Skin(skin), Mask(staffMask) {
    SignatureView = MakePanel(mainWindow, SignaturePanel, KeySignaturePanel);
    StaffView = MakePanel(mainWindow, StaffPanel, SkinLayout::StaffPanel);
    NumberedView = MakePanel(mainWindow, NumberedPanel, SkinLayout::NumberedPanel);
    SetKeySignature(0);
    ClearNotes();
}

TKTStaff::~TKTStaff() {
    // The buttons show this object's pictures: they go with it.
    delete SignatureView.data();
    delete StaffView.data();
    delete NumberedView.data();
}

TKTMultiGlyphButton* TKTStaff::MakePanel(QWidget* mainWindow, QImage& panel,
                                         const TSkinRect& place) {
    ClearPanel(panel, place);
    auto* button = new TKTMultiGlyphButton(mainWindow);
    button->setGeometry(ToQRect(place));
    button->SetGlyph(&panel);
    button->SetStateOrigin(0, {0, 0});
    button->SetState(0);
    button->show(); // also when the window is already on the screen
    return button;
}

void TKTStaff::ClearPanel(QImage& panel, const TSkinRect& place) const {
    if (Skin && !Skin->isNull()) {
        panel = Skin->copy(ToQRect(place)).convertToFormat(QImage::Format_RGB32);
    } else {
        panel = QImage(place.Width, place.Height, QImage::Format_RGB32);
        panel.fill(Qt::black);
    }
}

void TKTStaff::SetKeySignature(int code) {
    if (SignatureDrawn && code == SignatureCode) return;
    SignatureCode = code;
    SignatureDrawn = true;
    ClearPanel(SignaturePanel, KeySignaturePanel);
    if (Mask && code >= 1 && code <= 14) {
        const bool sharps = code <= 7;
        const int count = sharps ? code : code - 7;
        const QRect sprite = ToQRect(sharps ? MaskKeySignatureSharp : MaskKeySignatureFlat);
        const auto& treble = sharps ? TrebleSharpTops : TrebleFlatTops;
        const auto& bass = sharps ? BassSharpTops : BassFlatTops;
        for (int k = 1; k <= count; ++k) {
            const int x = KeySignatureSymbolLeft(k);
            const auto i = static_cast<size_t>(k - 1);
            StampMask(SignaturePanel, *Mask, {x, treble[i]}, SignatureColour, sprite);
            StampMask(SignaturePanel, *Mask, {x, bass[i]}, SignatureColour, sprite);
        }
    }
    if (SignatureView) SignatureView->update();
}

void TKTStaff::ShowNotes(TSlots& notes, int transpose) {
    SortKeyNotes(notes);
    ShowNumbered(notes);
    ShowOnStaff(notes, transpose);
}

void TKTStaff::ShowNumbered(const TSlots& notes) {
    const TShown shown = Copy(notes);
    if (NumberedShown && SameLook(*NumberedShown, shown)) return;
    NumberedShown = shown;
    ClearPanel(NumberedPanel, SkinLayout::NumberedPanel);
    if (Mask) {
        // The column is centred on the panel, the last slot (the highest of a sorted
        // chord) on top.
        int total = -NumberedDigitGap;
        for (const TKeyNote& slot : notes) {
            if (!slot.HasNote()) break;
            total +=
                DrawNumberedNote(nullptr, *Mask, 0, {}, true, true, slot, 0) + NumberedDigitGap;
        }
        int y = (NumberedPanel.height() - total) / 2;
        for (int i = KeySlotCount - 1; i >= 0; --i) {
            const TKeyNote& slot = notes[i];
            if (!slot.HasNote()) continue;
            y += DrawNumberedNote(&NumberedPanel, *Mask, NumberedDigitLeft, {}, true, false, slot,
                                  y) +
                 NumberedDigitGap;
        }
    }
    if (NumberedView) NumberedView->update();
}

void TKTStaff::ShowOnStaff(TSlots& notes, int transpose) {
    for (TKeyNote& slot : notes)
        RespellForKey(slot, transpose);
    const TShown shown = Copy(notes);
    if (StaffShown && SameLook(*StaffShown, shown)) return;
    StaffShown = shown;
    ClearPanel(StaffPanel, SkinLayout::StaffPanel);
    // Two heads a step apart (or on the same step) would overlap: the second of such a
    // pair stands beside the first.
    for (int i = 0; i < KeySlotCount && notes[i].HasNote();) {
        const bool pair = i + 1 < KeySlotCount && (SameStaffStep(notes[i], notes[i + 1]) ||
                                                   NextStaffStep(notes[i], notes[i + 1]));
        DrawOnStaff(notes[i], false);
        if (pair) DrawOnStaff(notes[i + 1], true);
        i += pair ? 2 : 1;
    }
    if (StaffView) StaffView->update();
}

void TKTStaff::DrawOnStaff(const TKeyNote& written, bool shifted) {
    // The staff has places from C2 to C6 only; a note outside them is left to the
    // numbered column.
    const int top = StaffNoteTop(written.Octave, written.Degree);
    if (top < 0 || !Mask) return;
    const QColor colour = KeyboardColour(written);
    StampMask(StaffPanel, *Mask, {shifted ? StaffShiftedHeadLeft : StaffHeadLeft, top}, colour,
              ToQRect(MaskNoteHead));
    if (const TSkinRect* sprite = AccidentalSprite(written.Accidental))
        StampMask(StaffPanel, *Mask, {StaffAccidentalLeft, top - StaffAccidentalRaise}, colour,
                  ToQRect(*sprite));
}

void TKTStaff::ShowChord(const THeldChord& chord, int transpose) {
    TSlots notes;
    std::copy(std::begin(chord.Notes), std::end(chord.Notes), std::begin(notes));
    ShowNotes(notes, transpose);
}

void TKTStaff::ShowSingleNote(int midiNote, uint8_t keyboard, int velocity, int transpose) {
    TSlots notes;
    std::fill(std::begin(notes), std::end(notes), THeldChord::EmptyKeyNote());
    notes[0].Keyboard = keyboard;
    notes[0].Velocity = velocity;
    MidiToSlot(midiNote, transpose, notes[0]);
    ShowNumbered(notes);
    ShowOnStaff(notes, transpose);
}

void TKTStaff::ClearNotes() {
    TSlots notes;
    std::fill(std::begin(notes), std::end(notes), THeldChord::EmptyKeyNote());
    ShowNotes(notes, 0);
}

int TKTStaff::DrawNumberedNote(QImage* target, const QImage& mask, int x, const QColor& colour,
                               bool keyboardColour, bool measureOnly, const TKeyNote& slot, int y) {
    if (!IsDrawableDegree(slot)) return 0;
    const int height = NumberedDigitHeight(slot.Octave);
    if (height == 0 || measureOnly || !target) return height;
    const QColor c = keyboardColour ? KeyboardColour(slot) : colour;
    if (const TSkinRect* sprite = AccidentalSprite(slot.Accidental))
        StampMask(*target, mask, {x - NumberedAccidentalGap, y}, c, ToQRect(*sprite));
    StampMask(*target, mask, {x, y}, c, ToQRect(MaskNumberedDigit(slot.Octave, slot.Degree)));
    return height;
}
