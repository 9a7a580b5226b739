"""Numbers given to keywords fill the run's settings as numbers: the same
run as their text, the same refusals in the same words, each naming the
keyword."""

import json

import numpy as np
import pytest

import tevmar


def document(**kwargs):
    return json.loads(tevmar.design(2, 3, 50, 10, **kwargs).to_json())


def test_numbers_and_their_text_make_the_same_run():
    for typed, text in [
        ({"q_l": 40, "q_c": 200.5}, {"q_l": "40", "q_c": "200.5"}),
        ({"q_l": np.float64(40), "tolerance": np.int64(5)}, {"q_l": "40", "tolerance": "5"}),
        ({"tune": True, "l_range": (1, 100), "c_range": [0.5, 50]},
         {"tune": True, "l_range": "1:100", "c_range": "0.5:50"}),
    ]:
        assert document(**typed) == document(**text)
    ranked = tevmar.design(2, 3, 50, 10).candidates(lines="ideal", z0_range=(30, 90))
    assert ranked == tevmar.design(2, 3, 50, 10).candidates(lines="ideal", z0_range="30:90")


@pytest.mark.parametrize("kwargs,message", [
    ({"q_l": 0}, 'q_l: "0" is not a Q of 0.001 or more'),
    ({"q_l": float("inf")}, 'q_l: "inf" is not a Q of 0.001 or more'),
    ({"q_c": float("nan")}, 'q_c: "nan" is not a Q of 0.001 or more'),
    ({"monte_carlo": 10**7}, 'monte_carlo: "10000000" is not a whole number from 1 to 1000000'),
    ({"monte_carlo": 2.5}, 'monte_carlo: "2.5" is not a whole number from 1 to 1000000'),
    ({"tolerance": 100}, 'tolerance: "100" is not a percentage from 0 up to'),
    ({"tune": True, "l_range": (100, 1)}, 'l_range: "100:1" is not MIN:MAX in nH'),
    ({"tune": True, "c_range": 5}, 'c_range: "5" is not MIN:MAX in pF'),
    ({"candidates": True, "lines": "ideal", "line_z0": 0.5},
     'line_z0: "0.5" is not an impedance from 1 to 10000 ohms'),
    ({"l_range": (1, 100)}, "l_range applies to"),
])
def test_bad_numbers_are_named_by_their_keyword(kwargs, message):
    with pytest.raises(ValueError) as refused:
        tevmar.design(2, 3, 50, 10, **kwargs)
    assert str(refused.value).startswith(message)
    assert "--" not in str(refused.value)
