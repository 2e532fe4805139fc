"""Frames as arrays against the tool's frames for the same settings, and
the layouts of arrays the module reads in place."""
import tracemalloc

import numpy as np
import pytest

import tweenery
from conftest import picture, read_bmp, run_tool, write_bmp

OPERATIONS = [operation.name for operation in tweenery.operations()]


def assert_same(got: np.ndarray, want: np.ndarray, what: str = "") -> None:
    assert got.dtype == np.uint8 and got.shape == want.shape, f"{what}: {got.shape} {got.dtype}, want {want.shape}"
    wrong = np.argwhere(np.any(got != want, axis=-1))
    assert len(wrong) == 0, f"{what}: {len(wrong)} pixels differ, the first at (y, x) = {tuple(wrong[0])}"


def look_of(index: int):
    """Settings that differ from operation to operation: every direction,
    both forms, fill colours, seeds."""
    look = dict(modifier=["left", "right", "up", "down"][index % 4], reverse=index % 3 == 0, delta=3 + index % 9,
                seed=1000 + index)
    if index % 2 == 0:
        look["color"] = (200, 30, 90)
    options = ["--modifier", look["modifier"], "--delta", str(look["delta"]), "--seed", str(look["seed"])]
    options += ["--reverse"] if look["reverse"] else []
    options += ["--color", "#C81E5A"] if "color" in look else []
    return look, options


@pytest.mark.parametrize("index, name", list(enumerate(OPERATIONS)))
def test_frames_equal_the_tools_frames(tmp_path, pair, index, name):
    a, b, a_file, b_file = pair
    look, options = look_of(index)
    progress = (index * 37 % 100) / 100
    run_tool("render", a_file, b_file, "--operation", name, *options, "--at", repr(progress), "-o", tmp_path / "at.bmp")
    assert_same(tweenery.frame(a, b, name, progress, **look), read_bmp(tmp_path / "at.bmp"), f"{name} at {progress}")

    run_tool("render", a_file, b_file, "--operation", name, *options, "--duration", "0.3", "--easing", "ease-in-out",
             "-o", tmp_path / "run" / "f%03d.bmp")
    want = sorted((tmp_path / "run").glob("f*.bmp"))
    got = list(tweenery.frames(a, b, name, duration=0.3, **look))
    assert len(got) == len(want) == 9
    for n, (frame, file) in enumerate(zip(got, want)):
        assert_same(frame, read_bmp(file), f"{name} frame {n}")


@pytest.mark.parametrize("fit", ["contain", "cover", "stretch"])
def test_pictures_are_fitted_as_the_tool_fits_them(tmp_path, fit):
    # A wide and a tall picture, into a frame of a third shape; with and
    # without a colour, which is both the letterbox and the fill.
    a, b = picture(90, 30, 3), picture(20, 50, 4)
    a_file, b_file = write_bmp(tmp_path / "a.bmp", a), write_bmp(tmp_path / "b.bmp", b)
    for color, options in [(None, []), ("#3366FF", ["--color", "#3366FF"])]:
        run_tool("render", a_file, b_file, "--operation", "Zoom", "--size", "48x36", "--fit", fit, *options,
                 "--at", "0.25", "-o", tmp_path / "want.bmp")
        got = tweenery.frame(a, b, "Zoom", 0.25, size=(48, 36), fit=fit, color=color)
        assert_same(got, read_bmp(tmp_path / "want.bmp"), f"{fit} {color}")
    # Without a size, the frame is a's size and b is fitted to it.
    assert tweenery.frame(a, b, "Fade", fit=fit).shape == (30, 90, 3)


def test_files_and_arrays_of_every_layout_give_the_same_frame(pair):
    a, b, a_file, b_file = pair
    want = tweenery.frame(a, b, "Roll", 0.4)
    assert_same(tweenery.frame(a_file, str(b_file), "Roll", 0.4), want, "files")
    mirrored = np.ascontiguousarray(a[:, ::-1])
    layouts = {
        "fortran order": (np.asfortranarray(a), b),
        "negative strides": (mirrored[:, ::-1], b),
        "every other column of a wider picture": (np.repeat(a, 2, axis=1)[:, ::2], b),
        "channels last of a planar array": (np.ascontiguousarray(a.transpose(2, 0, 1)).transpose(1, 2, 0), b),
        "read-only": (np.frombuffer(a.tobytes(), np.uint8).reshape(a.shape), b),
        "opaque RGBA": (np.dstack([a, np.full(a.shape[:2], 255, np.uint8)]), np.dstack([b, np.full(b.shape[:2], 255, np.uint8)])),
        "a memoryview": (memoryview(a), b),
    }
    for what, (x, y) in layouts.items():
        got = tweenery.frame(x, y, "Roll", 0.4)
        assert_same(got[..., :3], want, what)
    rgba = tweenery.frame(layouts["opaque RGBA"][0], b, "Roll", 0.4)
    assert rgba.shape == (40, 64, 4) and np.all(rgba[..., 3] == 255)


