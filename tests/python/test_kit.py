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
