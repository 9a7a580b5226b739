"""The tevmar module against tevmar-cli: the same inputs give the same
document, report and lines; the network's S-parameters against a cascade
computed here from the JSON's element values."""

import json
import os
import subprocess
import warnings

import numpy as np
import pytest

import tevmar

CLI = os.environ.get("TEVMAR_CLI", "build/cli/tevmar-cli")

DESIGNS = [
    # (module arguments, the same as tevmar-cli options)
    ((2, 3, 50, 10), {}, ["--f1", "2", "--f2", "3", "--zhigh", "50", "--zlow", "10"]),
    (
        ("2.3", "2.6 GHz", "50", "8"),
        {"order": 8, "load": "shunt-rc", "absorb": 0.4, "eseries": "E24", "q_l": 40},
        ["--f1", "2.3", "--f2", "2.6 GHz", "--zhigh", "50", "--zlow", "8", "--order", "8",
         "--load", "shunt-rc", "--absorb", "0.4", "--eseries", "E24", "--q-l", "40"],
    ),
    ((2, 3, 10, 50), {}, ["--f1", "2", "--f2", "3", "--zhigh", "10", "--zlow", "50"]),
    (
        (2, 3, 50, 10),
        {"l_model": "55@1.5GHz,0.157pF", "c_model": "0.45nH,0.12@1GHz", "pad": "0.05pF",
         "tune": True},
        ["--f1", "2", "--f2", "3", "--zhigh", "50", "--zlow", "10", "--l-model",
         "55@1.5GHz,0.157pF", "--c-model", "0.45nH,0.12@1GHz", "--pad", "0.05pF", "--tune"],
    ),
]


def cli(args, cwd):
    return subprocess.run([CLI, *args], cwd=cwd, capture_output=True, text=True)


@pytest.mark.parametrize("args,kwargs,options", DESIGNS)
def test_design_agrees_with_the_cli(tmp_path, args, kwargs, options):
    design = tevmar.design(*args, **kwargs)
    assert cli(options + ["--json", "--report", "cli.prt"], tmp_path).stdout == design.to_json()
    plain = cli(options + ["--report", "cli.prt"], tmp_path)
    if design.solved:
        assert (tmp_path / "cli.prt").read_bytes() == design.report
        assert plain.stdout.splitlines() == design.pane_lines
    else:
        assert plain.returncode == 1 and design.pane_lines == []
    assert sorted(os.listdir(tmp_path)) == (["cli.prt"] if design.solved else [])
    if design.solved:
        design.save(tmp_path / "module.prt")
        assert (tmp_path / "module.prt").read_bytes() == design.report


def test_tune_agrees_with_the_cli(tmp_path):
    tuned = tevmar.design(2, 3, 50, 10, absorb=0.5).tune(eseries="E24")
    options = ["--f1", "2", "--f2", "3", "--zhigh", "50", "--zlow", "10", "--absorb", "0.5"]
    assert cli(options + ["--tune", "--eseries", "E24", "--json"], tmp_path).stdout == tuned.to_json()
    network = tuned.network()
    assert [e["standard"] for e in network.elements] == [2.2, 3.3, 3.3]
    # The tuned design is the tuned network; the synthesis' figure keeps its own name.
    assert network.gamma_max == tuned.gamma_max < tuned.textbook_gamma_max


def cascade(elements, ports, freqs):
    """S-parameters from the ABCD product of the parts, each port to its own
    termination."""
    z1, z2 = ports
    out = []
    for f in freqs:
        w = 2 * np.pi * f
        m = np.eye(2, dtype=complex)
        for e in elements:
            value = e["full"] * (1e-9 if e["unit"] == "nH" else 1e-12)
            z = 1j * w * value if e["unit"] == "nH" else 1 / (1j * w * value)
            step = [[1, 0], [1 / z, 1]] if e["kind"].startswith("shunt") else [[1, z], [0, 1]]
            m = m @ np.array(step, dtype=complex)
        (a, b), (c, d) = m
        den = a * z2 + b + c * z1 * z2 + d * z1
        r = 2 * np.sqrt(z1 * z2)
        out.append([[(a * z2 + b - c * z1 * z2 - d * z1) / den, r * (a * d - b * c) / den],
                    [r / den, (-a * z2 + b - c * z1 * z2 + d * z1) / den]])
    return np.array(out)


