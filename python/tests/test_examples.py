"""The examples run as they are documented, on small pictures."""
import os
import shutil
import subprocess
import sys
from pathlib import Path

import numpy as np
import pytest

import tweenery

EXAMPLES = Path(__file__).resolve().parents[1] / "examples"


def run(script, *arguments, cwd):
    # The module this run imports, wherever the examples run from.
    environment = dict(os.environ, PYTHONPATH=str(Path(tweenery.__file__).resolve().parents[1]))
    done = subprocess.run([sys.executable, str(EXAMPLES / script), *map(str, arguments)], cwd=cwd, env=environment,
                          capture_output=True, text=True)
    assert done.returncode == 0, done.stderr


def test_augment_writes_samples_and_mixed_labels(tmp_path):
    run("augment.py", "--count", 12, "--side", 32, "-o", tmp_path / "out.npz", cwd=tmp_path)
    out = np.load(tmp_path / "out.npz")
    assert out["images"].shape == (12, 32, 32, 3) and out["images"].dtype == np.uint8
    assert np.allclose(out["labels"].sum(axis=1), 1)
    assert out["run"].shape == (12, 32, 32, 3)


@pytest.mark.skipif(not shutil.which("ffmpeg"), reason="ffmpeg makes the music and ffprobe reads the streams")
def test_slideshow_with_music(tmp_path):
    music = tmp_path / "tone.wav"
    subprocess.run(["ffmpeg", "-loglevel", "error", "-f", "lavfi", "-i", "sine=duration=3", str(music)], check=True)
    run("slideshow.py", "", music, "-o", tmp_path / "show.mp4", "--size", "64x36", "--hold", 0.2, "--duration", 0.2,
        cwd=tmp_path)
    streams = subprocess.run(["ffprobe", "-loglevel", "error", "-show_entries", "stream=codec_type", "-of", "csv=p=0",
                              str(tmp_path / "show.mp4")], capture_output=True, text=True, check=True).stdout.split()
    assert sorted(streams) == ["audio", "video"]
