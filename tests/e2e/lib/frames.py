"""The frame model: the saver's two frames (bitmaps 101 and 102 of the
committed media), which of them a screenshot shows in a given rectangle,
and where a frame lies on an otherwise black screen. Knows nothing of Wine.

The frames are dithered, so single pixels say little once scaled: a frame is
recognised by the mean colours of blocks of the part where the two frames
differ, which a shift of a pixel or two hardly changes."""

import math
import os
import subprocess

from .display import Image

FRAME_IDS = (101, 102)


def _read(path):
    """A bitmap's pixels, as ImageMagick reads them."""
    ppm = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                         stdout=subprocess.PIPE).stdout
    _, size, _, data = ppm.split(b"\n", 3)
    return Image(*map(int, size.split()), data)


def _colour(image, x, y):
    return tuple(image.row(y, x, x + 1))


def _mean(pixels):
    n = max(1, len(pixels))
    return [sum(p[c] for p in pixels) / n for c in range(3)]


class Frames:

    def __init__(self, media_dir):
        self.bitmaps = {i: _read(os.path.join(media_dir, "frame%d.bmp" % i)) for i in FRAME_IDS}
        a, b = (self.bitmaps[i] for i in FRAME_IDS)
        self.width, self.height = a.width, a.height
        diff = [(x, y) for y in range(a.height) for x in range(a.width)
                if _colour(a, x, y) != _colour(b, x, y)]
        self._diff = (min(x for x, _ in diff), min(y for _, y in diff),
                      max(x for x, _ in diff) + 1, max(y for _, y in diff) + 1)
        self._bbox = {i: bmp.bbox_nonblack() for i, bmp in self.bitmaps.items()}
        self._blocks = {}

    def _blocks_of(self, bw, bh):
        """Blocks of bw x bh bitmap pixels whose mean colours differ clearly
        between the frames: (x, y, mean in 101, mean in 102)."""
        if (bw, bh) not in self._blocks:
            x0, y0, x1, y1 = self._diff
            out = []
            for by in range(y0, y1 - bh + 1, bh):
                for bx in range(x0, x1 - bw + 1, bw):
                    means = [_mean([_colour(bmp, x, y) for y in range(by, by + bh)
                                    for x in range(bx, bx + bw)])
                             for bmp in (self.bitmaps[i] for i in FRAME_IDS)]
                    if sum(abs(u - v) for u, v in zip(*means)) >= 45:
                        out.append((bx, by, means[0], means[1]))
            self._blocks[(bw, bh)] = out
        return self._blocks[(bw, bh)]

    def classify(self, image, rect):
        """101 or 102 when the image, in the screen rectangle (left, top,
        right, bottom) where a whole frame is drawn, is clearly nearer to one
        frame (at most half the distance to the other); else None."""
        left, top, right, bottom = rect
        sx, sy = (right - left) / self.width, (bottom - top) / self.height
        bw, bh = max(2, math.ceil(12 / sx)), max(2, math.ceil(12 / sy))
        blocks = self._blocks_of(bw, bh)
        ix0, iy0, ix1, iy1 = image.region()
        dist = [0.0, 0.0]
        for bx, by, *means in blocks:
            x0, y0 = round(left + bx * sx), round(top + by * sy)
            x1, y1 = round(left + (bx + bw) * sx), round(top + (by + bh) * sy)
            if x0 < ix0 or y0 < iy0 or x1 > ix1 or y1 > iy1 or x1 <= x0 or y1 <= y0:
                return None
            rows = [image.row(y, x0, x1) for y in range(y0, y1)]
            n = (x1 - x0) * (y1 - y0)
            seen = [sum(sum(r[c::3]) for r in rows) / n for c in range(3)]
            for k in (0, 1):
                dist[k] += sum(abs(u - v) for u, v in zip(seen, means[k]))
        if dist[0] <= 0.5 * dist[1]:
            return FRAME_IDS[0]
        if dist[1] <= 0.5 * dist[0]:
            return FRAME_IDS[1]
        return None

    def locate(self, image):
        """(frame, rect) when the image's non-black pixels are exactly a
        frame's content: rect is where the whole frame is drawn, measured
        from the content's edges. None otherwise."""
        bbox = image.bbox_nonblack()
        if bbox is None:
            return None
        for frame in FRAME_IDS:
            c0, r0, c1, r1 = self._bbox[frame]
            sx, sy = (bbox[2] - bbox[0]) / (c1 - c0), (bbox[3] - bbox[1]) / (r1 - r0)
            left, top = bbox[0] - c0 * sx, bbox[1] - r0 * sy
            rect = (left, top, left + self.width * sx, top + self.height * sy)
            if self.classify(image, rect) == frame:
                return frame, rect
        return None
