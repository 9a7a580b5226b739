"""tevmar.amplifier against tevmar-cli --amplifier and against the transducer
gain and noise figure worked out here from the file's data and the
reflections the networks are claimed to present, and through a cascade of
the networks' own parts."""

import json
import os
import subprocess

import numpy as np
import pytest

import tevmar

CLI = os.environ.get("TEVMAR_CLI", "build/cli/tevmar-cli")

# A GaAs FET from 3.9 to 4.1 GHz, unconditionally stable, with noise
# parameters (Rn normalised to 50 ohms).
DEVICE = """! GaAs FET
# GHz S MA R 50
3.9 0.73 -114 2.65 77 0.030 57 0.73 -53
4.0 0.72 -116 2.60 76 0.030 57 0.73 -54
4.1 0.71 -118 2.55 75 0.031 56 0.72 -55
3.9 1.6 0.62 100 0.4
4.1 1.6 0.62 100 0.4
"""


def polar(magnitude, degrees):
    return magnitude * np.exp(1j * np.radians(degrees))


S = {
    3.9e9: [polar(0.73, -114), polar(2.65, 77), polar(0.030, 57), polar(0.73, -53)],
    4.0e9: [polar(0.72, -116), polar(2.60, 76), polar(0.030, 57), polar(0.73, -54)],
    4.1e9: [polar(0.71, -118), polar(2.55, 75), polar(0.031, 56), polar(0.72, -55)],
}


@pytest.fixture
def device_file(tmp_path):
    path = tmp_path / "fet.s2p"
    path.write_text(DEVICE)
    return path


def parts_abcd(elements, hz):
    """The parts in their listed order as one ABCD matrix."""
    m = np.eye(2, dtype=complex)
    jw = 2j * np.pi * hz
    for e in elements:
        value = e["value"] * (1e-9 if e["unit"] == "nH" else 1e-12)
        inductor = e["unit"] == "nH"
        if e["kind"].startswith("series"):
            z = jw * value if inductor else 1 / (jw * value)
            m = m @ np.array([[1, z], [0, 1]])
        else:
            y = 1 / (jw * value) if inductor else jw * value
            m = m @ np.array([[1, 0], [y, 1]])
    return m


def seen(m, termination, z0, toward_port2):
    (a, b), (c, d) = m
    z = (a * termination + b) / (c * termination + d) if toward_port2 else \
        (d * termination + b) / (c * termination + a)
    return (z - z0) / (z + z0)


def transducer_gain_db(s, gs, gl):
    s11, s21, s12, s22 = s
    return 10 * np.log10(abs(s21) ** 2 * (1 - abs(gs) ** 2) * (1 - abs(gl) ** 2) /
                         abs((1 - s11 * gs) * (1 - s22 * gl) - s12 * s21 * gs * gl) ** 2)


def test_claims_follow_from_the_parts_and_the_data(device_file):
    amp = tevmar.amplifier(device_file, 3.9, 4.1)
    assert amp.goal == "gain"
    assert amp.frequencies_hz == pytest.approx([3.9e9, 4.0e9, 4.1e9])
    for i, hz in enumerate(amp.frequencies_hz):
        s = S[round(hz / 1e8) * 1e8]
        gs = seen(parts_abcd(amp.input["elements"], hz), 50, 50, toward_port2=False)
        gl = seen(parts_abcd(amp.output["elements"], hz), 50, 50, toward_port2=True)
        assert abs(amp.gamma_s[i] - gs) < 1e-9
        assert abs(amp.gamma_l[i] - gl) < 1e-9
        assert amp.gt_db[i] == pytest.approx(transducer_gain_db(s, gs, gl), abs=1e-9)
        opt = polar(0.62, 100)
        f = 10 ** 0.16 + 4 * 0.4 * abs(gs - opt) ** 2 / ((1 - abs(gs) ** 2) * abs(1 + opt) ** 2)
        assert amp.nf_db[i] == pytest.approx(10 * np.log10(f), abs=1e-9)
    # The band's least gain is taken between the data points too.
    assert amp.gt_db_min <= min(amp.gt_db)
    assert amp.gt_db_min > 15.7  # MAG 16.7 dB at 4 GHz
    assert amp.stable and all(amp.mu > 1)