def test_alpha_is_composed_onto_black(pair):
    a, b, _, _ = pair
    half = np.dstack([a, np.full(a.shape[:2], 128, np.uint8)])
    got = tweenery.frame(half, b, "Fade", 0.0)
    assert_same(got[..., :3], ((a.astype(np.uint32) * 128 + 127) // 255).astype(np.uint8), "alpha 128")


def test_arrays_are_read_in_place_and_frames_written_in_place():
    # 1000 x 1000: a copy of an input or of the frame would show as 3 MB
    # more traced by NumPy's allocator than the one frame it returns.
    a = picture(1000, 1000, 5)
    b = np.asfortranarray(picture(1000, 1000, 6))
    size = a.nbytes
    for x, y in [(a, a[::-1]), (b, a[:, ::-1]), (a[:, :, ::-1], b)]:
        tweenery.frame(x, y, "Push", 0.3)  # once, so that any one-time allocation is done
        tracemalloc.start()
        frame = tweenery.frame(x, y, "Push", 0.3)
        _, peak = tracemalloc.get_traced_memory()
        tracemalloc.stop()
        assert frame.nbytes == size and frame.flags.c_contiguous
        assert peak < size + size // 4, f"{peak} bytes traced for a frame of {size}"


def test_frames_is_a_lazy_iterator_with_a_length(pair):
    a, b, _, _ = pair
    run = tweenery.frames(a, b, "Push", duration=0.5, fps=20, hold=0.1)
    assert len(run) == 2 + 10 + 2
    assert iter(run) is run
    got = list(run)
    assert len(got) == len(run)
    assert all(f.shape == (40, 64, 3) for f in got)
    # The held frames are the run's first and last.
    assert_same(got[0], got[2], "first held")
    assert_same(got[-1], got[-3], "last held")
    with pytest.raises(StopIteration):
        next(run)
    assert len(tweenery.frames(a, b, "Push", duration=0.04, fps=25)) == 1
    assert len(tweenery.frames(a, b, fps=29.97, duration=1)) == 30


def test_operations_list_what_the_tool_lists():
    done = run_listing()
    operations = tweenery.operations()
    assert [o.name for o in operations] == [line.split()[0] for line in done]
    keywords = {"Delta": "delta", "Modifier": "modifier", "Reverse": "reverse", "RGBOrder": "rgb_order", "Color": "color"}
    for operation, line in zip(operations, done):
        listed = {keywords[word] for word in line.split()[1:] if word in keywords}
        assert set(operation.reads) == listed, operation.name
        assert operation.ident == "to" + operation.name
    push = next(o for o in operations if o.name == "Push")
    assert push.preset.steps >= 1 and push.preset.interval >= 1 and not push.random
    assert {o.name for o in operations if o.random} == {"RandomBars", "TwinRandomBars", "Swarm"}


def run_listing():
    import subprocess

    from conftest import tool_path

    out = subprocess.run([tool_path(), "list"], capture_output=True, text=True, check=True).stdout
    lines = out.splitlines()
    start = next(i for i, line in enumerate(lines) if line.startswith("Operation")) + 1
    return [line for line in lines[start:] if line.strip()]


def test_calls_one_after_another_keep_nothing_of_the_last(tmp_path):
    # frame() reads each array into memory a call before gave up, without
    # clearing it: a picture of another size or content shows none of theirs.
    pictures = [picture(64, 40, 11), picture(64, 40, 12), picture(30, 70, 13), picture(64, 40, 14)]
    files = [write_bmp(tmp_path / f"{n}.bmp", p) for n, p in enumerate(pictures)]
    for n in range(len(pictures) - 1):
        for name in ("Roll", "Swarm"):
            got = tweenery.frame(pictures[n], pictures[n + 1], name, 0.5, seed=2)
            want = tweenery.frame(files[n], files[n + 1], name, 0.5, seed=2)
            assert_same(got, want, f"{name}, pictures {n} and {n + 1}")


@pytest.mark.parametrize("width", range(1, 14))
def test_packed_rows_pass_through_unchanged_at_every_width(width):
    # Packed RGB rows are converted a few pixels a step with a plain tail;
    # every width up to three steps past the tail shows both parts' pixels.
    rng = np.random.default_rng(width)
    a = rng.integers(0, 256, (3, width, 3), np.uint8)
    b = rng.integers(0, 256, (3, width, 3), np.uint8)
    assert_same(tweenery.frame(a, b, "Push", progress=0.0), a, f"width {width}")
    assert_same(tweenery.frame(a, b, "Push", progress=1.0), b, f"width {width}")


def test_frame_arrays_keep_their_pixels_while_others_come_and_go():
    # Frame-sized arrays share their memory's pool with the bitmaps: an
    # array given up is reused, one still held never is.
    a = np.zeros((1200, 1200, 3), np.uint8)
    b = np.full_like(a, 255)
    held = {p: tweenery.frame(a, b, "Push", progress=p, modifier="left") for p in (0.0, 0.5, 1.0)}
    for _ in range(12):
        tweenery.frame(b, a, "Fade", progress=0.25)
    del held[0.5]
    later = [tweenery.frame(b, a, "Push", progress=0.0) for _ in range(10)]
    assert np.all(held[0.0] == 0) and np.all(held[1.0] == 255)
    assert all(np.all(f == 255) for f in later)
    assert held[0.0].base is not None and held[0.0].flags.writeable
