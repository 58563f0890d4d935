#!/usr/bin/env python3
"""Checks screenshots of the "play" window against the trace of the same run.

Usage: check_play_view.py PAUSED.jsonl PAUSED.ppm SOLVED.ppm
PAUSED.jsonl is the run's trace as it stood while the demo was paused, and
PAUSED.ppm was taken then, while the demo stood paused after its first sensor was lit
and before its second was: the balls must lie where the trace's last pass
puts them (within 2 pixels), the lit sensor's ring must be brighter than the
unlit one's, and the heads-up line must be there. SOLVED is taken after the
drawing was solved: the heads-up line then says so in gold. Prints what it
measured; exits 1 on the first failure.
"""
import json
import sys


def read_ppm(path):
    data = open(path, 'rb').read()
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b'#':
            at = data.index(b'\n', at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    if fields[0] != b'P6' or fields[3] != b'255':
        sys.exit('%s is no 8-bit PPM picture' % path)
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[at + 1:at + 1 + 3 * width * height]


class Picture:
    def __init__(self, path):
        self.width, self.height, self.rgb = read_ppm(path)

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return self.rgb[i], self.rgb[i + 1], self.rgb[i + 2]

    def around(self, cx, cy, radius):
        """(x, y, (r, g, b)) of the pixels within `radius` of (cx, cy)."""
        for y in range(max(0, int(cy - radius)), min(self.height, int(cy + radius) + 2)):
            for x in range(max(0, int(cx - radius)), min(self.width, int(cx + radius) + 2)):
                if (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius:
                    yield x, y, self.pixel(x, y)


def fail(message):
    print('FAIL: ' + message)
    sys.exit(1)


def is_ball(rgb):
    # The balls are shaded orange; nothing else of the game is as red.
    r, g, b = rgb
    # Dark shading, or under the darkened band of "Paused", keeps its hue.
    return r > 25 and g < 0.6 * r and b < 0.5 * r


def is_yellow(rgb):
    r, g, b = rgb
    return r > 100 and g > 0.5 * r and b < 0.7 * g


def is_gold(rgb):
    r, g, b = rgb
    return r > 220 and g > 170 and b < 130


def main():
    trace = [json.loads(line) for line in open(sys.argv[1]) if line.strip()]
    paused, solved = Picture(sys.argv[2]), Picture(sys.argv[3])
    events = [(p['pass'], e) for p in trace for e in p['events']]
    views = [e for _, e in events if e['type'] == 'playView']
    if not views:
        fail('no playView event in the trace')
    view = views[-1]
    if (paused.width, paused.height) != (int(view['width']), int(view['height'])):
        fail('the window is %d x %d, the trace says %d x %d' % (paused.width, paused.height, view['width'], view['height']))

    def to_window(x, y):
        return view['ax'] * x + view['bx'], view['ay'] * y + view['by']

    # The drawing of the last new map: its balls come first among the moving bodies.
    built = max(n for n, e in events if e['type'] == 'ball')
    balls = [e for n, e in events if n == built and e['type'] == 'ball']
    sensors = [e for n, e in events if n == built and e['type'] == 'sensor']
    last = trace[-1]
    radius = 3.5 * abs(view['ax'])  # beyond a ball's radius in window pixels
    centres = []
    for i, (x, y) in enumerate(last['moving'][:len(balls)]):
        ex, ey = to_window(x, y)
        found = [(px, py) for px, py, rgb in paused.around(ex, ey, radius) if is_ball(rgb)]
        if len(found) < 20:
            fail('ball %d: no ball drawn about (%.1f, %.1f)' % (i, ex, ey))
        gx = (min(p[0] for p in found) + max(p[0] for p in found)) / 2.0
        gy = (min(p[1] for p in found) + max(p[1] for p in found)) / 2.0
        print('ball %d: the trace puts it at (%.1f, %.1f), drawn at (%.1f, %.1f)' % (i, ex, ey, gx, gy))
        if abs(gx - ex) > 2.0 or abs(gy - ey) > 2.0:
            fail('ball %d is drawn %.1f, %.1f pixels from where the trace puts it' % (i, gx - ex, gy - ey))
        centres.append((ex, ey))

    # A sensor is lit once a ball has touched it; its ring then glows. The
    # ring's own pixels are the yellow ones about it (paper and halo are
    # pale, the balls orange); the brightest quarter of them is compared.
    touched = [(e['x'], e['y']) for _, e in events if e['type'] == 'touched']
    ball_reach = 1.1 * abs(view['ax']) + 2.0
    rings = {}
    for s in sensors:
        cx, cy = to_window(s['x'], s['y'])
        lit = any(abs(t[0] - s['x']) < 1e-3 and abs(t[1] - s['y']) < 1e-3 for t in touched)
        values = sorted(sum(rgb) / 3.0 for px, py, rgb in paused.around(cx, cy, 1.8 * abs(view['ax']))
                        if is_yellow(rgb)
                        and all((px - bx) ** 2 + (py - by) ** 2 > ball_reach ** 2 for bx, by in centres))
        if len(values) < 20:
            fail('no sensor ring drawn about (%.1f, %.1f)' % (cx, cy))
        brightness = sum(values[-len(values) // 4:]) / max(1, len(values) // 4)
        rings.setdefault(lit, []).append(brightness)
        print('sensor at (%.1f, %.1f), %s: ring brightness %.0f' % (cx, cy, 'lit' if lit else 'unlit', brightness))
    if True not in rings or False not in rings:
        fail('the paused picture needs a lit and an unlit sensor; lit: %s' % rings)
    if min(rings[True]) <= max(rings[False]) + 10:
        fail('a lit ring (%s) is not brighter than an unlit one (%s)' % (rings[True], rings[False]))

    # The heads-up line: a dark band across the top with words in it.
    for name, picture in (('paused', paused), ('solved', solved)):
        band = [sum(picture.pixel(x, y)) / 3.0 for y in range(2, 34) for x in range(0, picture.width, 2)]
        below = [sum(picture.pixel(x, y)) / 3.0 for y in range(60, 92) for x in range(0, picture.width, 2)]
        words = sum(1 for v in band if v > 190)
        print('%s: heads-up band %.0f bright against %.0f below it, %d word pixels' % (
            name, sum(band) / len(band), sum(below) / len(below), words))
        if words < 40 or sum(band) / len(band) > 0.8 * sum(below) / len(below):
            fail('no heads-up line in the %s picture' % name)

    # "Solved in ..." stands in gold where "Time ..." stood in white.
    def gold_in_time_field(picture):
        return sum(1 for y in range(2, 34) for x in range(int(picture.width * 0.46), int(picture.width * 0.75))
                   if is_gold(picture.pixel(x, y)))
    before, after = gold_in_time_field(paused), gold_in_time_field(solved)
    print('gold in the time field: %d before solving, %d after' % (before, after))
    if before > 5 or after < 40:
        fail('the heads-up line does not say that the drawing was solved')
    print('ok')


main()
