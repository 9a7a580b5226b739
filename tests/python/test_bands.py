"""Several bands at once from Python: bands= and reject= give the candidates
tevmar-cli --band and --reject give, with each candidate's figures band by
band, and a band the run cannot take is refused naming the keyword."""

import json

import numpy as np
import pytest

import tevmar
from test_tevmar import antenna_s1p, cli

TWO_BANDS = ["--band", "0.88:0.92", "--band", "1.76:1.84", "--zhigh", "50", "--zlow", "10"]


def two_band_design():
    return tevmar.design(zhigh=50, zlow=10, bands=[(0.88, 0.92), (1.76, 1.84)])


def test_two_bands_give_the_clis_candidates_and_figures(tmp_path):
    design = two_band_design()
    expected = cli(TWO_BANDS + ["--json"], tmp_path)
    assert expected.returncode == 6 and design.exit_status == 6
    assert design.to_json() == expected.stdout
    # No textbook design stands for the bands: only the candidates do.
    assert not design.solved and "no textbook design" in design.messages[0]
    assert design.gamma_max is None and design.elements is None and design.report == b""
    with pytest.raises(ValueError, match="no design over several bands"):
        design.network()
    document = json.loads(expected.stdout)
    candidates = design.candidates()
    assert [c.to_dict() for c in candidates] == document["candidates"]
    for c, entry in zip(candidates, document["candidates"]):
        assert c.bands == entry["bands"]
        # The ranking figure is the worse band's.
        assert c.gamma_max == pytest.approx(max(b["gammaMax"] for b in c.bands), rel=1e-12)
    # The same bands written as band= text are the same run.
    written = tevmar.design(zhigh=50, zlow=10, band="0.88:0.92,1.76:1.84")
    assert written.to_json() == design.to_json()


def test_each_bands_figure_is_the_networks_own_worst_reflection():
    """Swept across each band, the best network's own S-parameters reach the
    band's figure at the frequency it names and exceed it nowhere."""
    best = two_band_design().candidates()[0]
    for band in best.bands:
        f = np.linspace(band["f1GHz"], band["f2GHz"], 2001) * 1e9
        worst = np.abs(best.network().s(f)[:, 0, 0]).max()
        assert worst <= band["gammaMax"] * (1 + 1e-6)
        assert worst == pytest.approx(band["gammaMax"], rel=1e-3)
        at = np.abs(best.network().s([band["atGHz"] * 1e9])[0, 0, 0])
        assert at == pytest.approx(band["gammaMax"], rel=1e-6)


def test_limits_weights_and_rejection_are_the_clis(tmp_path):
    design = tevmar.design(zhigh=50, zlow=10,
                           bands=[(0.88, 0.92, {"limit_db": -15}), (1.76, 1.84, {"weight": 2})],
                           reject=[(2.6, 2.8, 20)])
    options = ["--band", "0.88:0.92@-15dB", "--band", "1.76:1.84@w2", "--reject", "2.6:2.8@20dB",
               "--zhigh", "50", "--zlow", "10", "--json"]
    expected = cli(options, tmp_path).stdout
    assert design.to_json() == expected
    best = design.candidates()[0]
    assert [b["kind"] for b in best.bands] == ["pass", "pass", "reject"]
    # The rejection band's |S21| is the network's own, at the edge it names.
    reject = best.bands[2]
    s21 = np.abs(best.network().s([reject["atGHz"] * 1e9])[0, 1, 0])
    assert s21 == pytest.approx(reject["s21Max"], rel=1e-6)


def test_a_match_over_two_bands_is_the_clis(tmp_path):
    s1p = tmp_path / "antenna.s1p"
    antenna_s1p(s1p)
    match = tevmar.match(load_s1p=s1p, source=50, bands=[(2.1, 2.2), (2.6, 2.7)])
    options = ["--band", "2.1:2.2", "--band", "2.6:2.7", "--load-s1p", str(s1p), "--source", "50",
               "--json"]
    expected = cli(options, tmp_path)
    assert match.to_json() == expected.stdout
    assert [c.to_dict() for c in match.candidates()] == json.loads(expected.stdout)["candidates"]


@pytest.mark.parametrize("kwargs,message", [
    (dict(f1=0.88, bands=[(0.88, 0.92)]), "bands replaces f1 and f2; f1 was given too"),
    (dict(bands=[(0.92, 0.88)]), "bands: \"0.92:0.88\": the lower edge comes first"),
    (dict(bands=[(0, 0.92)]), "bands: \"0:0.92\": the edges must be above 0 GHz"),
    (dict(bands=[(0.88, 0.92, {"limit_db": 3})]), "bands: \"0.88:0.92\": an |S11| limit is below"),
    (dict(bands=[(0.88, 0.92, {"weight": 0})]), "bands: \"0.88:0.92\": a weight is a number"),
    (dict(bands=[(0.88, 0.92, {"weight": 2, "limit_db": -10})]), "an |S11| limit or a weight, not both"),
    (dict(bands=[(0.88, 0.92, {"gain": 2})]), "bands: unknown key 'gain'"),
    (dict(bands=[(0.88, 0.92), (0.9, 1.0)]), "bands: 0.9:1 overlaps or touches bands 0.88:0.92"),
    (dict(bands=[(0.88, 0.92)], reject=[(2.6, 2.8, -3)]), "reject: \"2.6:2.8\": the attenuation"),
    (dict(reject=[(2.6, 2.8, 20)], f1=1, f2=2), "bands replaces f1 and f2; f1 was given too"),
    (dict(bands=[]), "bands: give at least one band"),
    (dict(bands=[(0.88, 0.92)], band="1:2"), "bands: band was given too"),
    (dict(bands=[(0.88, 0.92, {"weight": 2})], tune=True), "tune works on one band"),
])
def test_a_band_the_run_cannot_take_is_refused_naming_the_keyword(kwargs, message):
    with pytest.raises(ValueError) as refused:
        tevmar.design(zhigh=50, zlow=10, **kwargs)
    assert message in str(refused.value)


def test_bands_of_the_wrong_type_and_missing_edges_are_type_errors():
    with pytest.raises(TypeError, match="bands: expects a list of"):
        tevmar.design(zhigh=50, zlow=10, bands="0.88:0.92")
    with pytest.raises(TypeError, match="bands: a band's figures are numbers"):
        tevmar.design(zhigh=50, zlow=10, bands=[(0.88, "x")])
    with pytest.raises(TypeError, match="design\(\) needs f1: f1: expects a text or a number"):
        tevmar.design(zhigh=50, zlow=10)
    with pytest.raises(TypeError, match="design\(\) needs zlow"):
        tevmar.design(0.9, 1.0, 50)