def test_network_s_agrees_with_a_cascade_of_its_parts():
    design = tevmar.design(2, 3, 50, 10, order=8, absorb=0.5)
    network = design.network()
    assert all(not e["absorbedLoad"] for e in network.elements)
    freqs = np.linspace(1e9, 4e9, 31)
    s = network.s(freqs)
    assert s.shape == (31, 2, 2) and s.dtype == complex
    np.testing.assert_allclose(s, cascade(network.elements, (50, 10), freqs), atol=1e-12)
    with pytest.raises(ValueError, match="not a positive number"):
        network.s([0.0])


def test_to_skrf_carries_the_port_terminations():
    skrf = pytest.importorskip("skrf")
    network = tevmar.design(2, 3, 50, 10).network()
    freqs = np.array([2e9, 2.5e9, 3e9])
    ntwk = network.to_skrf(freqs)
    assert isinstance(ntwk, skrf.Network)
    np.testing.assert_allclose(ntwk.s, network.s(freqs))
    np.testing.assert_allclose(ntwk.z0, [[50, 10]] * 3)


def antenna_s1p(path):
    """A chip antenna: 18 ohms with 1.2 nH, 0.2 pF across its pads."""
    lines = ["! chip antenna", "# GHz S RI R 50"]
    for ghz in np.arange(2.0, 3.0001, 0.01):
        w = 2 * np.pi * ghz * 1e9
        chip, pads = 18 + 1j * w * 1.2e-9, -1j / (w * 0.2e-12)
        z = chip * pads / (chip + pads)
        s = (z - 50) / (z + 50)
        lines.append(f"{ghz!r} {s.real!r} {s.imag!r}")
    path.write_text("\n".join(lines) + "\n")


def test_match_agrees_with_the_cli_and_a_bad_file_is_named(tmp_path):
    s1p = tmp_path / "antenna.s1p"
    antenna_s1p(s1p)
    match = tevmar.match("2.3", "2.6", s1p, 50)
    options = ["--f1", "2.3", "--f2", "2.6", "--load-s1p", str(s1p), "--source", "50", "--json"]
    assert cli(options + ["--report", "cli.prt"], tmp_path).stdout == match.to_json()
    assert match.fit["chosen"]["kind"] == "series-rl"
    # Into the measured data, not into the fitted model the design was made for.
    into_data = json.loads(match.to_json())["analysis"]["selfCheck"]["fullPrecision"]
    assert match.gamma_max == match.network().gamma_max == into_data["gammaMax"]

    bad = tmp_path / "bad.s1p"
    bad.write_text("# GHz S RI R 50\n2.0 0.1 0.2\n2.1 x 0.1\n")
    with pytest.raises(ValueError, match=f"^load_s1p: {bad}:3: "):
        tevmar.match(2, 3, bad, 50)
    assert sorted(os.listdir(tmp_path)) == ["antenna.s1p", "bad.s1p", "cli.prt"]


# The CLI's messages, each naming the keyword argument the caller wrote
# rather than the command-line option it stands for.
@pytest.mark.parametrize("kwargs,message", [
    ({"order": 5}, '^order: "5" is not one of 4, 8, 12'),
    ({"load": "series"}, '^load: "series" is not one of series-rl'),
    ({"eseries": "E13"}, '^eseries: "E13" is not one of E12, E24, E48, E96'),
    ({"touchstone_r": 75}, "^touchstone_r applies to touchstone only; give it$"),
    ({"q_model": "centre"}, "^q_model applies to q_l and q_c; give one$"),
    ({"l_range": (1, 10)}, "^l_range applies to tune and candidates; give one$"),
    ({"pick": 2}, "^pick chooses among candidates; give it$"),
    ({"l_model": "55@1.5,0.157pF"}, '^l_model: "55@1.5,0.157pF" is not Q@F,CP .*needs its unit'),
    ({"pad": "0.05"}, '^pad: the pad capacitance "0.05" needs its unit, pF$'),
    ({"q_c": 50, "c_model": "0.45nH,0.12@1GHz"}, "^c_model gives the capacitors' loss; not with q_c$"),
    ({"sweep": "a.csv", "spice": "a.csv"}, '^spice: "a.csv" is already the file of sweep$'),
])
def test_bad_options_raise_the_cli_message(kwargs, message):
    with pytest.raises(ValueError, match=message) as raised:
        tevmar.design(2, 3, 50, 10, **kwargs)
    assert "--" not in str(raised.value)