def test_agrees_with_the_cli_and_takes_other_terminations(device_file):
    amp = tevmar.amplifier(device_file, "3.9", "4.1", goal="noise", source=50, load_ohms=75)
    cli = subprocess.run([CLI, "--device", str(device_file), "--amplifier", "--goal", "noise",
                          "--f1", "3.9", "--f2", "4.1", "--load-ohms", "75", "--json"],
                         capture_output=True, text=True, check=True)
    assert amp.to_json() == cli.stdout
    document = json.loads(cli.stdout)["amplifier"]
    assert document["loadOhms"] == 75
    assert amp.output == document["output"]
    assert amp.nf_db_max == pytest.approx(document["nfDbMax"])
    assert amp.nf_db_max < 1.6 + 0.25


def test_a_measured_load_in_place_of_the_resistance(device_file, tmp_path):
    load = tmp_path / "load.s1p"
    load.write_text("# GHz Z RI R 50\n3 1.4 -0.3\n5 1.4 -0.3\n")
    amp = tevmar.amplifier(device_file, 3.9, 4.1, load_s1p=load)
    document = json.loads(amp.to_json())["amplifier"]
    assert document["loadS1p"] == str(load) and document["loadOhms"] is None
    zl = 70 - 15j
    for i, hz in enumerate(amp.frequencies_hz):
        gl = seen(parts_abcd(amp.output["elements"], hz), zl, 50, toward_port2=True)
        assert abs(amp.gamma_l[i] - gl) < 1e-9


def test_refusals_raise_value_errors(device_file, tmp_path):
    with pytest.raises(ValueError, match="not one of gain, noise"):
        tevmar.amplifier(device_file, 3.9, 4.1, goal="flat")
    with pytest.raises(ValueError, match="load_ohms: 0.0001 ohms"):
        tevmar.amplifier(device_file, 3.9, 4.1, load_ohms=1e-4)
    with pytest.raises(ValueError, match="reaches past the data"):
        tevmar.amplifier(device_file, 3, 4.1)
    plain = tmp_path / "plain.s2p"
    plain.write_text("# GHz S MA R 50\n3.9 0.73 -114 2.65 77 0.030 57 0.73 -53\n"
                     "4.1 0.71 -118 2.55 75 0.031 56 0.72 -55\n")
    with pytest.raises(ValueError, match="noise parameters"):
        tevmar.amplifier(plain, 3.9, 4.1, goal="noise")


def test_the_stability_margin_and_tolerance_asked_are_what_is_checked(device_file):
    amp = tevmar.amplifier(device_file, 3.9, 4.1, stability_margin=0.8, tolerance=5)
    checked = amp.stability
    assert checked["marginAsked"] == 0.8 and checked["toleranceChecked"] == 5
    assert checked["worstLoopInBand"] <= 0.64 + 1e-6
    assert checked["worstLoopInBand"] <= checked["worstLoopOverData"] < 1
    assert json.loads(amp.to_json())["amplifier"]["stability"] == checked
    with pytest.raises(ValueError, match="stability_margin"):
        tevmar.amplifier(device_file, 3.9, 4.1, stability_margin=1.5)


def test_parts_as_built_take_the_command_lines_keywords(device_file):
    # Chip models and pads in both networks: the same run as tevmar-cli's,
    # and the lossy parts cost gain against the ideal networks.
    built = tevmar.amplifier(device_file, 3.9, 4.1, l_model="40@4GHz,0.05pF",
                             c_model="0.3nH,0.15@4GHz", pad="0.03pF")
    cli = subprocess.run([CLI, "--device", str(device_file), "--amplifier", "--f1", "3.9",
                          "--f2", "4.1", "--l-model", "40@4GHz,0.05pF", "--c-model",
                          "0.3nH,0.15@4GHz", "--pad", "0.03pF", "--json"],
                         capture_output=True, text=True, check=True)
    assert json.loads(built.to_json()) == json.loads(cli.stdout)
    ideal = tevmar.amplifier(device_file, 3.9, 4.1)
    assert built.gt_db_min < ideal.gt_db_min
    assert np.all(np.isfinite(built.gt_db)) and np.all(np.isfinite(built.nf_db))
    # Finite Q by number, as tevmar.design() takes it; None leaves it out.
    lossy = tevmar.amplifier(device_file, 3.9, 4.1, q_l=30, q_c=200, q_model="constant")
    assert lossy.gt_db_min < ideal.gt_db_min
    assert np.all(np.isfinite(lossy.nf_db))
    same = tevmar.amplifier(device_file, 3.9, 4.1, q_l=None, l_model=None, pad=None)
    assert same.to_json() == ideal.to_json()


