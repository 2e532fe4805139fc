#!/usr/bin/python3
# %% [markdown]
# # Augmenting an image dataset with transition frames
#
# Pictures of two classes blend into each other through the transitions:
# each new sample is the frame of a random operation, direction and
# progress between two pictures of the set, labelled with the share of
# each (1 - progress, progress), as mixing augmentations label theirs.
# Arrays in, arrays out:
#
#     python3 python/examples/augment.py [--count 256] [-o augmented.npz]
#
# Here the dataset is made up with NumPy (stripes and discs); put your own
# N x H x W x 3 uint8 images and one-hot labels in its place.

# %%
import argparse
import time

import numpy as np

import tweenery

parser = argparse.ArgumentParser(description="Transition frames between pictures of a dataset.")
parser.add_argument("--count", type=int, default=256, help="samples to make")
parser.add_argument("--side", type=int, default=64, help="the pictures' side in pixels")
parser.add_argument("-o", "--output", default="augmented.npz")
args = parser.parse_args([] if __name__ != "__main__" else None)
rng = np.random.default_rng(0)

# %% A dataset of two classes: stripes (0) and discs (1).
side = args.side
y, x = np.mgrid[0:side, 0:side]
stripes = [np.where(((x + y * k) // 6) % 2 == 0, 230, 20) for k in range(8)]
discs = [np.where((x - c) ** 2 + (y - side // 2) ** 2 < (side // 4) ** 2, 230, 20) for c in range(16, 48, 4)]
images = np.stack([np.stack([p, p[::-1], p.T], -1) for p in stripes + discs]).astype(np.uint8)
labels = np.eye(2)[[0] * len(stripes) + [1] * len(discs)]
print("dataset", images.shape, images.dtype)

# %% The operations that move or mix the whole picture; any of the 28 would do.
operations = [o.name for o in tweenery.operations() if "modifier" in o.reads or o.name in ("Fade", "Mosaic")]
modifiers = ["left", "right", "up", "down"]

# %% New samples: one frame each, composed straight from the arrays.
start = time.perf_counter()
samples = np.empty((args.count, side, side, 3), np.uint8)
mixed = np.empty((args.count, 2))
for n in range(args.count):
    i, j = rng.choice(len(images), 2, replace=False)
    progress = float(rng.uniform(0.2, 0.8))
    samples[n] = tweenery.frame(images[i], images[j], str(rng.choice(operations)), progress,
                                modifier=str(rng.choice(modifiers)), seed=int(rng.integers(2**32)))
    mixed[n] = (1 - progress) * labels[i] + progress * labels[j]
print(f"{args.count} samples in {time.perf_counter() - start:.2f} s")

# %% A whole transition as a batch: frames() composes one frame at a time.
run = np.stack(list(tweenery.frames(images[0], images[-1], "Spiral", duration=0.5, fps=24)))
print("one run", run.shape)

# %%
np.savez_compressed(args.output, images=samples, labels=mixed, run=run)
print(f"wrote {args.output}")
