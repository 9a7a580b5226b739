"""What a script cannot do by mistake: write over the files a design was made
from (a kit's included), and wait for a long search it has given up on."""

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
