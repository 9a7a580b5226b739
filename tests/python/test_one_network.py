"""A Design stands for one network: its figure, its parts and its lines are
that network's, as tevmar-cli gives them for the same arguments; candidates
are networks too; a load may be written as a circuit."""

import json
import os
import subprocess

import numpy as np
import pytest

import tevmar

CLI = os.environ.get("TEVMAR_CLI", "build/cli/tevmar-cli")
KEYS = {"name", "part", "kind", "unit", "value"}


def cli(args, cwd):
    return subprocess.run([CLI, *args], cwd=cwd, capture_output=True, text=True)


def test_a_tuned_design_is_the_tuned_network(tmp_path):
    design = tevmar.design(2, 3, 50, 10, absorb=0.5)
    tuned = design.tune(eseries="E24")
    doc = json.loads(tuned.to_json())
    # The network's own figure; the synthesis' by its own name.
    assert tuned.gamma_max == doc["tuned"]["standardValues"]["gammaMax"]
    assert tuned.textbook_gamma_max == design.textbook_gamma_max == design.gamma_max
    assert tuned.gamma_max < tuned.textbook_gamma_max
    network = tuned.network()
    assert network.gamma_max == tuned.gamma_max
    assert all(KEYS <= set(e) for e in network.elements)
    assert [e["value"] for e in network.elements] == [e["standard"] for e in network.elements]
    options = ["--f1", "2", "--f2", "3", "--zhigh", "50", "--zlow", "10", "--absorb", "0.5",
               "--tune", "--eseries", "E24"]
    run = cli(options + ["--report", "cli.prt"], tmp_path)
    assert run.stdout.splitlines() == tuned.pane_lines
    assert any(line.startswith("Tuned") or "tuned" in line.lower() for line in tuned.pane_lines)


def test_a_design_without_a_network_has_no_figure(tmp_path):
    unsolved = tevmar.design(1.8, 2.2, 50, 30, absorb=2)
    assert not unsolved.solved
    assert unsolved.gamma_max is None and unsolved.textbook_gamma_max is None
    with pytest.raises(ValueError, match="^no design"):
        unsolved.network()
    # Tuned from a relaxed start, it is that network.
    tuned = unsolved.tune()
    assert tuned.gamma_max is not None and tuned.gamma_max == tuned.network().gamma_max
    assert tuned.textbook_gamma_max is None
    options = ["--f1", "1.8", "--f2", "2.2", "--zhigh", "50", "--zlow", "30", "--absorb", "2",
               "--tune"]
    assert cli(options + ["--report", "cli.prt"], tmp_path).stdout.splitlines() == \
        tuned.pane_lines


def test_a_plain_design_has_the_elements_of_its_table():
    design = tevmar.design(2, 3, 50, 10, order=8, absorb=0.5)
    network = design.network()
    assert design.gamma_max == design.textbook_gamma_max
    assert all(KEYS <= set(e) for e in network.elements)
    assert [e["value"] for e in network.elements] == [e["full"] for e in network.elements]


def test_candidates_are_networks_with_their_own_figures(tmp_path):
    found = tevmar.design(1.8, 2.2, 50, 30, absorb=2).candidates()
    args = ["--f1", "1.8", "--f2", "2.2", "--zhigh", "50", "--zlow", "30", "--absorb", "2",
            "--candidates", "--json"]
    ranked = json.loads(cli(args, tmp_path).stdout)["candidates"]
    assert len(found) == len(ranked)
    best = found[0]
    assert best.gamma_max == ranked[0]["gammaMax"] == best["gammaMax"]
    assert json.loads(best.to_json()) == ranked[0]
    assert all(KEYS <= set(e) for e in best.elements)
    assert [e["name"] for e in best.elements] == [e["name"] for e in ranked[0]["elements"]]
    network = best.network()
    assert network.gamma_max == best.gamma_max
    assert network.s(np.array([2e9])).shape == (1, 2, 2)
    assert "gamma_max" in repr(best)


def test_a_picked_candidate_is_the_network_of_the_design(tmp_path):
    picked = tevmar.design(1.8, 2.2, 50, 30, absorb=2, candidates=True, pick=2)
    ranked = json.loads(picked.to_json())["candidates"]
    network = picked.network()
    assert picked.gamma_max == network.gamma_max == ranked[1]["gammaMax"]
    assert [e["name"] for e in network.elements] == [e["name"] for e in ranked[1]["elements"]]


def test_a_match_into_a_circuit_reads_as_tevmar_cli(tmp_path):
    match = tevmar.match("2.3", "2.6", source=50, load_circuit="(18 + 1.2nH) || 0.2pF")
    options = ["--f1", "2.3", "--f2", "2.6", "--source", "50", "--load-circuit",
               "(18 + 1.2nH) || 0.2pF"]
    assert cli(options + ["--json", "--report", "cli.prt"], tmp_path).stdout == match.to_json()
    assert cli(options + ["--report", "cli.prt"], tmp_path).stdout.splitlines() == \
        match.pane_lines
    assert match.fit["chosen"]["kind"] == "series-rl"
    assert match.gamma_max == match.network().gamma_max
    assert match.textbook_gamma_max != match.gamma_max  # into the circuit, not its fit
    with pytest.raises(ValueError, match=r"^load_circuit: at character 5: found the end"):
        tevmar.match(2.3, 2.6, source=50, load_circuit="20 +")
    sourced = tevmar.match(2.3, 2.6, load_circuit="(18 + 1.2nH) || 0.2pF",
                           source_circuit="8 + 0.5nH")
    assert json.loads(sourced.to_json())["measuredSource"]["chosen"]["kind"] == "series-rl"
