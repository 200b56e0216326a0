#!/usr/bin/python3
# Prints the events of a MIDI file as Python's mido reads them, one a line, with
# absolute times in ticks: "tpb N", "note CH PITCH ON OFF", "cc CH CTL VALUE T",
# "program CH PROGRAM T". Notes are paired on and off per channel and pitch.
import sys

import mido

midi = mido.MidiFile(sys.argv[1])
print("tpb", midi.ticks_per_beat)
sounding = {}
notes = []
for track in midi.tracks:
    t = 0
    for msg in track:
        t += msg.time
        if msg.type == "note_on" and msg.velocity > 0:
            sounding.setdefault((msg.channel, msg.note), []).append(t)
        elif msg.type in ("note_on", "note_off"):
            starts = sounding.get((msg.channel, msg.note))
            if starts:
                notes.append((starts.pop(0), msg.channel, msg.note, t))
        elif msg.type == "control_change":
            print("cc", msg.channel, msg.control, msg.value, t)
        elif msg.type == "program_change":
            print("program", msg.channel, msg.program, t)
for (on, ch, pitch, off) in sorted(notes):
    print("note", ch, pitch, on, off)
