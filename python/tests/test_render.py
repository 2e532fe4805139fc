"""render() and show(): the tool's commands with keywords, on arrays and files."""
import numpy as np

import tweenery
from conftest import picture, read_bmp, write_bmp


def test_render_writes_the_frame_that_frame_gives(tmp_path, pair):
    a, b, a_file, b_file = pair
    for operation, progress in [("Blinds", 0.35), ("Swarm", 0.6)]:
        tweenery.render(a, b, tmp_path / "arrays.bmp", operation, at=progress, seed=5, delta=4, modifier="up",
                        overwrite=True)
        tweenery.render(a_file, b_file, tmp_path / "files.bmp", operation, at=progress, seed=5, delta=4, modifier="up",
                        overwrite=True)
        want = tweenery.frame(a, b, operation, progress, seed=5, delta=4, modifier="up")
        assert np.array_equal(read_bmp(tmp_path / "arrays.bmp"), want)
        assert np.array_equal(read_bmp(tmp_path / "files.bmp"), want)


def test_render_writes_videos(tmp_path, pair):
    a, b, _, _ = pair
    tweenery.render(a, b, tmp_path / "push.gif", duration=0.2, fps=10)
    assert (tmp_path / "push.gif").read_bytes()[:4] == b"GIF8"
    tweenery.render(None, None, str(tmp_path / "built-in.mp4"), "Roll", duration=0.2, size=(64, 32))
    assert (tmp_path / "built-in.mp4").read_bytes()[4:8] == b"ftyp"


def test_show_holds_each_picture_and_joins_them(tmp_path):
    pictures = [picture(32, 24, seed) for seed in (7, 8, 9)]
    files = [pictures[0], write_bmp(tmp_path / "second.bmp", pictures[1]), pictures[2]]
    tweenery.show(files, tmp_path / "show" / "f%03d.bmp", ["Push", "Fade"], hold=0.1, duration=0.2, fps=10)
    frames = [read_bmp(f) for f in sorted((tmp_path / "show").glob("f*.bmp"))]
    # One held frame, then two of each transition and one held after it.
    assert len(frames) == 1 + 2 * (2 + 1)
    assert np.array_equal(frames[0], pictures[0])
    assert np.array_equal(frames[3], pictures[1])
    assert np.array_equal(frames[-1], pictures[2])
    # The temporary pictures are gone with the run.
    tweenery.show(pictures, tmp_path / "random.gif", "random", seed=3, size=(40, 20), duration=0.2, fps=10, hold=0.1)
    assert (tmp_path / "random.gif").stat().st_size > 0
