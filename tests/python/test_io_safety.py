"""What a script cannot do by mistake: write over the files a design was made
from (a kit's included), and wait for a long search it has given up on."""

import json
import os
import subprocess
import sys
import textwrap

import pytest

import tevmar
from test_kit import KIT_WRITER, kit, write_antenna  # noqa: F401 (a fixture)


def snapshot(folder):
    return {name: (folder / name).read_bytes() for name in sorted(os.listdir(folder))}


def test_save_never_replaces_a_kit_file(kit, tmp_path):  # noqa: F811
    parts = kit / "parts"
    part = sorted(p for p in os.listdir(parts) if p.endswith(".s2p"))[0]
    (parts / "parts.csv").write_text("part,kind,value,file\n")
    before = snapshot(parts)
    os.symlink(parts / part, tmp_path / "link.s2p")
    os.link(parts / part, tmp_path / "hard.s2p")
    antenna = str(kit / "antenna.s1p")
    try:
        # The kit is read by tune() and candidates() only, yet its files are
        # the design's inputs all the same.
        design = tevmar.match(2.4, 2.5, antenna, source=50, parts=str(parts))
        for target in (parts / part, parts / "parts.csv", tmp_path / "link.s2p",
                       tmp_path / "hard.s2p"):
            with pytest.raises(ValueError, match="is the file parts reads") as refused:
                design.save(target)
            assert "--" not in str(refused.value)
        # The same through an output keyword, before any search is made.
        with pytest.raises(ValueError, match=r"^sweep: .* is the file parts reads"):
            tevmar.match(2.4, 2.5, antenna, source=50, parts=str(parts), candidates=True,
                         sweep=str(tmp_path / "hard.s2p"))
        assert snapshot(parts) == before
    finally:
        os.unlink(parts / "parts.csv")


def test_refusals_name_keyword_arguments(tmp_path):
    s1p = tmp_path / "antenna.s1p"
    write_antenna(s1p)
    with pytest.raises(ValueError) as refused:
        tevmar.match(2.4, 2.5, s1p, 50).save(s1p)
    assert "load_s1p" in str(refused.value) and "--" not in str(refused.value)
    with pytest.raises(ValueError) as refused:
        tevmar.match(2.4, 2.5, s1p, 50, spice=str(s1p))
    assert str(refused.value).startswith("spice: ") and "load_s1p" in str(refused.value)
    assert "--" not in str(refused.value)


def test_ctrl_c_stops_a_kit_search_within_a_second(kit):  # noqa: F811
    script = textwrap.dedent("""
        import os, signal, sys, threading, time, warnings
        import tevmar
        warnings.simplefilter("ignore")
        design = tevmar.match(2.4, 2.5, sys.argv[1], source=50, parts=sys.argv[2], order=12)
        started = time.monotonic()
        threading.Timer(0.1, os.kill, (os.getpid(), signal.SIGINT)).start()
        try:
            design.candidates()
            print("finished", time.monotonic() - started)
        except KeyboardInterrupt:
            print("interrupted", time.monotonic() - started)
    """)
    run = subprocess.run([sys.executable, "-c", script, str(kit / "antenna.s1p"),
                          str(kit / "parts")], capture_output=True, text=True, timeout=120)
    assert run.returncode == 0, run.stderr
    outcome, seconds = run.stdout.split()
    if outcome == "finished" and float(seconds) < 0.1:
        pytest.skip("the search ended before Ctrl-C came")
    assert outcome == "interrupted", run.stdout
    assert float(seconds) < 1.2, run.stdout


def write_points(path, count):
    """A stable device at `count` frequencies from 1 GHz in 1 kHz steps."""
    rows = "".join(f"{1_000_000_000 + 1000 * k} 0.6 -120 2.5 75 0.03 55 0.7 -55\n"
                   for k in range(count))
    path.write_text("# Hz S MA R 50\n" + rows)


def test_a_long_device_file_is_thinned_and_says_so(tmp_path):
    path = tmp_path / "long.s2p"
    write_points(path, 25_000)
    with pytest.warns(UserWarning, match="25000 data frequencies in the band; .* one in every 3"):
        device = tevmar.device(path)
    assert len(device.frequencies_hz) == 8334
    assert device.frequencies_hz[-1] == 1_000_000_000 + 1000 * 24_999
    assert json.loads(device.to_json())["device"]["thinned"] == {
        "pointsInBand": 25000, "stride": 3}


def test_memory_that_runs_out_is_a_memory_error(tmp_path):
    path = tmp_path / "million.s2p"
    write_points(path, 1_000_000)
    script = textwrap.dedent("""
        import resource, sys
        import tevmar
        with open("/proc/self/status") as status:
            size = next(int(l.split()[1]) for l in status if l.startswith("VmSize:")) * 1024
        # Room for the run's thread and the file's text, not for its data.
        resource.setrlimit(resource.RLIMIT_AS, (size + (64 << 20),) * 2)
        try:
            tevmar.device(sys.argv[1])
            print("read")
        except MemoryError:
            print("MemoryError")
    """)
    run = subprocess.run([sys.executable, "-c", script, str(path)], capture_output=True,
                         text=True, timeout=300)
    assert run.returncode == 0, run.stderr
    assert run.stdout.split() == ["MemoryError"]
