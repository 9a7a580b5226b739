"""A function's own parameters (the boxes, the amplifier's goal and settings)
fill the run as tevmar-cli's options do: the same document, the same pane,
the same refusals in the same words, each naming the keyword."""

import os
import subprocess

import numpy as np
import pytest

import tevmar

CLI = os.environ.get("TEVMAR_CLI", "build/cli/tevmar-cli")

DEVICE = """# GHz S MA R 50
3.9 0.73 -114 2.65 77 0.030 57 0.73 -53
4.0 0.72 -116 2.60 76 0.030 57 0.73 -54
4.1 0.71 -118 2.55 75 0.031 56 0.72 -55
3.9 1.6 0.62 100 0.4
4.1 1.6 0.62 100 0.4
"""


@pytest.fixture
def device(tmp_path):
    path = tmp_path / "fet.s2p"
    path.write_text(DEVICE)
    return path


def cli(*args, cwd):
    return subprocess.run([CLI, *map(str, args)], capture_output=True, text=True, cwd=cwd)


@pytest.mark.parametrize("keywords,options", [
    ({"goal": "noise", "source": 60, "load_ohms": np.float64(75.5), "stability_margin": 0.85,
      "tolerance": np.int64(3), "q_l": 45, "q_c": "150.5", "q_model": "constant",
      "pad": "0.02pF"},
     ["--goal", "noise", "--source", "60", "--load-ohms", "75.5", "--stability-margin", "0.85",
      "--tolerance", "3", "--q-l", "45", "--q-c", "150.5", "--q-model", "constant",
      "--pad", "0.02pF"]),
    ({"l_model": "40@4GHz,0.05pF", "c_model": "0.4nH,0.1@1GHz", "load_ohms": 30.0},
     ["--l-model", "40@4GHz,0.05pF", "--c-model", "0.4nH,0.1@1GHz", "--load-ohms", "30"]),
])
def test_the_amplifiers_settings_make_the_clis_document(device, tmp_path, keywords, options):
    amp = tevmar.amplifier(device, 3.9, 4.1, **keywords)
    run = cli("--device", device, "--amplifier", "--f1", "3.9", "--f2", "4.1", *options,
              "--json", cwd=tmp_path)
    assert run.returncode == 0, run.stderr
    assert amp.to_json() == run.stdout


@pytest.mark.parametrize("keyword,value,option", [
    ("goal", "flat", "--goal"),
    ("source", 0, "--source"),
    ("load_ohms", 1e-4, "--load-ohms"),
    ("stability_margin", 1.5, "--stability-margin"),
    ("tolerance", 100, "--tolerance"),
    ("q_l", -5, "--q-l"),
    ("q_c", "0", "--q-c"),
    ("q_model", "sometimes", "--q-model"),
    ("l_model", "forty", "--l-model"),
    ("c_model", "x", "--c-model"),
    ("pad", 0.05, "--pad"),
])
def test_each_amplifier_setting_is_refused_in_the_clis_words(device, tmp_path, keyword, value,
                                                             option):
    # q_model alone is refused for want of a Q: give one, so that the value
    # itself is at fault.
    more = {"q_l": 40} if keyword == "q_model" else {}
    with pytest.raises(ValueError) as refused:
        tevmar.amplifier(device, 3.9, 4.1, **{keyword: value}, **more)
    extra = ["--q-l", "40"] if more else []
    run = cli("--device", device, "--amplifier", "--f1", "3.9", "--f2", "4.1", option,
              "0.05" if keyword == "pad" else value, *extra, cwd=tmp_path)
    assert run.returncode == 2
    words = run.stderr.removeprefix("tevmar-cli: ").removesuffix(
        ' (see "tevmar-cli --help")\n')
    assert str(refused.value) == words.replace(option, keyword)


def test_a_number_in_a_box_is_its_shortest_text(tmp_path):
    # 2.1 + 0.2 is not 2.3: the box holds what the number is, as the
    # engineer would type it, and the pane and report echo that text.
    f1 = 2.1 + 0.2
    design = tevmar.design(f1, np.float32(3.3), 50, 10.0, order=8)
    text = cli("--f1", "2.3000000000000003", "--f2", "3.299999952316284", "--zhigh", "50",
               "--zlow", "10", "--order", "8", "--report", tmp_path / "r.prt", cwd=tmp_path)
    assert design.pane_lines == text.stdout.splitlines()
    assert design.report == (tmp_path / "r.prt").read_bytes()
    as_json = cli("--f1", "2.3000000000000003", "--f2", "3.299999952316284", "--zhigh", "50",
                  "--zlow", "10", "--order", "8", "--json", cwd=tmp_path)
    assert design.to_json() == as_json.stdout
    # A box given twice, by the call and by a later tune, is refused.
    with pytest.raises(ValueError, match="^zlow given more than once$"):
        design.tune(zlow=12)
