"""A measured source the four kinds do not describe: its fit's error is
given, no textbook design or port resistance is taken from that fit, the
candidates are matched into the source's data, and every port is referred to
what really stands there. Figures are re-derived here from the parts and the
data, by a cascade of our own."""

import json
import math

import numpy as np
import pytest

import tevmar


def resonant_antenna(f):
    """15 ohm + 8 nH + 5 pF with 0.4 pF across: a resonance no RL or RC
    kind follows over 0.8-0.96 GHz."""
    w = 2 * math.pi * f
    series = 15 + 1j * w * 8e-9 + 1 / (1j * w * 5e-12)
    return 1 / (1j * w * 0.4e-12 + 1 / series)


def load(f):
    return 5 + 2j * math.pi * f * 1e-9


DATA_HZ = [0.8e9 + 5e6 * k for k in range(33)]


def write_s1p(path, impedance, freqs, reference):
    lines = [f"# Hz S RI R {reference}"]
    for f in freqs:
        s = (impedance(f) - reference) / (impedance(f) + reference)
        lines.append(f"{f!r} {s.real!r} {s.imag!r}")
    path.write_text("\n".join(lines) + "\n")


def input_impedance(elements, f, z_load):
    """Looking from the source into the parts (listed from the source's side)
    with z_load at their far end."""
    w = 2 * math.pi * f
    z = z_load
    for e in reversed(elements):
        x = e["value"] * (1e-9 if e["unit"] == "nH" else 1e-12)
        part = 1j * w * x if e["unit"] == "nH" else 1 / (1j * w * x)
        z = 1 / (1 / z + 1 / part) if e["kind"].startswith("shunt") else z + part
    return z


@pytest.fixture()
def bad_source(tmp_path):
    path = tmp_path / "source.s1p"
    write_s1p(path, resonant_antenna, DATA_HZ, 75)
    return tevmar.match(0.8, 0.96, load_circuit="5 + 1nH", source_s1p=path)


def test_a_source_fit_far_off_its_data_gives_no_design(bad_source):
    match = bad_source
    source_fit = match.source_fit
    assert source_fit["dataUsedDirectly"] is True
    assert source_fit["chosen"]["rmsErrorPercent"] > 5
    assert source_fit["resistanceOhms"] is None
    assert source_fit == json.loads(match.to_json())["measuredSource"]
    # The load is a plain series RL: its fit is used.
    assert match.fit["dataUsedDirectly"] is False
    assert match.fit["chosen"]["rmsErrorPercent"] < 1e-6
    # No textbook network from a fit that does not describe the source.
    assert match.solved is False
    assert match.textbook_gamma_max is None
    assert "source's data are used directly" in match.design_note
    assert "more than 5 %" in match.design_note


def test_candidates_are_matched_into_the_source_data(bad_source):
    candidates = bad_source.candidates()
    assert candidates
    best = candidates[0]
    net = best.network()
    # The source's port is referred to the data's own 75 ohms, the load's
    # to its 5 ohms; never the source fit's resistance.
    assert sorted(net.port_ohms) == [5, 75]
    source_port = net.port_ohms.index(75)
    f = np.array(DATA_HZ)  # data points: no interpolation
    z0 = net.z0(f)
    assert np.allclose(z0[:, source_port], [resonant_antenna(x) for x in f], rtol=1e-9)
    assert np.allclose(z0[:, 1 - source_port], [load(x) for x in f], rtol=1e-12)
    # The reflection the source sees, from the parts and the data alone.
    gamma = []
    for x in f:
        zs = resonant_antenna(x)
        zin = input_impedance(best.elements, x, load(x))
        gamma.append(abs(zin - np.conj(zs)) / abs(zin + zs))
    gamma = np.array(gamma)
    s = net.s(f)
    assert np.allclose(np.abs(s[:, source_port, source_port]), gamma, rtol=1e-9, atol=1e-12)
    assert gamma.max() <= best.gamma_max + 1e-9
    assert gamma.max() > 0.9 * best.gamma_max
    assert net.gamma_max == pytest.approx(best.gamma_max, rel=1e-12)


def test_a_source_the_fit_describes_keeps_its_port_resistance():
    match = tevmar.match(2.3, 2.6, load_circuit="(18 + 1.2nH) || 0.2pF",
                         source_circuit="8 + 0.5nH")
    source_fit = match.source_fit
    assert source_fit["dataUsedDirectly"] is False
    assert source_fit["chosen"]["kind"] == "series-rl"
    assert source_fit["chosen"]["rmsErrorPercent"] < 1e-6
    assert source_fit["resistanceOhms"] == pytest.approx(8, rel=1e-9)
    document = json.loads(match.to_json())["measuredSource"]
    assert "dataUsedDirectly" not in document
    assert source_fit == {**document, "dataUsedDirectly": False}
    assert 8 in [pytest.approx(r, rel=1e-9) for r in match.network().port_ohms]
    # Without a measured source there is no source fit.
    assert tevmar.match(2.3, 2.6, load_circuit="(18 + 1.2nH) || 0.2pF",
                        source=50).source_fit is None


def test_a_load_no_kind_describes_refers_its_port_to_the_data(tmp_path):
    path = tmp_path / "antenna.s1p"
    write_s1p(path, resonant_antenna, DATA_HZ, 75)
    match = tevmar.match(0.8, 0.96, path, source=50)
    assert match.fit["dataUsedDirectly"] is True
    assert match.fit["chosen"]["rmsErrorPercent"] > 5
    fitted_ohms = match.fit["chosen"]["resistanceOhms"]
    for c in match.candidates()[:3]:
        ports = c.network().port_ohms
        assert sorted(ports) == [50, 75]
        assert fitted_ohms not in ports
