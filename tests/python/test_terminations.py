"""A matched network's S-parameters between the terminations that really
stand at its ports: the measured load's (or the circuit's) impedance at each
frequency, never the fitted model's resistance. The waves are power waves;
the expected values come from a cascade and a port-by-port wave calculation
written here."""

import math

import numpy as np
import pytest

import tevmar


def antenna(f):
    """(20 ohm + 2.7 nH) with 0.3 pF across, the chip antenna of the kit tests."""
    w = 2 * math.pi * f
    return 1 / (1j * w * 0.3e-12 + 1 / (20 + 1j * w * 2.7e-9))


def circuit_load(f):
    w = 2 * np.pi * f
    return 1 / (1j * w * 0.2e-12 + 1 / (18 + 1j * w * 1.2e-9))


def circuit_source(f):
    return 8 + 2j * np.pi * f * 0.5e-9


def write_s1p(path, impedance, freqs):
    lines = ["# Hz S RI R 50"]
    for f in freqs:
        s = (impedance(f) - 50) / (impedance(f) + 50)
        lines.append(f"{f!r} {s.real!r} {s.imag!r}")
    path.write_text("\n".join(lines) + "\n")


def abcd(elements, f):
    """The parts' cascade from port 1, each element by its kind and value."""
    w = 2 * np.pi * f
    m = np.eye(2, dtype=complex)
    for e in elements:
        x = e["value"] * (1e-9 if e["unit"] == "nH" else 1e-12)
        z = 1j * w * x if e["unit"] == "nH" else 1 / (1j * w * x)
        m = m @ (np.array([[1, 0], [1 / z, 1]]) if e["kind"].startswith("shunt")
                 else np.array([[1, z], [0, 1]]))
    return m


def power_waves(m, z1, z2):
    """S of a two-port with ABCD m between complex references, port by port:
    drive one port from its reference, terminate the other in its own, and
    read a = (V + Z I) / 2 sqrt(Re Z), b = (V - Z* I) / 2 sqrt(Re Z), with I
    flowing into the network."""
    def driven(m, za, zb):
        # Far end: V2 across zb, I2 flowing out of the network into zb.
        v2, i2 = zb, 1.0
        v1, i1 = m[0, 0] * v2 + m[0, 1] * i2, m[1, 0] * v2 + m[1, 1] * i2
        ka, kb = 2 * np.sqrt(za.real), 2 * np.sqrt(zb.real)
        a1 = (v1 + za * i1) / ka
        b1 = (v1 - np.conj(za) * i1) / ka
        b2 = (v2 + np.conj(zb) * i2) / kb
        return b1 / a1, b2 / a1

    reverse = np.array([[m[1, 1], m[0, 1]], [m[1, 0], m[0, 0]]]) / np.linalg.det(m)
    s11, s21 = driven(m, z1, z2)
    s22, s12 = driven(reverse, z2, z1)
    return np.array([[s11, s12], [s21, s22]])


@pytest.fixture()
def antenna_s1p(tmp_path):
    path = tmp_path / "antenna.s1p"
    write_s1p(path, antenna, [1e9 + 1e7 * k for k in range(301)])
    return path


def test_a_match_refers_the_load_port_to_the_measured_data(antenna_s1p):
    # No textbook network absorbs this antenna's Q: its tune is the network.
    match = tevmar.match(2.4, 2.5, antenna_s1p, source=50)
    assert not match.solved
    net = match.tune().network()
    f = np.array([2.4e9 + 1e7 * k for k in range(11)])  # data points: no interpolation
    z0 = net.z0(f)
    # One port is the source's 50 ohm, the other the antenna at each point.
    load_port = 0 if np.allclose(z0[:, 1], 50) else 1
    assert np.allclose(z0[:, 1 - load_port], 50, rtol=0, atol=0)
    assert np.allclose(z0[:, load_port], [antenna(x) for x in f], rtol=1e-9)
    s = net.s(f)
    for k, x in enumerate(f):
        expected = power_waves(abcd(net.elements, x), z0[k, 0], z0[k, 1])
        assert np.allclose(s[k], expected, rtol=1e-9, atol=1e-12)
    # Between its true terminations the network shows the match figure: the
    # source's reflection in band is the network's gamma_max, and with ideal
    # parts the power not reflected reaches the antenna.
    source_side = s[:, 1 - load_port, 1 - load_port]
    assert np.abs(source_side).max() <= net.gamma_max + 1e-9
    assert np.abs(source_side).max() > net.gamma_max - 0.02
    assert np.allclose(np.abs(s[:, 0, 0]) ** 2 + np.abs(s[:, 1, 0]) ** 2, 1, atol=1e-12)
    assert np.allclose(np.abs(s[:, 0, 0]), np.abs(s[:, 1, 1]), atol=1e-12)


def test_tuned_networks_and_candidates_see_the_same_terminations(antenna_s1p):
    match = tevmar.match(2.4, 2.5, antenna_s1p, source=50)
    f = np.array([2.4e9, 2.45e9, 2.5e9])
    for net in [match.tune().network()] + [c.network() for c in match.candidates()[:3]]:
        z0 = net.z0(f)
        s = net.s(f)
        assert not np.allclose(z0.imag, 0)  # the antenna's reactance, not a fitted resistance
        for k, x in enumerate(f):
            assert np.allclose(s[k], power_waves(abcd(net.elements, x), *z0[k]),
                               rtol=1e-9, atol=1e-12)
        source_side = s[:, 0, 0] if np.allclose(z0[:, 0], 50) else s[:, 1, 1]
        assert np.abs(source_side).max() <= net.gamma_max + 1e-9


def test_circuits_at_both_ends_are_both_references():
    match = tevmar.match(2.3, 2.6, load_circuit="(18 + 1.2nH) || 0.2pF",
                         source_circuit="8 + 0.5nH")
    net = match.network()
    f = np.linspace(2.3e9, 2.6e9, 7)
    z0 = net.z0(f)
    load, source = circuit_load(f), circuit_source(f)
    assert (np.allclose(z0[:, 0], source) and np.allclose(z0[:, 1], load)) or \
        (np.allclose(z0[:, 0], load) and np.allclose(z0[:, 1], source))
    s = net.s(f)
    for k, x in enumerate(f):
        assert np.allclose(s[k], power_waves(abcd(net.elements, x), *z0[k]),
                           rtol=1e-9, atol=1e-12)
    # Ideal parts between two complex terminations: the transducer gain and
    # the reflection at the source still add to one.
    assert np.allclose(np.abs(s[:, 0, 0]) ** 2 + np.abs(s[:, 1, 0]) ** 2, 1, atol=1e-12)


def test_a_design_between_resistances_keeps_its_port_resistances():
    net = tevmar.design(2, 3, 50, 10).network()
    f = np.array([2e9, 2.5e9, 3e9])
    assert np.array_equal(net.z0(f), np.tile([50, 10], (3, 1)))
    assert net.port_ohms == (50, 10)
