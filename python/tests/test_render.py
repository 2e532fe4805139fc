"""render() and show(): the tool's commands with keywords, on arrays and files."""
import numpy as np
import pytest

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


def test_show_takes_lists_of_durations_holds_and_easings_used_in_turn(tmp_path):
    pictures = [picture(16, 12, seed) for seed in (1, 2, 3, 4)]
    tweenery.show(pictures, tmp_path / "lists" / "f%03d.bmp", "Push", duration=[0.5, 0.2], hold=(0.2, 0.1),
                  easing=["linear", "cubic-bezier(0.4, 0, 0.2, 1)"], fps=10)
    frames = [read_bmp(f) for f in sorted((tmp_path / "lists").glob("f*.bmp"))]
    # Holds 2, 1, 2, 1 frames; transitions of 5, 2 and 5 (the lists repeat).
    assert len(frames) == 6 + 12
    starts = [0, 2 + 5, 7 + 1 + 2, 10 + 2 + 5]
    for start, held in zip(starts, pictures):
        assert np.array_equal(frames[start], held)
    assert not np.array_equal(frames[3], pictures[0]) and not np.array_equal(frames[3], pictures[1])
    for wrong, error in [(dict(duration=[]), ValueError), (dict(duration=["1"]), TypeError),
                         (dict(hold=[0.1, "x"]), TypeError), (dict(easing=[1]), TypeError),
                         (dict(duration=[1, float("nan")]), tweenery.UsageError)]:
        with pytest.raises(error):
            tweenery.show(pictures, tmp_path / "never.gif", **wrong)


def test_show_reads_a_timeline_and_names_it_in_its_errors(tmp_path):
    for seed, name in [(1, "one.bmp"), (2, "two.bmp")]:
        write_bmp(tmp_path / name, picture(16, 12, seed))
    timeline = tmp_path / "show.txt"
    timeline.write_text("one.bmp 0.1 Fade 0.3\n# the end\ntwo.bmp 0.2\n")
    tweenery.show(None, tmp_path / "t" / "f%03d.bmp", timeline=timeline, fps=10)
    assert len(list((tmp_path / "t").glob("f*.bmp"))) == 1 + 3 + 2
    timeline.write_text("one.bmp 0.1 Pussh\ntwo.bmp\n")
    with pytest.raises(tweenery.InputError) as caught:
        tweenery.show(None, tmp_path / "x.gif", timeline=timeline)
    assert caught.value.filename == str(timeline)
    assert f"{timeline}:1: unknown operation 'Pussh'" in str(caught.value)
    with pytest.raises(tweenery.InputError) as caught:
        tweenery.show(None, tmp_path / "x.gif", timeline=tmp_path / "gone.txt")
    assert caught.value.filename == str(tmp_path / "gone.txt")
    with pytest.raises(ValueError, match="not both"):
        tweenery.show([tmp_path / "one.bmp", tmp_path / "two.bmp"], tmp_path / "x.gif", timeline=timeline)


def probe(path, entries):
    import subprocess
    done = subprocess.run(["ffprobe", "-loglevel", "error", "-show_entries", entries, "-of", "csv=p=0", str(path)],
                          capture_output=True, text=True, check=True)
    return done.stdout.split()


needs_ffprobe = pytest.mark.skipif(not __import__("shutil").which("ffprobe"), reason="ffprobe reads the streams back")


@needs_ffprobe
def test_render_and_show_encode_as_the_keywords_say(tmp_path, pair):
    a, b, _, _ = pair
    tweenery.render(a, b, tmp_path / "push.mkv", duration=0.2, fps=10, codec="hevc", crf=30, video_preset="ultrafast",
                    pix_fmt="yuv444p")
    assert probe(tmp_path / "push.mkv", "stream=codec_name,pix_fmt") == ["hevc,yuv444p"]
    pictures = [picture(32, 24, seed) for seed in (1, 2)]
    tweenery.show(pictures, tmp_path / "show.mp4", hold=0.2, duration=0.2, fps=10, bitrate=200_000)
    assert probe(tmp_path / "show.mp4", "stream=codec_name") == ["h264"]
    with pytest.raises(TypeError, match="bitrate"):
        tweenery.show(pictures, tmp_path / "x.mp4", bitrate=2.5)
    with pytest.raises(tweenery.UsageError, match="crf"):
        tweenery.render(a, b, tmp_path / "x.mp4", crf=99)


@needs_ffprobe
def test_show_lays_a_sound_file_under_the_slideshow_and_names_a_missing_one(tmp_path):
    import subprocess
    music = tmp_path / "tone.wav"
    subprocess.run(["ffmpeg", "-loglevel", "error", "-f", "lavfi", "-i", "sine=duration=5", str(music)], check=True)
    pictures = [picture(32, 24, seed) for seed in (1, 2, 3)]
    tweenery.show(pictures, tmp_path / "show.mp4", hold=0.3, duration=0.2, fps=10, audio=music, audio_fade=0.2)
    assert sorted(probe(tmp_path / "show.mp4", "stream=codec_type")) == ["audio", "video"]
    # Cut to the slideshow's 1.3 s, not the sound's 5.
    assert float(probe(tmp_path / "show.mp4", "format=duration")[0]) < 2
    with pytest.raises(tweenery.InputError) as caught:
        tweenery.show(pictures, tmp_path / "gone.mp4", audio=tmp_path / "gone.wav")
    assert caught.value.filename == str(tmp_path / "gone.wav")
