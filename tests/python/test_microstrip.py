"""tevmar.microstrip against tevmar-cli --microstrip and against the line's
own physics: the width the command line gives, Z0 and eps_eff at once or over
an array, a length's S-parameters against a cascade of two halves, and the
ways of asking for it wrongly."""

import json
import os
import subprocess

import numpy as np
import pytest

import tevmar

CLI = os.environ.get("TEVMAR_CLI", "build/cli/tevmar-cli")
FR4 = "er=4.4,h=1.6mm,t=35um,tand=0.02,rough=0.5um"


def cli_json(*args):
    done = subprocess.run([CLI, *args, "--json"], capture_output=True, check=True, text=True)
    return json.loads(done.stdout)["microstrip"]


def test_same_line_as_the_command_line():
    line = tevmar.microstrip(FR4, z0=50)
    cli = cli_json("--substrate", FR4, "--microstrip", "50", "--at", "2.4GHz,10GHz",
                   "--length", "25mm")
    assert line.width * 1e3 == pytest.approx(cli["widthMm"], rel=1e-12)
    assert line.eps_eff_static == pytest.approx(cli["epsEffStatic"], rel=1e-12)
    f = np.array([2.4e9, 10e9])
    s = line.s(f, 25e-3)
    assert s.shape == (2, 2, 2)
    for i, point in enumerate(cli["points"]):
        assert line.z0(f[i]) == pytest.approx(point["z0Ohms"], rel=1e-12)
        assert line.eps_eff(f)[i] == pytest.approx(point["epsEff"], rel=1e-12)
        assert 20 * np.log10(abs(s[i, 1, 0])) == pytest.approx(point["s21Db"], abs=1e-9)
        assert np.degrees(np.angle(s[i, 1, 0])) == pytest.approx(point["s21Deg"], abs=1e-9)
        assert 20 * np.log10(abs(s[i, 0, 0])) == pytest.approx(point["s11Db"], abs=1e-9)
    # A width given as text or in metres is the same line.
    by_text = tevmar.microstrip(FR4, width="3mm")
    assert by_text.width == pytest.approx(3e-3)
    assert tevmar.microstrip(FR4, width=3e-3).z0(1e9) == by_text.z0(1e9)


def test_a_line_is_two_halves_in_cascade():
    line = tevmar.microstrip(FR4, width="2mm")
    f = np.linspace(0.5e9, 10e9, 5)

    def abcd(s, z=50.0):
        s11, s21 = s[..., 0, 0], s[..., 1, 0]
        a = ((1 + s11) * (1 - s11) + s21 * s21) / (2 * s21)
        b = z * ((1 + s11) * (1 + s11) - s21 * s21) / (2 * s21)
        c = ((1 - s11) * (1 - s11) - s21 * s21) / (2 * s21 * z)
        return np.stack([np.stack([a, b], -1), np.stack([c, a], -1)], -2)

    half = abcd(line.s(f, "12.5mm"))
    whole = abcd(line.s(f, "25mm"))
    np.testing.assert_allclose(half @ half, whole, rtol=1e-9, atol=1e-9)
    # Loss makes it passive, and its attenuation is that of the figures.
    s = line.s(f, 0.025)
    assert np.all(np.abs(s[:, 0, 0]) ** 2 + np.abs(s[:, 1, 0]) ** 2 < 1)
    assert np.all(np.diff(line.attenuation(f)) > 0)
    assert line.open_end_extension > 0
    assert line.s(2.4e9, 0.01).shape == (2, 2)


def test_bad_requests_are_refused():
    with pytest.raises(ValueError, match="has no unit"):
        tevmar.microstrip("er=4.4,h=1.6", z0=50)
    with pytest.raises(ValueError, match="er=0.5"):
        tevmar.microstrip("er=0.5,h=1.6mm", z0=50)
    with pytest.raises(ValueError, match="unknown key"):
        tevmar.microstrip("er=4.4,h=1.6mm,q=3", z0=50)
    with pytest.raises(ValueError, match="either z0"):
        tevmar.microstrip(FR4)
    with pytest.raises(ValueError, match="either z0"):
        tevmar.microstrip(FR4, z0=50, width="3mm")
    with pytest.raises(ValueError, match="no width"):
        tevmar.microstrip(FR4, z0=1000)
    with pytest.raises(ValueError, match="formulas cover"):
        tevmar.microstrip(FR4, width="5m")
    with pytest.raises(ValueError, match="frequency"):
        tevmar.microstrip(FR4, z0=50).z0(-1.0)
    with pytest.raises(TypeError):
        tevmar.microstrip(FR4, z0="50")
    with pytest.warns(UserWarning, match="W/h"):
        tevmar.microstrip(FR4, width="0.1mm")
