"""Pictures, the tool and a Windows bitmap reader and writer for the tests.

The module is compared with the command-line tool, which reads and writes
24-bit Windows bitmaps losslessly; both sides of every comparison go through
files written here, so neither relies on the other's codecs.
"""
import os
import struct
import subprocess
from pathlib import Path

import numpy as np
import pytest


def tool_path() -> str:
    tool = os.environ.get("TWEENERY_TOOL")
    if tool:
        return tool
    return str(Path(__file__).resolve().parents[2] / "build" / "release" / "tools" / "tweenery")


def run_tool(*arguments: str) -> None:
    done = subprocess.run([tool_path(), *map(str, arguments), "-q", "-y"], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr


def write_bmp(path: Path, rgb: np.ndarray) -> Path:
    height, width, _ = rgb.shape
    row = (width * 3 + 3) & ~3
    pixels = np.zeros((height, row), np.uint8)
    pixels[:, : width * 3] = rgb[::-1, :, 2::-1].reshape(height, width * 3)
    header = struct.pack("<2sIHHI", b"BM", 54 + pixels.size, 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, pixels.size, 2835, 2835, 0, 0)
    path.write_bytes(header + info + pixels.tobytes())
    return path


def read_bmp(path: Path) -> np.ndarray:
    data = path.read_bytes()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    assert bits in (24, 32), f"{path}: {bits}-bit bitmap"
    step = bits // 8
    row = (abs(width) * step + 3) & ~3
    rows = np.frombuffer(data, np.uint8, row * abs(height), offset).reshape(abs(height), row)
    pixels = rows[:, : width * step].reshape(abs(height), width, step)[:, :, 2::-1]
    return np.ascontiguousarray(pixels if height < 0 else pixels[::-1])


def picture(width: int, height: int, seed: int) -> np.ndarray:
    """Smooth bands and noise, different for every seed: a mistaken source
    pixel shows."""
    rng = np.random.default_rng(seed)
    y, x = np.mgrid[0:height, 0:width]
    base = np.stack([x * 255 // max(width - 1, 1), y * 255 // max(height - 1, 1), (x + y) % 256], axis=-1)
    return ((base + rng.integers(0, 64, (height, width, 3))) % 256).astype(np.uint8)


@pytest.fixture
def pair(tmp_path):
    """Two pictures of 64 x 40 as arrays and as bitmap files."""
    a, b = picture(64, 40, 1), picture(64, 40, 2)
    return a, b, write_bmp(tmp_path / "a.bmp", a), write_bmp(tmp_path / "b.bmp", b)
