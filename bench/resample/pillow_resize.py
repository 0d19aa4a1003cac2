#!/usr/bin/python3
"""Peer timings for the resample benchmark: Pillow's bicubic resize.

Builds the same kind of picture as resample_bench (smooth gradients per
channel with fine noise over them, from a fixed seed) in memory and prints,
per case, the best of several runs of Image.resize(..., BICUBIC) alone:

    peer/resample_6000x4000_to_1500x1000 <seconds>
"""
import sys
import time

from PIL import Image, ImageChops

CASES = [
    ((6000, 4000), (1500, 1000)),
    ((6000, 4000), (700, 467)),
    ((1000, 667), (4000, 2667)),
]


def noise_tile(size, seed):
    """Gray noise around 128 (+-16) from a xorshift generator, as raw bytes."""
    state = seed
    data = bytearray(size * size)
    for i in range(len(data)):
        state ^= (state << 13) & 0xFFFFFFFF
        state ^= state >> 17
        state ^= (state << 5) & 0xFFFFFFFF
        data[i] = 112 + (state & 31)
    return Image.frombytes("L", (size, size), bytes(data))


def photo_like(width, height):
    horizontal = Image.linear_gradient("L").rotate(90).resize((width, height), Image.BILINEAR)
    vertical = Image.linear_gradient("L").resize((width, height), Image.BILINEAR)
    diagonal = ImageChops.add(horizontal, ImageChops.invert(vertical), scale=2.0)
    # A prime-sized tile repeated over the picture keeps the noise cheap to
    # build in Python without showing a regular pattern at these sizes.
    tile = noise_tile(509, 20261206)
    noise = Image.new("L", (width, height))
    for y in range(0, height, 509):
        for x in range(0, width, 509):
            noise.paste(tile, (x, y))
    channels = [ImageChops.add(g, noise, scale=1.0, offset=-128) for g in (horizontal, vertical, diagonal)]
    return Image.merge("RGB", channels[::-1])


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    pictures = {}
    for (sw, sh), (dw, dh) in CASES:
        if (sw, sh) not in pictures:
            pictures[(sw, sh)] = photo_like(sw, sh)
        picture = pictures[(sw, sh)]
        best = float("inf")
        for _ in range(runs):
            start = time.perf_counter()
            picture.resize((dw, dh), Image.BICUBIC)
            best = min(best, time.perf_counter() - start)
        print(f"peer/resample_{sw}x{sh}_to_{dw}x{dh} {best:.6f}", flush=True)


if __name__ == "__main__":
    main()
