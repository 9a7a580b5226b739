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


def test_the_functions_own_numbers_are_typed_and_refused_in_the_cli_words(tmp_path):
    # The order and a measured load's source: a number, numpy's or Python's,
    # makes the run its text makes; a refusal names the keyword.
    assert document(order=np.int64(8)) == document(order="8") == document(order=8.0)
    match = tevmar.match(2.3, 2.6, load_circuit="20 + 2.7nH", source=np.float64(75))
    assert match.to_json() == tevmar.match(2.3, 2.6, load_circuit="20 + 2.7nH",
                                           source="75").to_json()
    for call, message in [
        (lambda: tevmar.design(2, 3, 50, 10, order=5), 'order: "5" is not one of 4, 8, 12'),
        (lambda: tevmar.design(2, 3, 50, 10, order=8.5), 'order: "8.5" is not one of 4, 8, 12'),
        (lambda: tevmar.match(2.3, 2.6, load_circuit="20 + 2.7nH", source=-1),
         'source: "-1" is not a positive number'),
        (lambda: tevmar.match(2.3, 2.6, load_circuit="20 + 2.7nH", source=float("nan")),
         'source: "nan" is not a positive number'),
    ]:
        with pytest.raises(ValueError) as refused:
            call()
        assert str(refused.value) == message


DEVICE = """# GHz S MA R 50
2 0.894 -60.6 3.122 123.6 0.020 62.4 0.781 -27.6
4 0.72 -116 2.60 76 0.03 57 0.73 -54
6 0.6 -60 1.9 81 0.05 26 0.5 -60
4 1.2 0.5 90 0.2
6 1.5 0.6 100 0.4
"""


def test_circle_levels_and_the_amplifiers_numbers_are_numbers(tmp_path):
    path = tmp_path / "fet.s2p"
    path.write_text(DEVICE)
    levels = tevmar.device(path, gain_circles=np.array([6.0, 10.0]), noise_circles=(1.5, 2))
    assert levels.to_json() == tevmar.device(path, gain_circles=[6, 10],
                                             noise_circles=[1.5, 2.0]).to_json()
    assert json.loads(levels.to_json())["device"]["points"]
    for kwargs, message in [
        ({"noise_circles": [-1]}, "noise_circles: a level of -1 dB; expected 0 dB or more"),
        ({"gain_circles": [10, 300]},
         "gain_circles: a level of 300 dB; expected at most 200 dB either way"),
        ({"gain_circles": [float("inf")]},
         'gain_circles: "inf" is not a number; expected levels in dB such as 14,15,16'),
        ({"noise_circles": [1] * 21}, "noise_circles: more than 20 levels"),
        ({"gain_circles": [10**400]},
         'gain_circles: "inf" is not a number; expected levels in dB such as 14,15,16'),
    ]:
        with pytest.raises(ValueError) as refused:
            tevmar.device(path, **kwargs)
        assert str(refused.value) == message
    with pytest.raises(TypeError, match="circle levels are numbers of dB"):
        tevmar.device(path, gain_circles=["10"])
    # The amplifier's margin and load as numbers, and their refusals.
    amp = tevmar.amplifier(path, 3.9, 4.1, stability_margin=np.float64(0.8), load_ohms=75)
    same = tevmar.amplifier(path, 3.9, 4.1, stability_margin="0.8", load_ohms="75")
    assert amp.to_json() == same.to_json()
    with pytest.raises(ValueError) as refused:
        tevmar.amplifier(path, 3.9, 4.1, stability_margin=1)
    assert str(refused.value) == 'stability_margin: "1" is not a margin above 0 and below 1'
