"""parts= with the synthetic 0402 kit: the candidates as tevmar-cli gives
them, each element a kit part by its number."""

import cmath
import json
import math
import os
import subprocess

import pytest

import tevmar

CLI = os.path.abspath(os.environ.get("TEVMAR_CLI", "build/cli/tevmar-cli"))
KIT_WRITER = os.environ.get("TEVMAR_SYNTHETIC_KIT", "build/tests/kit/synthetic-kit")


def write_antenna(path):
    """20 ohm + 2.7 nH with a 0.3 pF pad across, S referred to 50 ohm."""
    lines = ["# Hz S RI R 50"]
    for k in range(301):
        f = 1e9 + 1e7 * k
        w = 2 * math.pi * f
        z = 1 / (1j * w * 0.3e-12 + 1 / (20 + 1j * w * 2.7e-9))
        s = (z - 50) / (z + 50)
        lines.append(f"{f:.0f} {s.real:.12g} {s.imag:.12g}")
    path.write_text("\n".join(lines) + "\n")


@pytest.fixture(scope="module")
def kit(tmp_path_factory):
    if not os.path.exists(KIT_WRITER):
        pytest.skip("the synthetic kit's writer is not built")
    folder = tmp_path_factory.mktemp("kit")
    subprocess.run([KIT_WRITER, str(folder / "parts")], check=True, capture_output=True)
    write_antenna(folder / "antenna.s1p")
    return folder


def test_candidates_on_kit_parts_are_the_clis(kit):
    antenna = str(kit / "antenna.s1p")
    parts = str(kit / "parts")
    with pytest.warns(UserWarning, match="resonate within"):
        design = tevmar.match(2.4, 2.5, antenna, source=50, parts=parts)
        candidates = design.candidates()
    run = subprocess.run(
        [CLI, "--f1", "2.4", "--f2", "2.5", "--load-s1p", antenna, "--source", "50",
         "--candidates", "--parts", parts, "--json", "--report", str(kit / "r.prt")],
        capture_output=True, text=True, cwd=kit)
    assert run.returncode == 6, run.stderr
    assert candidates == json.loads(run.stdout)["candidates"]
    assert candidates[0]["lossDbMax"] < 0.1
    for c in candidates:
        assert c["lossDbMax"] <= c["snapped"]["lossDbMax"] + 1e-12
        for e in c["elements"]:
            assert e["part"].startswith("ZL0402-" if e["unit"] == "nH" else "ZC0402-")


def test_a_kit_without_tuning_or_candidates_waits_for_them(kit):
    antenna = str(kit / "antenna.s1p")
    design = tevmar.match(2.4, 2.5, antenna, source=50, parts=str(kit / "missing"))
    with pytest.raises(ValueError, match="not a folder"):
        design.candidates()


# The GaAs FET from 3.9 to 4.1 GHz, unconditionally stable there.
FET = """# GHz S MA R 50
3.9 0.73 -114 2.65 77 0.030 57 0.73 -53
4.0 0.72 -116 2.60 76 0.030 57 0.73 -54
4.1 0.71 -118 2.55 75 0.031 56 0.72 -55
"""


def test_an_amplifier_on_kit_parts_is_the_clis(kit):
    device = kit / "fet.s2p"
    device.write_text(FET)
    parts = str(kit / "parts")
    with pytest.warns(UserWarning, match="resonate within"):
        amp = tevmar.amplifier(str(device), 3.9, 4.1, parts=parts)
    run = subprocess.run(
        [CLI, "--device", str(device), "--amplifier", "--f1", "3.9", "--f2", "4.1",
         "--parts", parts, "--json"], capture_output=True, text=True, cwd=kit)
    assert run.returncode == 0, run.stderr
    assert json.loads(amp.to_json()) == json.loads(run.stdout)
    for side in (amp.input, amp.output):
        for e in side["elements"]:
            assert e["part"].startswith("ZL0402-" if e["unit"] == "nH" else "ZC0402-")
    # The kit parts' loss costs gain against the design they stand in for.
    designed = json.loads(amp.to_json())["amplifier"]["kit"]["designed"]
    assert amp.gt_db_min < designed["gtDbMin"]
    with pytest.raises(ValueError, match="not a folder"):
        tevmar.amplifier(str(device), 3.9, 4.1, parts=str(kit / "missing"))