def test_warnings_and_usage_problems_name_keyword_arguments():
    with pytest.warns(UserWarning, match='^f1: "2,5" read as 2$'):
        tevmar.design("2,5", 3, 50, 10)
    with pytest.raises(ValueError, match="^pick: there are [0-9]+ candidates, not 99$"):
        tevmar.design(1.8, 2.2, 50, 30, absorb=2, candidates=True, pick=99)


def test_candidates_are_ranked_as_the_cli_ranks_them(tmp_path):
    args = ["--f1", "1.8", "--f2", "2.2", "--zhigh", "50", "--zlow", "30", "--absorb", "2"]
    ranked = json.loads(cli(args + ["--candidates", "--json"], tmp_path).stdout)
    found = tevmar.design(1.8, 2.2, 50, 30, absorb=2).candidates()
    assert found == ranked["candidates"]
    assert [c["gammaMax"] for c in found] == sorted(c["gammaMax"] for c in found)


# ---------------------------------------------------------------- hostile input

def test_paths_are_taken_as_open_takes_them(tmp_path):
    s1p = tmp_path / "antenna.s1p"
    antenna_s1p(s1p)
    design = tevmar.design(2, 3, 50, 10)
    for bad in (str(tmp_path / "x.prt\x00.evil"), bytes(tmp_path / "x.prt") + b"\x00.evil"):
        with pytest.raises(ValueError, match="embedded null"):
            design.save(bad)
    with pytest.raises(ValueError, match="embedded null"):
        tevmar.match(2.3, 2.6, str(s1p) + "\x00junk", 50)
    with pytest.raises(TypeError):
        design.save(42)
    design.save(os.fsencode(tmp_path / "bytes.prt"))
    design.save(tmp_path / "undecodable-\udcff.prt")
    assert sorted(os.listdir(os.fsencode(tmp_path))) == [
        b"antenna.s1p", b"bytes.prt", b"undecodable-\xff.prt"]
    assert (tmp_path / "bytes.prt").read_bytes() == design.report
    same = tevmar.match(2.3, 2.6, os.fsencode(s1p), 50).to_json()
    assert same == tevmar.match(2.3, 2.6, str(s1p), 50).to_json()


def test_save_never_replaces_a_measurement(tmp_path):
    s1p = tmp_path / "antenna.s1p"
    antenna_s1p(s1p)
    measured = s1p.read_bytes()
    os.symlink(s1p, tmp_path / "link.s1p")
    os.link(s1p, tmp_path / "hard.s1p")
    match = tevmar.match(2.3, 2.6, s1p, 50)
    other = tmp_path / "other.s1p"
    antenna_s1p(other)
    sourced = tevmar.match(2.3, 2.6, other, source_s1p=tmp_path / "link.s1p")
    for design, option in ((match, "load_s1p"), (match.tune(), "load_s1p"),
                           (sourced, "source_s1p")):
        for target in ("antenna.s1p", "link.s1p", "hard.s1p"):
            with pytest.raises(ValueError, match=f"is the file {option} reads"):
                design.save(tmp_path / target)
    assert s1p.read_bytes() == measured


