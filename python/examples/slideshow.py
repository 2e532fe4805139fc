#!/usr/bin/python3
# %% [markdown]
# # A slideshow from a folder of pictures
#
# Every picture in a folder (Windows bitmap, JPEG, PNG), in name order,
# fitted to 1280 x 720, each held two seconds and joined to the next by a
# transition drawn from a seed, written as an H.264 video by the same code
# as `tweenery show`. Run it as a script or cell by cell:
#
#     python3 python/examples/slideshow.py FOLDER [MUSIC] [-o slideshow.mp4]
#
# Without a folder it makes a few pictures of its own with NumPy. With a
# music file, its sound is laid under the slideshow, cut to the video's
# length and faded out over its last two seconds.

# %%
import argparse
import sys
from pathlib import Path

import numpy as np

import tweenery

parser = argparse.ArgumentParser(description="A slideshow of the pictures in a folder.")
parser.add_argument("folder", nargs="?", help="folder of pictures (default: pictures made here)")
parser.add_argument("music", nargs="?", help="a sound file (MP3, AAC, WAV, ...) to lay under the slideshow")
parser.add_argument("-o", "--output", default="slideshow.mp4")
parser.add_argument("--size", default="1280x720", help="frame size WxH")
parser.add_argument("--hold", type=float, default=2.0, help="seconds each picture is held")
parser.add_argument("--duration", type=float, default=1.2, help="seconds of each transition")
args = parser.parse_args(sys.argv[1:] if "ipykernel" not in sys.modules else [])
width, height = (int(side) for side in args.size.lower().split("x"))

# %% The pictures: files from the folder, or arrays made here.
if args.folder:
    pictures = sorted(p for p in Path(args.folder).iterdir() if p.suffix.lower() in {".bmp", ".jpg", ".jpeg", ".png"})
else:
    y, x = np.mgrid[0:height, 0:width]
    pictures = [np.stack([(x * k // 5) % 256, (y * (6 - k) // 5) % 256, np.full_like(x, 40 * k)], -1).astype(np.uint8)
                for k in range(1, 6)]
if len(pictures) < 2:
    sys.exit(f"{args.folder}: a slideshow needs two or more pictures")
print(f"{len(pictures)} pictures")

# %% The slideshow: random operations and directions, the same for the same
# seed, and the music under it.
tweenery.show(pictures, args.output, "random", seed=3, size=(width, height), fit="cover", hold=args.hold,
              duration=args.duration, easing="ease-in-out", audio=args.music, audio_fade=2.0, overwrite=True)
print(f"wrote {args.output}" + (f" with {args.music}" if args.music else ""))
