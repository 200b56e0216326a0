// Keys with a fixed role in playing: the notebook replacements of the numeric
// keypad and the four drum keys.
#pragma once

// The key a main-block key stands for in notebook mode ("K" is "Num-1", ...);
// any other code comes back as it is.
int NotebookCode(int code);

// General MIDI percussion note of a drum key ("'" 36, "[" 38, "]" 40, "\" 42) by
// key index, or -1 for every other key.
int DrumNoteOfKey(int keyIndex);
