#!/usr/bin/env python3
"""Draws the product's images: the knob face texture, the fallback image and the manual's
time-difference diagram. Standard library only; the output is the same on every run.

    python3 scripts/resources/make_images.py <resources folder>
"""

import math
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import png  # noqa: E402


def clamp_byte(value):
    return max(0, min(255, int(round(value * 255.0))))


def smooth_noise(count, rng, passes=2):
    """count values in [-1, 1], softened by a few [1, 2, 1] passes (wrapping round)."""
    values = [rng.uniform(-1.0, 1.0) for _ in range(count)]
    for _ in range(passes):
        values = [(values[i - 1] + 2.0 * values[i] + values[(i + 1) % count]) / 4.0
                  for i in range(count)]
    peak = max(abs(v) for v in values) or 1.0
    return [v / peak for v in values]


def knob_face(size=128):
    """Dark spun metal: fine concentric brushing, a soft bow-tie sheen, a bevelled rim."""
    rng = random.Random(346160)
    rings_per_pixel = 3
    rings = smooth_noise(size * rings_per_pixel, rng, passes=1)
    pixels = []
    centre = (size - 1) / 2.0
    for y in range(size):
        for x in range(size):
            dx, dy = x - centre, y - centre
            r = math.hypot(dx, dy) / (size / 2.0)
            theta = math.atan2(dy, dx)
            ring = rings[min(len(rings) - 1, int(r * size / 2.0 * rings_per_pixel))]
            value = 0.17 + 0.05 * (1.0 - min(r, 1.0) ** 2)
            value += 0.022 * ring + 0.008 * rng.uniform(-1.0, 1.0)
            # Light from the upper left catches the brushing across the centre.
            sheen = abs(math.cos(theta + math.pi / 4.0)) ** 6
            value += 0.10 * sheen * (0.35 + 0.65 * min(r, 1.0))
            # A narrow rim, lit at the upper left and shaded at the lower right.
            if r > 0.90:
                rim = min(1.0, (r - 0.90) / 0.06)
                value += rim * 0.09 * math.cos(theta + 3.0 * math.pi / 4.0)
            pixels.append((clamp_byte(value * 0.97), clamp_byte(value * 0.99),
                           clamp_byte(value * 1.04), 255))
    return size, size, pixels


def flat(size, grey):
    return size, size, [(grey, grey, grey, 255)] * (size * size)


def wavelet(t, centre, width=15.0, period=22.0):
    u = (t - centre) / width
    return math.exp(-u * u) * math.sin(2.0 * math.pi * (t - centre) / period)


def time_pan_diagram(width=360, height=150):
    """The same click at both ears: the near channel (top) and the delayed far one (bottom)."""
    background = (0.14, 0.15, 0.17)
    grid = (0.22, 0.235, 0.26)
    near_colour = (0.35, 0.86, 0.87)
    far_colour = (0.85, 0.87, 0.90)
    guide = (0.55, 0.58, 0.62)
    lanes = ((45.0, 118.0, near_colour), (105.0, 178.0, far_colour))
    amplitude = 22.0
    half_width = 1.1

    def coverage(distance):
        return max(0.0, min(1.0, half_width + 0.5 - distance))

    pixels = []
    for y in range(height):
        for x in range(width):
            colour = background
            if x % 30 == 15 or y in (45, 105):
                colour = grid
            # Dashed guides at both peaks' centres, and the span between them.
            for _, centre, _ in lanes:
                if abs(x - centre) < 0.5 and (y // 4) % 2 == 0 and 14 <= y <= 136:
                    colour = guide
            if 118 <= x <= 178 and abs(y - 140) < 0.6:
                colour = guide
            for tip, pointing in ((118, 1), (178, -1)):
                along = (x - tip) * pointing
                if 0 <= along <= 6 and abs(y - 140) <= along * 0.6:
                    colour = guide
            for lane, centre, lane_colour in lanes:
                t = float(x)
                value = wavelet(t, centre)
                slope = (wavelet(t + 0.5, centre) - wavelet(t - 0.5, centre)) * amplitude
                distance = abs(y - (lane - amplitude * value)) / math.sqrt(1.0 + slope * slope)
                a = coverage(distance)
                if a > 0.0:
                    colour = tuple(c * (1.0 - a) + l * a for c, l in zip(colour, lane_colour))
            pixels.append(tuple(clamp_byte(c) for c in colour) + (255,))
    return width, height, pixels


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "resources"
    outputs = {
        os.path.join(root, "editor", "knob-face.png"): knob_face(),
        # The same face for screens of twice the density (scale factors above 1).
        os.path.join(root, "editor", "knob-face@2x.png"): knob_face(256),
        os.path.join(root, "editor", "fallback.png"): flat(8, 128),
        os.path.join(root, "manual", "images", "time-pan.png"): time_pan_diagram(),
    }
    for path, (w, h, pixels) in outputs.items():
        os.makedirs(os.path.dirname(path), exist_ok=True)
        png.write_rgba(path, w, h, pixels)
        print(f"{path}: {w} x {h}, {os.path.getsize(path)} bytes")


if __name__ == "__main__":
    main()
