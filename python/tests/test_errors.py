"""Wrong arguments raise TypeError or ValueError naming what is wrong;
files that cannot be read or written raise the module's errors with the
file's name. None of them may crash the interpreter."""
import numpy as np
import pytest

import tweenery

GOOD = np.zeros((8, 10, 3), np.uint8)


@pytest.mark.parametrize(
    "a, error, words",
    [
        (np.zeros((8, 10, 3), np.float32), TypeError, "uint8, not float32"),
        (np.zeros((8, 10, 3), np.int8), TypeError, "uint8"),
        (np.zeros((8, 10, 3), bool), TypeError, "uint8"),
        (np.zeros((8, 10), np.uint8), ValueError, "H x W x 3"),
        (np.zeros((8, 10, 2), np.uint8), ValueError, "(8, 10, 2)"),
        (np.zeros((2, 8, 10, 3), np.uint8), ValueError, "shape"),
        (np.zeros((0, 10, 3), np.uint8), ValueError, "no pixels"),
        (np.zeros((8, 0, 3), np.uint8), ValueError, "no pixels"),
        # 20000 x 20000 pixels without the memory: every pixel is one.
        (np.broadcast_to(np.zeros((1, 1, 3), np.uint8), (20000, 20000, 3)), ValueError, "larger than a picture"),
        ([[[0, 0, 0]]], TypeError, "not list"),
        (42, TypeError, "not int"),
        (None, TypeError, "not NoneType"),
        ("", ValueError, "empty"),
    ],
)
def test_pictures_that_are_not_pictures(a, error, words):
    with pytest.raises(error, match="^a ") as caught:
        tweenery.frame(a, GOOD)
    assert words in str(caught.value)
    with pytest.raises(error):
        tweenery.frames(GOOD, a)


@pytest.mark.parametrize(
    "keywords, error, words",
    [
        (dict(operation="Wobble"), ValueError, "unknown operation 'Wobble'"),
        (dict(progress=float("nan")), ValueError, "progress must lie in [0, 1], not nan"),
        (dict(progress=1.5), ValueError, "progress"),
        (dict(progress=-0.0001), ValueError, "progress"),
        (dict(progress="half"), TypeError, ""),
        (dict(modifier="sideways"), ValueError, "modifier 'sideways'"),
        (dict(delta=0), ValueError, "delta must be 1 to 2147483647"),
        (dict(delta=2**31), ValueError, "delta"),
        (dict(delta=2.5), TypeError, "delta must be an integer"),
        (dict(color=(256, 0, 0)), ValueError, "0 to 255"),
        (dict(color=(1, 2)), ValueError, "(r, g, b)"),
        (dict(color="mauvish"), ValueError, "color 'mauvish'"),
        (dict(color=0xFF00FF), TypeError, "color"),
        (dict(seed=-1), ValueError, "seed must be 0 to 2**64 - 1"),
        (dict(seed=2**64), ValueError, "seed"),
        (dict(seed="7"), TypeError, "seed must be an integer"),
        (dict(fit="squash"), ValueError, "fit 'squash'"),
        (dict(size=(0, 10)), ValueError, "1 to 16384"),
        (dict(size=(100000, 100000)), ValueError, "1 to 16384"),
        (dict(size="640x480"), TypeError, "size"),
        (dict(size=(10, 10, 10)), ValueError, "size"),
        (dict(rgb_order="RGGB"), ValueError, "rgb_order"),
        (dict(easing="bouncy"), ValueError, "easing"),
        (dict(fps=0), ValueError, "fps"),
        (dict(fps=float("inf")), ValueError, "fps"),
        (dict(duration=float("nan")), ValueError, "duration"),
        (dict(duration=0.001), ValueError, "shorter than one frame"),
    ],
)
def test_settings_that_cannot_be(keywords, error, words):
    with pytest.raises(error) as caught:
        tweenery.frame(GOOD, GOOD, **keywords)
    assert words in str(caught.value)


def test_frames_refuses_what_frame_refuses():
    with pytest.raises(ValueError, match="hold"):
        tweenery.frames(GOOD, GOOD, hold=-1)
    with pytest.raises(ValueError, match="unknown operation"):
        tweenery.frames(GOOD, GOOD, "Wobble")
    # The value as Python writes it, not three hundred digits.
    with pytest.raises(ValueError, match=r"duration must be 0 to 3600 seconds, not 1e\+300$"):
        tweenery.frames(GOOD, GOOD, duration=1e300)


def test_unreadable_files_name_themselves(tmp_path):
    missing = tmp_path / "missing.png"
    not_a_picture = tmp_path / "notes.png"
    not_a_picture.write_text("hello")
    for file, words in [(missing, "no such file"), (not_a_picture, "not a Windows bitmap, JPEG, PNG or WebP"), (tmp_path, "folder")]:
        with pytest.raises(tweenery.InputError) as caught:
            tweenery.frame(GOOD, file)
        assert caught.value.filename == str(file)
        assert str(file) in str(caught.value) and words in str(caught.value)
        assert isinstance(caught.value, OSError) and isinstance(caught.value, tweenery.Error)


def test_render_raises_the_tools_failures(tmp_path):
    out = tmp_path / "still.png"
    tweenery.render(GOOD, GOOD, out, at=0.5)
    with pytest.raises(tweenery.OutputError) as caught:
        tweenery.render(GOOD, GOOD, out, at=0.5)
    assert caught.value.filename == str(out) and "exists" in str(caught.value)
    tweenery.render(GOOD, GOOD, out, at=0.5, overwrite=True)

    with pytest.raises(tweenery.InputError) as caught:
        tweenery.render(tmp_path / "nowhere.bmp", GOOD, tmp_path / "x.png")
    assert caught.value.filename == str(tmp_path / "nowhere.bmp")

    for keywords, words in [(dict(operation="Wobble"), "unknown operation"), (dict(at=2.0), "--at"),
                            (dict(frame=10**6), "--frame"), (dict(steps=2, duration=1.0), "not both")]:
        with pytest.raises(tweenery.UsageError, match="") as caught:
            tweenery.render(GOOD, GOOD, tmp_path / "y.png", **keywords)
        assert words in str(caught.value) and isinstance(caught.value, ValueError)
    with pytest.raises(tweenery.UsageError) as caught:
        tweenery.render(GOOD, GOOD, tmp_path / "out.doc")
    assert "unknown output format" in str(caught.value)
    with pytest.raises(ValueError, match="both pictures"):
        tweenery.render(GOOD, None, tmp_path / "z.png")
    with pytest.raises(ValueError, match="two or more"):
        tweenery.show([GOOD], tmp_path / "show.gif")
    with pytest.raises(TypeError, match="^pictures\\[1\\]"):
        tweenery.show([GOOD, 3.5], tmp_path / "show.gif")
    assert not list(tmp_path.glob("[xyz].png"))