def test_a_measured_source_gives_the_cli_figures(tmp_path):
    load, source = tmp_path / "antenna.s1p", tmp_path / "pa.s1p"
    antenna_s1p(load)
    lines = ["# GHz S RI R 50"]
    for ghz in np.arange(2.0, 3.0001, 0.01):
        z = 8 + 2j * np.pi * ghz * 0.5
        s = (z - 50) / (z + 50)
        lines.append(f"{ghz!r} {s.real!r} {s.imag!r}")
    source.write_text("\n".join(lines) + "\n")
    match = tevmar.match("2.3", "2.6", load, source_s1p=source)
    options = ["--f1", "2.3", "--f2", "2.6", "--load-s1p", str(load), "--source-s1p", str(source),
               "--json"]
    assert cli(options + ["--report", "cli.prt"], tmp_path).stdout == match.to_json()
    assert json.loads(match.to_json())["measuredSource"]["chosen"]["kind"] == "series-rl"
    tuned = match.tune()
    assert cli(options + ["--tune", "--report", "cli.prt"], tmp_path).stdout == tuned.to_json()


def test_numbers_of_every_kind_and_out_of_range_values():
    plain = tevmar.design(2, 3, 50, 10).to_json()
    assert tevmar.design(np.int64(2), np.float64(3), np.int32(50), np.float32(10)).to_json() == plain
    assert tevmar.design(2, 3, 50, 10, order=np.int64(4)).to_json() == plain
    with pytest.raises(ValueError, match='^f1: "1' + "0" * 400 + '" read as inf$'):
        tevmar.design(10**400, 3, 50, 10)
    with pytest.raises(ValueError, match='^zlow: "nan" read as 0$'):
        tevmar.design(2, 3, 50, float("nan"))
    # The bytes tevmar-cli would have received, as Python's argv holds them.
    with pytest.raises(ValueError, match='^f1: "\udced\udca0\udc80" read as 0$'):
        tevmar.design("\ud800", 3, 50, 10)
    with pytest.raises(ValueError, match='order: "1' + "0" * 400 + '" is not one of 4, 8, 12'):
        tevmar.design(2, 3, 50, 10, order=10**400)
    with pytest.raises(ValueError, match='q_l: "1e400" is not a Q'):
        tevmar.design(2, 3, 50, 10, q_l="1e400")
    for wrong in (True, np.bool_(True), None, [2], object()):
        with pytest.raises(TypeError, match="f1: expects a text or a number"):
            tevmar.design(wrong, 3, 50, 10)


@pytest.mark.parametrize("call", [
    lambda: tevmar.design(2, 3, 50, 10, help=True),
    lambda: tevmar.design(2, 3, 50, 10, version=True),
    lambda: tevmar.design(2, 3, 50, 10, report="x.prt"),
    lambda: tevmar.design(2, 3, 50, 10, q_L=40),
    lambda: tevmar.design(2, 3, 50, 10).tune(eserie="E24"),
])
def test_unknown_keywords_are_named(call):
    with pytest.raises(TypeError, match=r"\(\) got an unexpected keyword argument '(help|version|report|q_L|eserie)'"):
        call()


def test_warnings_turned_into_errors_propagate_as_themselves(tmp_path):
    s1p = tmp_path / "antenna.s1p"
    antenna_s1p(s1p)
    with pytest.warns(UserWarning, match='f1: "2,5" read as 2'):
        tevmar.design("2,5", 3, 50, 10)
    # A band past the measurement is refused, naming the data's range.
    with pytest.raises(ValueError, match=r"reaches past the data \(2 to 3 GHz\)"):
        tevmar.match(1.5, 2.6, s1p, 50)
    calls = [lambda: tevmar.design("2,5", 3, 50, 10)]
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        for call in calls:
            with pytest.raises(UserWarning):
                call()


def test_sizes_over_their_bounds_are_refused_before_any_work():
    network = tevmar.design(2, 3, 50, 10).network()
    assert network.s(np.full(1_000_000, 2e9)).shape == (1_000_000, 2, 2)
    with pytest.raises(ValueError, match="1000001 frequencies in one call; at most 1000000"):
        network.s(np.full(1_000_001, 2e9))
    with pytest.raises(ValueError, match="at most 1000000"):
        network.s(range(1, 10**8))  # refused by its length, never converted
    with pytest.raises(ValueError, match='monte_carlo: "1000001" is not a whole number from 1 to 1000000'):
        tevmar.design(2, 3, 50, 10, monte_carlo=1_000_001)
    assert "1000000 frequencies" in tevmar.Network.s.__doc__
    assert "at most 1000000 tolerance trials" in tevmar.design.__doc__