def test_bad_part_models_name_the_keyword(device_file):
    with pytest.raises(ValueError, match="l_model"):
        tevmar.amplifier(device_file, 3.9, 4.1, l_model="forty")
    with pytest.raises(ValueError, match="q_l"):
        tevmar.amplifier(device_file, 3.9, 4.1, q_l=-5)
    with pytest.raises(ValueError, match="pad"):
        tevmar.amplifier(device_file, 3.9, 4.1, pad="lots")
    with pytest.raises(ValueError, match="l_model.*q_l"):
        tevmar.amplifier(device_file, 3.9, 4.1, q_l=40, l_model="40@4GHz,0.05pF")
    with pytest.raises(TypeError, match="q_l: expects a text or a number"):
        tevmar.amplifier(device_file, 3.9, 4.1, q_l=[40])


BJT = """# GHz S MA R 50
0.5 0.791 -115 9.086 131 0.0220 58 0.608 -30
1 0.782 -130 7.419 112 0.0280 54 0.595 -35
1.5 0.773 -145 6.244 93 0.0340 50 0.583 -40
1.9 0.766 -157 5.531 78 0.0388 47 0.573 -44
2.3 0.759 -169 4.959 63 0.0436 44 0.562 -48
3 0.746 170 4.192 36 0.0520 38 0.545 -55
"""


def elements_abcd(elements, hz):
    """As parts_abcd, the stabilising resistors (ohms) among the parts."""
    m = np.eye(2, dtype=complex)
    for e in elements:
        if e["unit"] == "ohm":
            assert e["stabiliser"] is True
            section = [[1, e["value"]], [0, 1]] if e["kind"] == "series resistor" \
                else [[1, 0], [1 / e["value"], 1]]
            m = m @ np.array(section, dtype=complex)
        else:
            m = m @ parts_abcd([e], hz)
    return m


def device_abcd(s, z0=50):
    s11, s21, s12, s22 = s
    return np.array([[((1 + s11) * (1 - s22) + s12 * s21) / (2 * s21),
                      z0 * ((1 + s11) * (1 + s22) - s12 * s21) / (2 * s21)],
                     [((1 - s11) * (1 - s22) - s12 * s21) / (2 * s21 * z0),
                      ((1 - s11) * (1 + s22) + s12 * s21) / (2 * s21)]])


def test_stabilise_lists_the_resistors_and_claims_the_whole_chain(tmp_path):
    path = tmp_path / "bjt.s2p"
    path.write_text(BJT)
    amp = tevmar.amplifier(path, 1.5, 2.3, stabilise=True)
    cli = subprocess.run([CLI, "--device", str(path), "--amplifier", "--f1", "1.5", "--f2",
                          "2.3", "--stabilise", "--json"],
                         capture_output=True, text=True, check=True)
    assert amp.to_json() == cli.stdout
    listed = [e for side in (amp.input, amp.output) for e in side["elements"]
              if e.get("stabiliser")]
    assert listed and amp.stabiliser["gainCostDb"] > 0
    assert amp.stable and all(amp.mu > 1)
    rows = {round(float(r.split()[0]) * 1e9): r.split() for r in BJT.splitlines()[1:]}
    for i, hz in enumerate(amp.frequencies_hz):
        r = [float(v) for v in rows[round(hz)]]
        s = [polar(r[k], r[k + 1]) for k in (1, 3, 5, 7)]
        (a, b), (c, d) = (elements_abcd(amp.input["elements"], hz) @ device_abcd(s) @
                          elements_abcd(amp.output["elements"], hz))
        gt = 4 * 50 * 50 / abs(a * 50 + b + c * 2500 + d * 50) ** 2
        assert amp.gt_db[i] == pytest.approx(10 * np.log10(gt), abs=1e-9)


def test_stabilise_on_a_stable_device_adds_nothing(device_file):
    plain = tevmar.amplifier(device_file, 3.9, 4.1)
    amp = tevmar.amplifier(device_file, 3.9, 4.1, stabilise=True)
    assert plain.stabiliser is None
    assert amp.stabiliser["inputSeriesOhms"] is None
    assert amp.stabiliser["outputShuntOhms"] is None
    assert amp.input == plain.input and amp.output == plain.output
    assert amp.gt_db_min == plain.gt_db_min
