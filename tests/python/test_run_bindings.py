"""The module's values are the run's own: every view of a design, a match,
a candidate list or an amplifier is the entry of the document tevmar-cli
writes for the same request, and each keyword fills its own setting, however
the keywords around it are given."""

import json
import os

import numpy as np
import pytest

import tevmar
from test_amplifier import DEVICE
from test_tevmar import antenna_s1p, cli

BAND = ["--f1", "1.8", "--f2", "2.2", "--zhigh", "50", "--zlow", "30", "--absorb", "2"]


def test_a_picked_candidate_on_standard_values_is_the_clis_document(tmp_path):
    picked = tevmar.design(1.8, 2.2, 50, 30, absorb=2, candidates=True, pick=3, eseries="E24")
    expected = cli(BAND + ["--candidates", "--pick", "3", "--eseries", "E24", "--json"], tmp_path)
    assert picked.to_json() == expected.stdout
    document = json.loads(expected.stdout)
    assert picked.elements is None  # no textbook design for this load
    entry = document["candidates"][2]
    assert picked.gamma_max == entry["standardValues"]["gammaMax"]
    assert [e["value"] for e in picked.network().elements] == \
        [e["value"] for e in entry["standardValues"]["elements"]]


def test_a_match_tuned_and_ranked_gives_the_documents_entries(tmp_path):
    s1p = tmp_path / "antenna.s1p"
    antenna_s1p(s1p)
    match = tevmar.match("2.3", "2.6", s1p, 50)
    tuned = match.tune(eseries="E24")
    options = ["--f1", "2.3", "--f2", "2.6", "--load-s1p", str(s1p), "--source", "50",
               "--json", "--report", "cli.prt"]
    text = cli(options + ["--tune", "--eseries", "E24"], tmp_path).stdout
    assert tuned.to_json() == text
    document = json.loads(text)
    assert tuned.fit == match.fit == document["measuredLoad"]
    assert tuned.elements == match.elements
    # The document's table, its parts named by reference ("name"), "part"
    # kept for kit part numbers.
    for e, entry in zip(match.elements, document["elements"], strict=True):
        assert e["name"] == entry.get("part") and e["part"] is None
        assert all(e[key] == value for key, value in entry.items() if key != "part")
    standard = document["tuned"]["standardValues"]["elements"]
    assert [(e["name"], e["kind"], e["value"]) for e in tuned.network().elements] == \
        [(e["part"], e["kind"], e["standard"]) for e in standard]
    ranked = match.candidates()
    listed = json.loads(cli(options + ["--candidates"], tmp_path).stdout)["candidates"]
    assert [c.to_dict() for c in ranked] == listed


def test_a_plain_designs_document_leaves_its_network_as_it_was(tmp_path):
    # The document is worked out from the design already made: asking for it
    # changes neither the network nor its figures, before or after.
    design = tevmar.design(2, 3, 50, 10, order=8, q_l=40, pad="0.05pF")
    f = np.linspace(1.5e9, 3.5e9, 7)
    before = design.network().s(f)
    gamma, loss = design.gamma_max, design.loss_db_max
    text = design.to_json()
    options = ["--f1", "2", "--f2", "3", "--zhigh", "50", "--zlow", "10", "--order", "8",
               "--q-l", "40", "--pad", "0.05pF", "--json", "--report", "cli.prt"]
    assert text == cli(options, tmp_path).stdout == design.to_json()
    assert design.network().s(f).tobytes() == before.tobytes()
    assert (design.gamma_max, design.loss_db_max) == (gamma, loss)
    assert loss == json.loads(text)["analysis"]["asBuilt"]["lossDbMax"]
    # Unsolved: the document holds the inputs and the status alone.
    unsolved = tevmar.design(2, 3, 10, 50)
    assert unsolved.to_json() == cli(["--f1", "2", "--f2", "3", "--zhigh", "10", "--zlow", "50",
                                      "--json", "--report", "cli.prt"], tmp_path).stdout
    assert unsolved.elements is None and unsolved.fit is None


def test_a_tuned_network_with_equal_values_keeps_its_own_order():
    # Two parts of one standard value: the list follows the network, whose
    # S-parameters are those of its parts cascaded from port 1.
    tuned = tevmar.design(2, 3, 50, 10, absorb=0.5).tune(eseries="E24")
    net = tuned.network()
    values = [e["value"] for e in net.elements]
    assert len(set(values)) < len(values)
    kinds = [e["kind"] for e in json.loads(tuned.to_json())["tuned"]["standardValues"]["elements"]]
    assert [e["kind"] for e in net.elements] == kinds
    f = np.array([2e9, 2.5e9, 3e9])
    z1, z2 = net.port_ohms
    for k, hz in enumerate(f):
        w = 2 * np.pi * hz
        m = np.eye(2, dtype=complex)
        for e in net.elements:
            x = e["value"] * (1e-9 if e["unit"] == "nH" else 1e-12)
            z = 1j * w * x if e["unit"] == "nH" else 1 / (1j * w * x)
            m = m @ (np.array([[1, 0], [1 / z, 1]]) if e["kind"].startswith("shunt")
                     else np.array([[1, z], [0, 1]]))
        (a, b), (c, d) = m
        s11 = (a * z2 + b - c * z1 * z2 - d * z1) / (a * z2 + b + c * z1 * z2 + d * z1)
        assert net.s(f)[k, 0, 0] == pytest.approx(s11, abs=1e-9)


