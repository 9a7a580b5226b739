"""tevmar.device against tevmar-cli --device and against figures found here
by brute force: mu as the distance to the nearest unstable termination, MAG
as the most available gain over the chart, the simultaneous match as the
pair of terminations that conjugately match both ports, and every circle by
the gain or noise figure of points sampled on it."""

import json
import os
import subprocess

import numpy as np
import pytest

import tevmar

CLI = os.environ.get("TEVMAR_CLI", "build/cli/tevmar-cli")

# Three FETs (potentially unstable at 2 GHz, unconditionally stable at 4 GHz,
# a low-noise one at 6 GHz) and one with |S11| above 1 at 8 GHz; noise
# parameters at 4 and 8 GHz, so that 6 GHz lies between them.
DEVICE = """! four transistors
# GHz S MA R 50
2 0.894 -60.6 3.122 123.6 0.020 62.4 0.781 -27.6
4 0.72 -116 2.60 76 0.03 57 0.73 -54
6 0.6 -60 1.9 81 0.05 26 0.5 -60
8 1.2 -40 2.0 100 0.1 30 0.6 -50
4 1.2 0.5 90 0.2
8 2.0 0.7 110 0.6
"""
GAIN_LEVELS = [6, 10, 14, 16]
NOISE_LEVELS = [1.5, 2, 3]


@pytest.fixture
def device_file(tmp_path):
    path = tmp_path / "fets.s2p"
    path.write_text(DEVICE)
    return path


def s_params(device):
    s = device.s
    return s[:, 0, 0], s[:, 0, 1], s[:, 1, 0], s[:, 1, 1]


def gamma_in(s11, s12, s21, s22, gl):
    return s11 + s12 * s21 * gl / (1 - s22 * gl)


def gamma_out(s11, s12, s21, s22, gs):
    return s22 + s12 * s21 * gs / (1 - s11 * gs)


def available_gain(s11, s12, s21, s22, gs):
    return (abs(s21) ** 2 * (1 - abs(gs) ** 2)
            / (abs(1 - s11 * gs) ** 2 * (1 - abs(gamma_out(s11, s12, s21, s22, gs)) ** 2)))


def operating_gain(s11, s12, s21, s22, gl):
    return (abs(s21) ** 2 * (1 - abs(gl) ** 2)
            / (abs(1 - s22 * gl) ** 2 * (1 - abs(gamma_in(s11, s12, s21, s22, gl)) ** 2)))


def noise_figure_db(nf_min_db, gamma_opt, rn, gs):
    f = 10 ** (nf_min_db / 10) + 4 * rn * abs(gs - gamma_opt) ** 2 / (
        (1 - abs(gs) ** 2) * abs(1 + gamma_opt) ** 2)
    return 10 * np.log10(f)


def nearest_unstable(reflection):
    """The least |Gamma| at which reflection(Gamma) reaches magnitude 1,
    searched along 1440 rays out to |Gamma| = 4."""
    angles = np.exp(2j * np.pi * np.arange(1440) / 1440)
    radii = np.linspace(0, 4, 8001)
    grid = radii[:, None] * angles[None, :]
    unstable = np.abs(reflection(grid)) >= 1
    return radii[np.argmax(unstable, axis=0)][unstable.any(axis=0)].min()


def test_module_agrees_with_the_cli(device_file, tmp_path):
    device = tevmar.device(device_file, gain_circles=GAIN_LEVELS, noise_circles=NOISE_LEVELS)
    options = ["--device", str(device_file), "--json", "--gain-circles", "6,10,14,16",
               "--noise-circles", "1.5,2,3"]
    run = subprocess.run([CLI, *options], cwd=tmp_path, capture_output=True, text=True)
    assert run.returncode == 0, run.stderr
    assert run.stdout == device.to_json()
    points = json.loads(run.stdout)["device"]["points"]
    assert [p["frequencyHz"] for p in points] == list(device.frequencies_hz)
    for name, key in [("k", "k"), ("mu", "mu"), ("mu_prime", "muPrime"), ("mag_db", "magDb")]:
        expected = [np.nan if p[key] is None else p[key] for p in points]
        np.testing.assert_array_equal(getattr(device, name), expected)
    # Noise between the file's noise points, linear in frequency.
    assert device.nf_min_db[2] == pytest.approx(1.6)
    assert device.rn_ohms[2] == pytest.approx(20)
    assert np.isnan(device.nf_min_db[0])
    # The band chooses the points.
    assert list(tevmar.device(device_file, f1=3, f2=7).frequencies_hz) == [4e9, 6e9]
    with pytest.raises(ValueError, match="reaches past the data"):
        tevmar.device(device_file, f1=1, f2=7)
    with pytest.raises(ValueError, match="both f1 and f2"):
        tevmar.device(device_file, f1=3)


