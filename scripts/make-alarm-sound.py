#!/usr/bin/env python3
"""Writes the alarm sound Alarm2.wav: three double beeps of a synthesized tone.

Usage: scripts/make-alarm-sound.py [OUTPUT]
(default: src/platform/linux/resources/Alarm2.wav). The output depends only on
this script, so running it again gives the same bytes.
"""
import math
import struct
import sys
import wave
from pathlib import Path

RATE = 22050
VOLUME = 0.45 * 32767
FADE = 0.008  # seconds of fade in and out: no clicks at the edges of a beep


def beep(frequency, seconds):
    count = int(RATE * seconds)
    fade = int(RATE * FADE)
    samples = []
    for i in range(count):
        envelope = min(1.0, i / fade, (count - 1 - i) / fade)
        # A little of the third harmonic makes the tone cut through like a bell.
        t = i / RATE
        value = math.sin(2 * math.pi * frequency * t) + 0.25 * math.sin(2 * math.pi * 3 * frequency * t)
        samples.append(int(VOLUME * envelope * value / 1.25))
    return samples


def silence(seconds):
    return [0] * int(RATE * seconds)


def alarm():
    samples = []
    for _ in range(3):
        samples += beep(988, 0.09) + silence(0.05) + beep(1319, 0.12) + silence(0.25)
    return samples


def main():
    default = Path(__file__).resolve().parent.parent / "src/platform/linux/resources/Alarm2.wav"
    output = Path(sys.argv[1]) if len(sys.argv) > 1 else default
    with wave.open(str(output), "wb") as sound:
        sound.setnchannels(1)
        sound.setsampwidth(2)
        sound.setframerate(RATE)
        sound.writeframes(b"".join(struct.pack("<h", s) for s in alarm()))


if __name__ == "__main__":
    main()
