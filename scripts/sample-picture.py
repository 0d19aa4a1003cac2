#!/usr/bin/env python3
# A made-up landscape photograph (1800 x 1200 pixels at 200 pixels per inch,
# so 9 x 6 inches) to frame in the manual's screenshots:
#   python3 scripts/sample-picture.py lake.jpg
import math, random, sys
from PIL import Image, ImageDraw, ImageFilter
W, H = 1800, 1200
random.seed(7)
img = Image.new('RGB', (W, H))
px = img.load()
horizon = int(H * 0.58)
for y in range(horizon):
    t = y / horizon
    r = int(70 + 170 * t ** 1.6); g = int(120 + 105 * t ** 1.3); b = int(190 + 45 * t)
    for x in range(W):
        px[x, y] = (r, g, b)
d = ImageDraw.Draw(img)
# sun glow
glow = Image.new('L', (W, H), 0)
gd = ImageDraw.Draw(glow)
sx, sy = int(W * 0.72), int(H * 0.30)
for rad in range(260, 0, -4):
    gd.ellipse((sx - rad, sy - rad, sx + rad, sy + rad), fill=int(255 * (1 - rad / 260) ** 2))
img = Image.composite(Image.new('RGB', (W, H), (255, 236, 190)), img, glow)
d = ImageDraw.Draw(img)
d.ellipse((sx - 45, sy - 45, sx + 45, sy + 45), fill=(255, 248, 225))
def ridge(base, amp, freq, colour, seed):
    random.seed(seed)
    phases = [random.random() * 6.28 for _ in range(4)]
    pts = [(0, H)]
    for x in range(0, W + 10, 10):
        y = base - amp * (0.5 * math.sin(x * freq + phases[0]) + 0.3 * math.sin(x * freq * 2.3 + phases[1])
                          + 0.2 * math.sin(x * freq * 5.1 + phases[2]))
        pts.append((x, y))
    pts.append((W, H))
    d.polygon(pts, fill=colour)
ridge(horizon - 150, 120, 0.004, (150, 160, 190), 1)
ridge(horizon - 70, 90, 0.006, (105, 125, 150), 2)
ridge(horizon - 10, 60, 0.009, (70, 100, 95), 3)
# lake
d.rectangle((0, horizon, W, H), fill=(96, 138, 170))
for i in range(140):
    y = random.randint(horizon + 5, H - 1); x = random.randint(0, W); l = random.randint(30, 160)
    d.line((x, y, x + l, y), fill=(150, 185, 205), width=2)
# near shore with trees
pts = [(0, H)] + [(x, H - 230 + 40 * math.sin(x * 0.004) + 25 * math.sin(x * 0.013)) for x in range(0, W + 10, 10)] + [(W, H)]
d.polygon(pts, fill=(58, 92, 48))
for i in range(60):
    x = random.randint(-20, W); base = H - 200 + random.randint(0, 120); h = random.randint(120, 300); w = h // 3
    d.polygon([(x, base - h), (x - w // 2, base), (x + w // 2, base)], fill=(30 + random.randint(0, 20), 62 + random.randint(0, 25), 38))
img = img.filter(ImageFilter.GaussianBlur(1.2))
img.save(sys.argv[1], quality=92, dpi=(200, 200))