def test_figures_against_brute_force(device_file):
    device = tevmar.device(device_file)
    s11, s12, s21, s22 = s_params(device)
    delta = s11 * s22 - s12 * s21
    k = (1 - abs(s11) ** 2 - abs(s22) ** 2 + abs(delta) ** 2) / (2 * abs(s12 * s21))
    np.testing.assert_allclose(device.k, k, rtol=1e-12)
    np.testing.assert_allclose(device.delta, abs(delta), rtol=1e-12)
    np.testing.assert_allclose(device.msg_db, 10 * np.log10(abs(s21 / s12)), rtol=1e-12)
    for i in range(len(device.frequencies_hz)):
        m = s11[i], s12[i], s21[i], s22[i]
        # mu: how far the chart's centre lies from the nearest load that
        # makes the input reflect more than it receives; mu' likewise.
        # Where the centre itself is unstable (|S11| > 1) mu turns negative.
        for mu, reflection, own in [(device.mu[i], lambda gl: gamma_in(*m, gl), m[0]),
                                    (device.mu_prime[i], lambda gs: gamma_out(*m, gs), m[3])]:
            if abs(own) < 1:
                assert mu == pytest.approx(nearest_unstable(reflection), abs=0.001)
            else:
                assert mu < 0
        stable = k[i] > 1 and abs(delta[i]) < 1
        assert stable == (device.mu[i] > 1)
        assert np.isnan(device.mag_db[i]) != stable
        if not stable:
            assert np.isnan(device.gamma_s[i]) and np.isnan(device.gamma_l[i])
            continue
        # The most available gain over a fine grid of the chart is MAG.
        x = np.linspace(-1, 1, 1201)
        gs = (x[:, None] + 1j * x[None, :]).ravel()
        gs = gs[abs(gs) < 1]
        ga = available_gain(*m, gs)
        ga = ga[np.abs(gamma_out(*m, gs)) < 1]
        assert 10 * np.log10(ga.max()) == pytest.approx(device.mag_db[i], abs=0.01)
        # Both ports conjugately matched at once.
        g_s, g_l = device.gamma_s[i], device.gamma_l[i]
        assert gamma_in(*m, g_l) == pytest.approx(np.conj(g_s), abs=1e-12)
        assert gamma_out(*m, g_s) == pytest.approx(np.conj(g_l), abs=1e-12)


def test_circles_give_back_their_levels(device_file):
    device = tevmar.device(device_file)
    s11, s12, s21, s22 = s_params(device)
    around = np.exp(2j * np.pi * np.arange(36) / 36)
    rng = np.random.default_rng(7)
    for i, f in enumerate(device.frequencies_hz):
        m = s11[i], s12[i], s21[i], s22[i]
        for kind, reflection in [("load stability", lambda g: gamma_in(*m, g)),
                                 ("source stability", lambda g: gamma_out(*m, g))]:
            c = device.circles(kind, None, f)
            on = c["center"] + c["radius"] * around
            np.testing.assert_allclose(abs(reflection(on)), 1, atol=1e-9)
            # Random terminations inside and outside: stable where said.
            points = c["center"] + c["radius"] * 3 * (rng.random(400) - 0.5 + 1j * (rng.random(400) - 0.5))
            inside = abs(points - c["center"]) < c["radius"]
            stable = abs(reflection(points)) < 1
            assert np.array_equal(stable, inside == c["stable_inside"])
        for level in GAIN_LEVELS:
            for kind, gain in [("available gain", available_gain), ("operating gain", operating_gain)]:
                try:
                    c = device.circles(kind, level, f)
                except ValueError as e:
                    assert "above the most gain" in str(e)
                    continue
                on = c["center"] + c["radius"] * around
                on = on[abs(on) < 0.999]
                np.testing.assert_allclose(10 * np.log10(gain(*m, on)), level, atol=1e-9)
        for level in NOISE_LEVELS:
            if np.isnan(device.nf_min_db[i]) or level < device.nf_min_db[i]:
                with pytest.raises(ValueError):
                    device.circles("noise", level, f)
                continue
            c = device.circles("noise", level, f)
            on = c["center"] + c["radius"] * around
            figure = noise_figure_db(device.nf_min_db[i], device.gamma_opt[i],
                                     device.rn_ohms[i] / device.reference_ohms, on)
            np.testing.assert_allclose(figure, level, atol=1e-9)
    with pytest.raises(ValueError, match="not one of the data's frequencies"):
        device.circles("noise", 2, 5e9)
    with pytest.raises(ValueError, match="expected"):
        device.circles("gain", 2, 4e9)
