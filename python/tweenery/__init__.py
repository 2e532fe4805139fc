"""Transitions between two pictures: frames as NumPy arrays, videos, slideshows.

    >>> import numpy as np, tweenery
    >>> a = np.zeros((1080, 1920, 3), np.uint8); b = np.full_like(a, 255)
    >>> tweenery.frame(a, b, "Push", progress=0.5).shape
    (1080, 1920, 3)

frame() gives one picture, frames() an iterator of a whole run, render()
and show() write videos, stills and slideshows as the `tweenery` tool does;
operations() lists the 28 operations. Every picture equals the tool's for
the same settings.
"""

from ._tweenery import (
    Error,
    Frames,
    InputError,
    Operation,
    OutputError,
    Preset,
    UsageError,
    frame,
    frames,
    operations,
    render,
    show,
)

__all__ = [
    "Error",
    "Frames",
    "InputError",
    "Operation",
    "OutputError",
    "Preset",
    "UsageError",
    "frame",
    "frames",
    "operations",
    "render",
    "show",
]
