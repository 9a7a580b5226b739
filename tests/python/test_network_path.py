"""Network.path(): the impedance looking toward the load after each part at
the band's centre, from the load to the source, as the JSON's path gives it
and as a walk through the parts by hand finds it."""

import json
import math
import os
import subprocess

import pytest

import tevmar

CLI = os.environ.get("TEVMAR_CLI", "build/cli/tevmar-cli")


def walk(load, elements, centre_hz):
    """The impedances after each part from the load end: a series part adds
    its impedance, a shunt part its admittance."""
    w = 2 * math.pi * centre_hz
    z, points = complex(load), [("load", complex(load))]
    for e in reversed(elements):
        value = e["value"] * (1e-9 if e["unit"] == "nH" else 1e-12)
        part = 1j * w * value if e["unit"] == "nH" else 1 / (1j * w * value)
        z = 1 / (1 / z + 1 / part) if e["kind"].startswith("shunt") else z + part
        points.append((e["name"], z))
    return points


def as_json(path):
    return [{"after": after, "z": [z.real, z.imag]} for after, z in path]


def assert_same_walk(path, expected):
    assert [after for after, _ in path] == [after for after, _ in expected]
    for (_, z), (_, want) in zip(path, expected):
        assert abs(z - want) <= 1e-9 * max(1.0, abs(want))


def test_a_tuned_network_path_is_the_json_path_and_the_walk_through_its_parts(tmp_path):
    tuned = tevmar.design(2, 3, 50, 10).tune()
    network = tuned.network()
    path = network.path()
    # The same points, name for name and digit for digit, as the document.
    assert as_json(path) == json.loads(tuned.to_json())["tuned"]["path"]
    run = subprocess.run([CLI, "--f1", "2", "--f2", "3", "--zhigh", "50", "--zlow", "10",
                          "--tune", "--json", "--report", "cli.prt"],
                         cwd=tmp_path, capture_output=True, text=True)
    assert as_json(path) == json.loads(run.stdout)["tuned"]["path"]
    # From the 10-ohm load at port 2, one point per part, to near 50 ohms.
    assert path[0] == ("load", complex(network.port_ohms[1]))
    assert len(path) == len(network.elements) + 1
    assert_same_walk(path, walk(10, network.elements, math.sqrt(2e9 * 3e9)))
    # What the source sees at the centre lies within the band's worst reflection.
    z = path[-1][1]
    assert abs((z - 50) / (z + 50)) <= tuned.gamma_max


def test_every_candidate_path_is_its_json_path():
    found = tevmar.design(1.8, 2.2, 50, 30, absorb=2).candidates()
    assert found
    for candidate in found[:4]:
        network = candidate.network()
        path = network.path()
        assert as_json(path) == candidate["path"]
        # Named by the candidate's own labels, from its load through every part.
        assert {after for after, _ in path[1:]} == {e["name"] for e in network.elements}
        load = path[0][1]
        assert_same_walk(path, walk(load, network.elements, math.sqrt(1.8e9 * 2.2e9)))


def test_a_plain_design_and_a_match_have_paths_too(tmp_path):
    design = tevmar.design(2, 3, 50, 10, order=8)
    network = design.network()
    assert_same_walk(network.path(), walk(10, network.elements, math.sqrt(6e18)))

    # Into a load written as a circuit the path starts at the load's own impedance.
    match = tevmar.match(2.3, 2.6, load_circuit="20 + 2.7nH", source=50).tune()
    path = match.network().path()
    assert as_json(path) == json.loads(match.to_json())["tuned"]["path"]
    centre = math.sqrt(2.3e9 * 2.6e9)
    assert path[0][0] == "load"
    assert abs(path[0][1] - complex(20, 2 * math.pi * centre * 2.7e-9)) < 1e-9
    z = path[-1][1]
    assert abs((z - 50) / (z + 50)) <= match.gamma_max
