import os
from typing import Iterable, Iterator, Sequence, Tuple, Union

import numpy as np
import numpy.typing as npt

# An H x W x 3 (RGB) or H x W x 4 (RGBA) uint8 array, or a picture file.
Picture = Union[npt.NDArray[np.uint8], str, bytes, os.PathLike[str], os.PathLike[bytes]]
# (r, g, b) with each 0 to 255, "#RRGGBB" or a colour name ("white", "clBtnFace").
Color = Union[Tuple[int, int, int], Sequence[int], str]
Size = Union[Tuple[int, int], Sequence[int]]
FileName = Union[str, bytes, os.PathLike[str], os.PathLike[bytes]]

__all__: list[str]

class Error(Exception):
    """What tweenery raises when it cannot do what it was asked."""
    filename: str | None

class InputError(Error, OSError):
    """A picture that cannot be read."""

class OutputError(Error, OSError):
    """Output that cannot be written, or exists and may not be replaced."""

class UsageError(Error, ValueError):
    """Settings that cannot be carried out as given."""

class Preset:
    """What choosing an operation in the dialog writes into the component."""
    @property
    def interval(self) -> int: ...
    @property
    def steps(self) -> int: ...
    @property
    def delta(self) -> int | None: ...
    @property
    def reverse_on_done(self) -> bool: ...

class Operation:
    """One of the 28 transition operations."""
    @property
    def name(self) -> str: ...
    @property
    def ident(self) -> str: ...
    @property
    def reads(self) -> tuple[str, ...]: ...
    @property
    def random(self) -> bool: ...
    @property
    def preset(self) -> Preset: ...

def operations() -> list[Operation]:
    """The 28 operations in the dialog's order, with what each reads and its preset."""

def frame(
    a: Picture,
    b: Picture,
    operation: str = "Push",
    progress: float = 0.5,
    *,
    modifier: str = "left",
    reverse: bool = False,
    delta: int | None = None,
    color: Color | None = None,
    seed: int | None = None,
    fit: str = "contain",
    size: Size | None = None,
    rgb_order: str = "RGB",
    easing: str = "linear",
    duration: float = 1.5,
    fps: float = 30.0,
) -> npt.NDArray[np.uint8]:
    """The picture of the transition from a to b at progress (0: a, 1: b)."""

class Frames(Iterator[npt.NDArray[np.uint8]]):
    """The frames of one transition, composed one by one as they are asked for."""
    def __len__(self) -> int: ...
    def __iter__(self) -> Frames: ...
    def __next__(self) -> npt.NDArray[np.uint8]: ...

def frames(
    a: Picture,
    b: Picture,
    operation: str = "Push",
    *,
    modifier: str = "left",
    reverse: bool = False,
    delta: int | None = None,
    color: Color | None = None,
    seed: int | None = None,
    fit: str = "contain",
    size: Size | None = None,
    rgb_order: str = "RGB",
    duration: float = 1.0,
    fps: float = 30.0,
    easing: str = "ease-in-out",
    hold: float = 0.0,
) -> Frames:
    """The frames of the transition from a to b, as an iterator of arrays."""

def render(
    a: Picture | None,
    b: Picture | None,
    output: FileName,
    operation: str = "Push",
    *,
    modifier: str = "left",
    reverse: bool = False,
    delta: int | None = None,
    color: Color | None = None,
    rgb_order: str = "RGB",
    preset: bool = False,
    size: Size | None = None,
    fit: str = "contain",
    seed: int | None = None,
    steps: int | None = None,
    interval: int | None = None,
    duration: float | None = None,
    fps: float | None = None,
    easing: str | None = None,
    hold: float = 0.0,
    frame: int | None = None,
    at: float | None = None,
    overwrite: bool = False,
    png_level: int = 1,
    threads: int | None = None,
    jobs: int | None = None,
    max_frames: int = 100000,
    verbose: bool = False,
    codec: str | None = None,
    crf: int | None = None,
    video_preset: str | None = None,
    pix_fmt: str | None = None,
    bitrate: int | str | None = None,
    alpha: bool = False,
    offset: float | None = None,
) -> None:
    """Writes the transition from a to b into output, as `tweenery render`."""

def show(
    pictures: Iterable[Picture] | None,
    output: FileName,
    operation: str | Sequence[str] = "Push",
    *,
    modifier: str = "left",
    reverse: bool = False,
    delta: int | None = None,
    color: Color | None = None,
    rgb_order: str = "RGB",
    preset: bool = False,
    size: Size | None = None,
    fit: str = "contain",
    seed: int | None = None,
    duration: float | Sequence[float] | None = None,
    fps: float | None = None,
    easing: str | Sequence[str] | None = None,
    hold: float | Sequence[float] | None = None,
    overwrite: bool = False,
    png_level: int = 1,
    threads: int | None = None,
    jobs: int | None = None,
    max_frames: int = 100000,
    verbose: bool = False,
    timeline: FileName | None = None,
    codec: str | None = None,
    crf: int | None = None,
    video_preset: str | None = None,
    pix_fmt: str | None = None,
    bitrate: int | str | None = None,
    alpha: bool = False,
    audio: FileName | None = None,
    audio_fade: float | None = None,
) -> None:
    """Writes a slideshow of pictures (or of a timeline file) into output, as `tweenery show`."""
