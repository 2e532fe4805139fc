"""The interpreter lock is let go while frames are composed and runs are
rendered, and threads composing at once get the frames one thread gets."""
import sys
import threading
import time
from concurrent.futures import ThreadPoolExecutor

import numpy as np

import tweenery
from conftest import picture


def ticks_during(call):
    """The times at which another thread ran Python code while call ran, as
    fractions of call's time: only with the interpreter lock let go can it
    run in the middle of one call."""
    stop = threading.Event()
    ticks = []

    def tick():
        while not stop.is_set():
            ticks.append(time.perf_counter())

    previous = sys.getswitchinterval()
    sys.setswitchinterval(0.0005)
    ticker = threading.Thread(target=tick)
    ticker.start()
    try:
        time.sleep(0.01)
        start = time.perf_counter()
        call()
        end = time.perf_counter()
    finally:
        stop.set()
        ticker.join()
        sys.setswitchinterval(previous)
    return [(t - start) / (end - start) for t in ticks if start < t < end]


def test_the_interpreter_runs_while_one_call_composes(tmp_path):
    a = picture(1920, 1080, 1)
    b = picture(1920, 1080, 2)
    calls = {
        "frame": lambda: tweenery.frame(a, b, "Fade", 0.5),
        "frames": lambda: next(tweenery.frames(a, b, "Swarm", seed=1, hold=0)),
        "render": lambda: tweenery.render(a, b, tmp_path / "run.y4m", "Fade", duration=0.5, overwrite=True),
    }
    for name, call in calls.items():
        inside = ticks_during(call)
        # A tick past the first fifth of the call cannot be a tick that
        # slipped in before the call took the lock.
        assert any(0.2 < t < 1 for t in inside), f"{name}: no other thread ran while it composed"


def test_threads_composing_at_once_get_the_frames_of_one_thread():
    a, b = picture(96, 64, 3), picture(96, 64, 4)
    jobs = [(name, p, seed) for name in ("Push", "RandomBars", "Spiral", "Swarm", "TwinRandomBars", "Fade")
            for p, seed in ((0.3, 1), (0.7, 2))]

    def compose(job):
        name, progress, seed = job
        return tweenery.frame(a, b, name, progress, seed=seed, delta=3)

    alone = [compose(job) for job in jobs]
    with ThreadPoolExecutor(4) as pool:
        together = list(pool.map(compose, jobs * 3))
    for n, frame in enumerate(together):
        assert np.array_equal(frame, alone[n % len(jobs)]), jobs[n % len(jobs)]

    # One iterator shared by threads: each frame handed out once, all of them.
    run = tweenery.frames(a, b, "Swarm", seed=9, duration=0.5)
    want = [f.copy() for f in tweenery.frames(a, b, "Swarm", seed=9, duration=0.5)]
    def drain(_):
        taken = []
        while (frame := next(run, None)) is not None:
            taken.append(frame)
        return taken

    with ThreadPoolExecutor(3) as pool:
        flat = [f for part in pool.map(drain, range(3)) for f in part]
    assert len(flat) == len(want)
    assert sorted(f.tobytes() for f in flat) == sorted(f.tobytes() for f in want)