def test_the_amplifiers_entries_are_its_documents(tmp_path):
    path = tmp_path / "fet.s2p"
    path.write_text(DEVICE)
    amp = tevmar.amplifier(path, "3.9", "4.1", stability_margin=0.8, tolerance=5, q_l=60)
    expected = cli(["--device", str(path), "--amplifier", "--f1", "3.9", "--f2", "4.1",
                    "--stability-margin", "0.8", "--tolerance", "5", "--q-l", "60", "--json"],
                   tmp_path).stdout
    assert amp.to_json() == expected
    document = json.loads(expected)["amplifier"]
    assert (amp.input, amp.output, amp.stability) == \
        (document["input"], document["output"], document["stability"])
    assert amp.stability["marginAsked"] == 0.8 and amp.stability["toleranceChecked"] == 5


# ------------------------------------------------------------------ keywords

@pytest.mark.parametrize("kwargs,error,message", [
    # A setting that takes a value, given only True: never the next keyword's.
    ({"q_l": True, "tune": True}, ValueError, "^q_l needs a value$"),
    ({"eseries": True, "q_c": 50}, ValueError, "^eseries needs a value$"),
    # A switch given a value.
    ({"tune": "yes"}, ValueError, "^tune takes no value$"),
    ({"candidates": 1}, ValueError, "^candidates takes no value$"),
    # A value of a type no setting reads.
    ({"q_l": object()}, TypeError, "^q_l: expects a text or a number, not object$"),
    ({"l_range": (1, 2, 3)}, ValueError, r"^l_range: expects \(MIN, MAX\)$"),
    ({"q_L": 40}, TypeError, "unexpected keyword argument 'q_L'"),
])
def test_each_keyword_is_named_in_its_own_refusal(tmp_path, monkeypatch, kwargs, error, message):
    monkeypatch.chdir(tmp_path)
    with pytest.raises(error, match=message):
        tevmar.design(2, 3, 50, 10, **kwargs)
    assert os.listdir(tmp_path) == []


def test_a_file_keyword_given_true_writes_nothing(tmp_path, monkeypatch):
    # Not a file named after the keyword that followed it, and not a run
    # that drops the tuning it was asked for.
    monkeypatch.chdir(tmp_path)
    with pytest.raises(ValueError, match="^sweep needs a value$"):
        tevmar.design(2, 3, 50, 10, sweep=True, tune=True)
    assert os.listdir(tmp_path) == []
    tuned = tevmar.design(2, 3, 50, 10, absorb=0.5, sweep="s.csv", tune=True)
    assert os.listdir(tmp_path) == ["s.csv"]
    assert tuned.gamma_max < tuned.textbook_gamma_max
    (tmp_path / "cli").mkdir()
    expected = cli(["--f1", "2", "--f2", "3", "--zhigh", "50", "--zlow", "10", "--absorb", "0.5",
                    "--sweep", "-", "--tune", "--report", "cli.prt"], tmp_path / "cli")
    assert (tmp_path / "s.csv").read_text() == expected.stdout


def test_a_file_on_standard_output_leaves_the_document_whole(tmp_path, monkeypatch):
    # The sweep piped to standard output is the file's text, never to_json()'s.
    monkeypatch.chdir(tmp_path)
    args = ["--f1", "2", "--f2", "3", "--zhigh", "50", "--zlow", "10", "--absorb", "0.5"]
    for kwargs, options in [({}, []), ({"tune": True}, ["--tune"])]:
        design = tevmar.design(2, 3, 50, 10, absorb=0.5, sweep="-", **kwargs)
        expected = cli(args + options + ["--json", "--report", "cli.prt"], tmp_path).stdout
        assert design.to_json() == expected
        assert json.loads(design.to_json())["status"] == "solved"
        assert os.listdir(tmp_path) == ["cli.prt"]


def test_a_candidates_text_is_its_entry_as_python_writes_json():
    ranked = tevmar.design(1.8, 2.2, 50, 30, absorb=2).candidates(eseries="E24")
    assert ranked
    for candidate in ranked[:3]:
        assert candidate.to_json() == json.dumps(candidate.to_dict())
        assert json.loads(candidate.to_json()) == candidate.to_dict()


@pytest.mark.parametrize("keyword, value", [("tolerance", -5), ("q_l", 0), ("pad", float("nan")),
                                            ("monte_carlo", 2.5)])
def test_a_number_the_setting_cannot_hold_names_its_keyword(keyword, value):
    with pytest.raises(ValueError, match=f"^{keyword}: "):
        tevmar.design(1.8, 2.2, 50, 30, absorb=2, **{keyword: value})
