#!/usr/bin/python3
"""Writes the alert jingle assets/Sound/Kouka.mid (standard library only).

A four-bar tune in C major at 150 beats a minute (6.4 s), written as a
Standard MIDI File of format 1 for General MIDI instruments:

  channel 1   glockenspiel   the melody
  channel 2   celesta        the melody an octave lower, softly
  channel 3   pizzicato      chords on the off-beats (beats 2 and 4)
  channel 4   acoustic bass  root and fifth on beats 1 and 3
  channel 10  percussion     closed hi-hat eighths, soft kick, tambourine,
                             a triangle on the first beat

The program repeats the tune until the user ends the alert, so the last bar
sits on the dominant and runs down to the leading tone, which resolves onto
the first note when the tune starts again. Every track ends exactly at the
end of bar 4, so the repeat keeps the beat.

The output is byte-identical on every run: no time stamps, no randomness.

Usage: make_tune.py [output.mid]
"""

import os
import struct
import sys

TICKS_PER_QUARTER = 480
EIGHTH = TICKS_PER_QUARTER // 2
BAR = 4 * TICKS_PER_QUARTER
BARS = 4
TUNE_END = BARS * BAR
MICROSECONDS_PER_QUARTER = 400000  # 150 beats a minute

# General MIDI programs (0-based) and percussion keys.
CELESTA = 8
GLOCKENSPIEL = 9
ACOUSTIC_BASS = 32
PIZZICATO_STRINGS = 45
KICK = 36
CLOSED_HI_HAT = 42
TAMBOURINE = 54
OPEN_TRIANGLE = 81

# Melody as (key, length in eighths), bar after bar; chords in comments.
MELODY = [
    # C
    (72, 1), (76, 1), (79, 1), (84, 1), (79, 2), (76, 2),
    # F | G
    (77, 1), (81, 1), (84, 1), (81, 1), (79, 2), (74, 2),
    # Am | F
    (76, 1), (81, 1), (84, 1), (81, 1), (77, 1), (81, 1), (84, 2),
    # G7: down to the leading tone B, which resolves onto the opening C
    (86, 1), (84, 1), (83, 1), (81, 1), (79, 1), (77, 1), (74, 1), (71, 1),
]

C_MAJOR = (60, 64, 67)
F_MAJOR = (60, 65, 69)
G_MAJOR = (59, 62, 67)
A_MINOR = (60, 64, 69)
G_SEVENTH = (59, 65, 67)
# One chord for each half bar, played on beats 2 and 4.
OFFBEAT_CHORDS = [C_MAJOR, C_MAJOR, F_MAJOR, G_MAJOR, A_MINOR, F_MAJOR, G_SEVENTH, G_SEVENTH]
# One bass note for each half bar, on beats 1 and 3; the last one walks up to C.
BASS = [48, 43, 41, 43, 45, 41, 43, 47]


def vlq(value):
    """MIDI variable-length quantity."""
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def meta(kind, data):
    return bytes([0xFF, kind]) + vlq(len(data)) + data


def track_chunk(events):
    """events: (tick, order, bytes). Note-offs sort before note-ons at the same
    tick so a repeated key is released before it is struck again."""
    body = b""
    now = 0
    for tick, _, data in sorted(events, key=lambda e: (e[0], e[1])):
        body += vlq(tick - now) + data
        now = tick
    body += vlq(TUNE_END - now) + meta(0x2F, b"")
    return b"MTrk" + struct.pack(">I", len(body)) + body


def note(events, channel, key, start, length, velocity, gate=0.85):
    off = start + int(length * gate)
    events.append((start, 2, bytes([0x90 | channel, key, velocity])))
    events.append((off, 0, bytes([0x80 | channel, key, 0])))


def channel_setup(channel, program, volume, pan, reverb):
    events = [
        (0, 1, bytes([0xB0 | channel, 7, volume])),
        (0, 1, bytes([0xB0 | channel, 10, pan])),
        (0, 1, bytes([0xB0 | channel, 91, reverb])),
        (0, 1, bytes([0xB0 | channel, 93, 0])),
    ]
    if program is not None:
        events.append((0, 1, bytes([0xC0 | channel, program])))
    return events


def named(name, events):
    return [(0, 0, meta(0x03, name.encode("ascii")))] + events


def conductor_track():
    return named("Kouka", [
        (0, 1, meta(0x58, bytes([4, 2, 24, 8]))),  # 4/4
        (0, 1, meta(0x59, bytes([0, 0]))),  # C major
        (0, 1, meta(0x51, MICROSECONDS_PER_QUARTER.to_bytes(3, "big"))),
    ])


def melody_track(name, channel, program, transpose, volume, pan, accent, soft):
    events = channel_setup(channel, program, volume, pan, 40)
    start = 0
    for key, eighths in MELODY:
        on_beat = start % TICKS_PER_QUARTER == 0
        note(events, channel, key + transpose, start, eighths * EIGHTH, accent if on_beat else soft)
        start += eighths * EIGHTH
    assert start == TUNE_END, "the melody must fill the four bars exactly"
    return named(name, events)


def chord_track():
    channel = 2
    events = channel_setup(channel, PIZZICATO_STRINGS, 84, 84, 30)
    for half, chord in enumerate(OFFBEAT_CHORDS):
        start = half * 2 * TICKS_PER_QUARTER + TICKS_PER_QUARTER
        for key in chord:
            note(events, channel, key, start, EIGHTH, 64)
    return named("Pizzicato", events)


def bass_track():
    channel = 3
    events = channel_setup(channel, ACOUSTIC_BASS, 92, 64, 20)
    for half, key in enumerate(BASS):
        note(events, channel, key, half * 2 * TICKS_PER_QUARTER, TICKS_PER_QUARTER, 90)
    return named("Bass", events)


def percussion_track():
    channel = 9
    events = channel_setup(channel, None, 80, 64, 30)
    for eighth in range(TUNE_END // EIGHTH):
        start = eighth * EIGHTH
        beat, offbeat = divmod(eighth, 2)
        note(events, channel, CLOSED_HI_HAT, start, EIGHTH, 30 if offbeat else 44)
        if not offbeat:
            note(events, channel, KICK if beat % 2 == 0 else TAMBOURINE, start, EIGHTH, 64 if beat % 2 == 0 else 50)
    note(events, channel, OPEN_TRIANGLE, 0, TICKS_PER_QUARTER, 58)
    return named("Percussion", events)


def tune():
    tracks = [
        conductor_track(),
        melody_track("Glockenspiel", 0, GLOCKENSPIEL, 0, 112, 70, 100, 84),
        melody_track("Celesta", 1, CELESTA, -12, 80, 52, 58, 48),
        chord_track(),
        bass_track(),
        percussion_track(),
    ]
    header = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), TICKS_PER_QUARTER)
    return header + b"".join(track_chunk(t) for t in tracks)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    default = os.path.join(here, os.pardir, "assets", "Sound", "Kouka.mid")
    path = sys.argv[1] if len(sys.argv) > 1 else default
    data = tune()
    with open(path, "wb") as out:
        out.write(data)
    seconds = TUNE_END / TICKS_PER_QUARTER * MICROSECONDS_PER_QUARTER / 1e6
    print(f"{os.path.normpath(path)}: {len(data)} bytes, {seconds:.2f} s")


if __name__ == "__main__":
    main()
