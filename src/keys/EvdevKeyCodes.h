// Linux input key codes (evdev, as the kernel and X11 report them) turned into the
// key codes the program keeps: the DirectInput numbering of the key table.
#pragma once

// The program's code for an evdev key code, or -1 for keys the program has no code
// for. Under X11 a key event's native scan code is the evdev code plus 8.
int DikOfEvdevCode(int evdevCode);
