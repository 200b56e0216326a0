#include "keys/KTDIKeyBoard.h"

#include "keys/KeyTable.h"

TKTDIKeyBoard::TKTDIKeyBoard(TPostMessage post, const TKeySourceStarter& extraSource)
    : Post(std::move(post)) {
    if (extraSource) Extra = extraSource(State);
    Worker = std::thread([this] { Run(); });
}

TKTDIKeyBoard::~TKTDIKeyBoard() {
    if (Extra) Extra->Stop();
    State.Stop(); // wakes the worker, which then ends
    if (Worker.joinable()) Worker.join();
}

void TKTDIKeyBoard::SetActive(bool on) {
    Active = on;
    if (on) State.Wake();
}

void TKTDIKeyBoard::Acquire() {
    State.SetAcquired(true);
}

void TKTDIKeyBoard::Unacquire() {
    State.SetAcquired(false);
}

int TKTDIKeyBoard::ReadState(std::array<uint8_t, 256>& state) const {
    State.Read(state);
    return 0;
}

void TKTDIKeyBoard::Run() {
    while (State.Wait())
        if (Active) Scan();
}

namespace {
bool IsModifier(int code) {
    return code == DIK::LSHIFT || code == DIK::RSHIFT || code == DIK::LCONTROL ||
           code == DIK::RCONTROL || code == DIK::LMENU || code == DIK::RMENU;
}
} // namespace

void TKTDIKeyBoard::Scan() {
    std::array<uint8_t, 256> now{};
    std::array<bool, 256> struckBack{};
    State.ReadAndReset(now, struckBack);
    // Changes that fell into one scan are posted modifiers down first and modifiers
    // up last, so that Ctrl+R typed quickly is still a command, not a note and a
    // lone Ctrl.
    enum TPass { ModifiersDown, Others, ModifiersUp };
    for (TPass pass : {ModifiersDown, Others, ModifiersUp})
        for (int code = 0; code < 256; ++code) {
            const auto c = static_cast<size_t>(code);
            const int keyIndex = KeyIndexOfCode(code);
            // Codes outside the key table are never posted, nor is their state kept.
            if (keyIndex < 0 || !Post) continue;
            const bool down = (now[c] & 0x80) != 0;
            const bool changed = now[c] != LastState[c];
            const TPass own = !changed || !IsModifier(code) ? Others
                              : down                        ? ModifiersDown
                                                            : ModifiersUp;
            if (own != pass) continue;
            if (!changed) {
                // A tap between two scans is posted whole: the stroke, then its end.
                if (struckBack[c]) {
                    Post(down ? WM_DIKEYUP : WM_DIKEYDOWN, code, keyIndex);
                    Post(down ? WM_DIKEYDOWN : WM_DIKEYUP, code, keyIndex);
                }
                continue;
            }
            Post(down ? WM_DIKEYDOWN : WM_DIKEYUP, code, keyIndex);
            LastState[c] = now[c];
        }
}
