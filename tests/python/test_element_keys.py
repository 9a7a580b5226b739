"""One meaning per element key wherever a network comes from: "name" the
part's reference, "part" a kit part number or None; a match without a
textbook design says why; lines reach the candidates through keywords."""

import json
import re
import warnings

import numpy as np
import pytest

import tevmar
from test_kit import kit  # noqa: F401 (a fixture)

REFERENCE = re.compile(r"^[LCT]\d+$")


def assert_plain(elements):
    """Ideal parts: each named by its reference, none a kit part."""
    assert elements
    for e in elements:
        assert REFERENCE.match(e["name"]), e
        assert e["part"] is None, e
        assert {"kind", "unit", "value"} <= set(e)


def test_designs_tunings_and_candidates_name_their_parts_alike():
    design = tevmar.design(2, 3, 50, 10, order=4, absorb=0.5)
    assert_plain(design.network().elements)
    table = design.elements
    parts = [e for e in table if e["kind"] not in ("termination",) and not e.get("absorbedLoad")]
    assert [e["name"] for e in parts] == [e["name"] for e in design.network().elements]
    assert all(e["part"] is None for e in table)
    # The document keeps its own fields: the table's "part" is the reference there.
    document = json.loads(design.to_json())["elements"]
    assert [e.get("part") for e in document if "part" in e] == [e["name"] for e in parts]
    tuned = design.tune(eseries="E24")
    assert_plain(tuned.network().elements)
    for c in design.candidates()[:3]:
        assert_plain(c.elements)
        assert [e["name"] for e in c.elements] == [e["name"] for e in c["elements"]]
        assert c.network().elements == c.elements


def test_kit_networks_carry_part_numbers_apart_from_names(kit):  # noqa: F811
    antenna, parts = str(kit / "antenna.s1p"), str(kit / "parts")
    design = tevmar.match(2.4, 2.5, antenna, source=50, parts=parts)
    # The kit is read by the search: its warnings come with it.
    with pytest.warns(UserWarning, match="^parts: .*resonate within"):
        candidates = design.candidates()
    for c in candidates[:4]:
        for e, entry in zip(c.elements, c["elements"]):
            assert REFERENCE.match(e["name"]) and e["name"] == entry["name"]
            assert e["part"] == entry["part"]
            assert e["part"].startswith("ZL0402-" if e["unit"] == "nH" else "ZC0402-")
    with pytest.warns(UserWarning, match="^parts: .*resonate within"):
        tuned = design.tune()
    for e in tuned.network().elements:
        assert REFERENCE.match(e["name"]) and e["part"].startswith(("ZL0402-", "ZC0402-"))


# A load of 5 ohm + 20 nH across 2.4-2.5 GHz: its Q of some 60 is far beyond
# what a textbook network of this bandwidth absorbs.
HIGH_Q_LOAD = "5 + 20nH"


def test_a_match_without_a_textbook_design_says_why():
    match = tevmar.match(2.4, 2.5, source=50, load_circuit=HIGH_Q_LOAD)
    assert not match.solved
    assert isinstance(match.design_note, str) and match.design_note
    assert "no solution: " + match.design_note in match.messages
    assert "cannot absorb" in match.design_note
    # Its tune and its candidates are there all the same.
    assert match.tune().network().gamma_max < 1
    solved = tevmar.match(2.3, 2.6, source=50, load_circuit="(18 + 1.2nH) || 0.2pF")
    assert solved.solved and solved.design_note is None
    assert tevmar.design(2, 3, 50, 10).design_note is None


def stubs(candidates):
    return [c for c in candidates if c["topology"] == "stub"]


def test_lines_reach_the_candidates():
    design = tevmar.design(2, 3, 50, 10)
    assert not stubs(design.candidates())
    found = stubs(design.candidates(lines="ideal"))
    assert found
    for c in found:
        kinds = {e["kind"] for e in c.elements}
        assert "series line" in kinds and kinds & {"shunt open stub", "shunt short stub"}
        for e in c.elements:
            assert REFERENCE.match(e["name"]) and e["part"] is None
            if e["unit"] == "deg":
                assert 20 <= e["z0Ohms"] <= 120
    # Held at one impedance; the same keywords on design() wait for the search.
    held = stubs(tevmar.design(2, 3, 50, 10, lines="ideal", line_z0=50).candidates())
    assert held and all(e["z0Ohms"] == 50 for c in held for e in c.elements if e["unit"] == "deg")
    narrow = stubs(design.candidates(lines="ideal", z0_range=(40, 60)))
    assert all(40 <= e["z0Ohms"] <= 60 for c in narrow for e in c.elements if e["unit"] == "deg")
    # A line candidate is a network like any other.
    net = found[0].network()
    assert net.s(np.array([2.5e9])).shape == (1, 2, 2)
    # With candidates=True the first run ranks them at once.
    ranked = tevmar.design(2, 3, 50, 10, candidates=True, lines="ideal")
    assert any(c["topology"] == "stub" for c in json.loads(ranked.to_json())["candidates"])
    # A tune of a design given lines is the tune alone.
    assert tevmar.design(2, 3, 50, 10, lines="ideal").tune().gamma_max is not None


def test_bad_line_keywords_are_named():
    design = tevmar.design(2, 3, 50, 10)
    with pytest.raises(ValueError, match=r"^lines: "):
        design.candidates(lines="coax")
    with pytest.raises(ValueError, match=r"^line_z0 .*z0_range"):
        design.candidates(lines="ideal", line_z0=50, z0_range=(20, 120))
    with pytest.raises(ValueError, match=r"^z0_range"):
        design.candidates(lines="ideal", z0_range=(120, 20))
    with pytest.raises(ValueError, match=r"^z0_range applies to lines"):
        design.candidates(z0_range=(20, 120))
    with pytest.raises(ValueError, match=r"^lines applies to candidates"):
        design.tune(lines="ideal")
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        tevmar.design(2, 3, 50, 10, lines="ideal", z0_range=[30, 90]).candidates()
