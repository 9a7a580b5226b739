"""With part models, a finite Q, pads or a kit, every network a Design or
Candidate hands out is the network as it will be soldered: its S-parameters
checked here by a cascade of our own, over the models' equations or over the
kit's own Touchstone files."""

import json
import math
import warnings

import numpy as np
import pytest

import tevmar
from test_kit import kit  # noqa: F401  (the synthetic kit and the antenna)

L_MODEL = "55@1.5GHz,0.157pF"
C_MODEL = "0.45nH,0.12@1GHz"
PAD_PF = 0.05


def chip_inductor(nh, w):
    l = nh * 1e-9
    wq = 2 * math.pi * 1.5e9
    winding = wq * l / 55 * np.sqrt(w / wq) + 1j * w * l
    return 1 / (1 / winding + 1j * w * 0.157e-12)


def chip_capacitor(pf, w):
    return 0.12 * np.sqrt(w / (2 * math.pi * 1e9)) + 1j * (w * 0.45e-9 - 1 / (w * pf * 1e-12))


def cascade(sections, w):
    """ABCD of (shunt, impedance-function) sections, port 1 first."""
    a, b, c, d = (np.ones_like(w, complex), np.zeros_like(w, complex),
                  np.zeros_like(w, complex), np.ones_like(w, complex))
    for shunt, z in sections:
        zw = z(w)
        if shunt:
            a, b, c, d = a + b / zw, b, c + d / zw, d
        else:
            a, b, c, d = a, a * zw + b, c, c * zw + d
    return a, b, c, d


def s_of(abcd, z1, z2):
    """Power waves between port impedances z1 and z2 (resistances, or a
    measured termination's impedance at each frequency)."""
    a, b, c, d = abcd
    z1, z2 = np.asarray(z1, complex), np.asarray(z2, complex)
    den = a * z2 + b + c * z1 * z2 + d * z1
    root = 2 * np.sqrt(z1.real * z2.real)
    s = np.empty((len(a), 2, 2), complex)
    s[:, 0, 0] = (a * z2 + b - c * np.conj(z1) * z2 - d * np.conj(z1)) / den
    s[:, 0, 1] = root * (a * d - b * c) / den
    s[:, 1, 0] = root / den
    s[:, 1, 1] = (-a * np.conj(z2) + b - c * z1 * np.conj(z2) + d * z1) / den
    return s


def modelled(elements, key, pads):
    """The elements on the chip models, with a pad at every node."""
    pad = (True, lambda w: 1 / (1j * w * PAD_PF * 1e-12))
    sections = [pad] if pads else []
    for e in elements:
        value, shunt = e[key], e["kind"].startswith("shunt")
        model = chip_inductor if e["unit"] == "nH" else chip_capacitor
        sections.append((shunt, lambda w, v=value, m=model: m(v, w)))
        if pads and not shunt:
            sections.append(pad)
    return sections


def test_a_design_with_models_and_pads_is_the_network_as_built():
    design = tevmar.design(2, 3, 50, 10, order=4, l_model=L_MODEL, c_model=C_MODEL,
                           pad=f"{PAD_PF}pF")
    doc = json.loads(design.to_json())
    network = design.network()
    f = np.linspace(2e9, 3e9, 401)
    w = 2 * math.pi * f
    expected = s_of(cascade(modelled(network.elements, "full", True), w), 50, 10)
    assert np.allclose(network.s(f), expected, rtol=1e-9, atol=1e-12)
    # Its figures are the built network's, the synthesis' stays its own.
    built = doc["analysis"]["asBuilt"]
    assert design.gamma_max == network.gamma_max == built["gammaMax"]
    assert design.textbook_gamma_max == tevmar.design(2, 3, 50, 10, order=4).gamma_max
    assert design.gamma_max != design.textbook_gamma_max
    assert design.loss_db_max == built["lossDbMax"]
    gamma = np.abs(expected[:, 0, 0])
    loss = -10 * np.log10(np.abs(expected[:, 1, 0]) ** 2)
    assert gamma.max() <= design.gamma_max + 1e-9 and gamma.max() > design.gamma_max - 1e-3
    assert loss.max() <= design.loss_db_max + 1e-9 and loss.max() > design.loss_db_max - 1e-3


def test_a_finite_q_design_and_its_tuning_are_lossy():
    design = tevmar.design(2, 3, 50, 10, order=4, q_l=40, q_c=200)
    f = np.array([2e9, 2.5e9, 3e9])
    w = 2 * math.pi * f
    w0 = 2 * math.pi * math.sqrt(2e9 * 3e9)

    def lossy(elements, key):
        sections = []
        for e in elements:
            v, shunt = e[key], e["kind"].startswith("shunt")
            if e["unit"] == "nH":
                z = lambda w, v=v: w0 * v * 1e-9 / 40 + 1j * w * v * 1e-9
            else:
                z = lambda w, v=v: 1 / (w0 * v * 1e-12 / 200 + 1j * w * v * 1e-12)
            sections.append((shunt, z))
        return sections

    network = design.network()
    expected = s_of(cascade(lossy(network.elements, "full"), w), 50, 10)
    assert np.allclose(network.s(f), expected, rtol=1e-9, atol=1e-12)
    built = json.loads(design.to_json())["analysis"]["asBuilt"]
    assert design.loss_db_max == built["lossDbMax"] > 0
    tuned = design.tune()
    tuned_doc = json.loads(tuned.to_json())["tuned"]
    assert tuned.loss_db_max == tuned_doc["lossDbMax"]
    expected = s_of(cascade(lossy(tuned.network().elements, "tuned"), w), 50, 10)
    assert np.allclose(tuned.network().s(f), expected, rtol=1e-9, atol=1e-12)


def test_tuned_and_candidate_networks_carry_the_models():
    design = tevmar.design(1.8, 2.2, 50, 30, l_model=L_MODEL, c_model=C_MODEL)
    f = np.linspace(1.8e9, 2.2e9, 21)
    w = 2 * math.pi * f
    tuned = design.tune(eseries="E24")
    standard = json.loads(tuned.to_json())["tuned"]["standardValues"]
    assert tuned.loss_db_max == standard["lossDbMax"]
    net = tuned.network()
    expected = s_of(cascade(modelled(net.elements, "standard", False), w), 50, 30)
    assert np.allclose(net.s(f), expected, rtol=1e-9, atol=1e-12)
    for c in design.candidates()[:3]:
        assert c.loss_db_max == c["lossDbMax"]
        # A candidate's parts run from the source (50 ohm, port 1).
        net = c.network()
        expected = s_of(cascade(modelled(net.elements, "value", False), w), *net.port_ohms)
        assert np.allclose(net.s(f), expected, rtol=1e-9, atol=1e-12)


def test_ideal_parts_are_the_network_as_drawn():
    design = tevmar.design(2, 3, 50, 10, order=4)
    assert design.loss_db_max is None
    assert design.gamma_max == design.textbook_gamma_max
    assert "asBuilt" not in json.loads(design.to_json())["analysis"]
    f = np.linspace(2e9, 3e9, 11)
    w = 2 * math.pi * f
    net = design.network()
    sections = [(e["kind"].startswith("shunt"),
                 (lambda w, v=e["full"]: 1j * w * v * 1e-9) if e["unit"] == "nH"
                 else (lambda w, v=e["full"]: 1 / (1j * w * v * 1e-12)))
                for e in net.elements]
    assert np.allclose(net.s(f), s_of(cascade(sections, w), 50, 10), rtol=1e-9, atol=1e-12)
    # None of the keywords given is the same network, to the last bit.
    same = tevmar.design(2, 3, 50, 10, order=4, q_l=None, l_model=None, pad=None)
    assert same.network().s(f).tobytes() == net.s(f).tobytes()
    candidate = design.candidates()[0]
    assert candidate.loss_db_max is None and "lossDbMax" not in candidate


# ------------------------------------------------------------------ the kit

def kit_impedances(folder, number):
    """A kit part's impedance at each of its data frequencies, from its
    series-through S21 in the 50 ohm fixture: Z = 100 (1 - S21) / S21."""
    f, z = [], []
    for line in (folder / f"{number}.s2p").read_text().splitlines():
        if not line or line[0] in "!#":
            continue
        v = [float(x) for x in line.split()]
        s21 = v[3] * np.exp(1j * math.radians(v[4]))
        f.append(v[0])
        z.append(100 * (1 - s21) / s21)
    return dict(zip(f, z))


def on_kit(folder, elements, f):
    sections = []
    for e in elements:
        table = kit_impedances(folder, e["part"])
        z = np.array([table[x] for x in f])
        sections.append((e["kind"].startswith("shunt"), lambda w, z=z: z))
    return sections


def test_networks_on_kit_parts_are_the_kits_data(kit):
    antenna, parts = str(kit / "antenna.s1p"), kit / "parts"
    # Frequencies on the kit's own 50 MHz grid: no interpolation to argue about.
    f = [2.4e9, 2.45e9, 2.5e9]
    w = 2 * math.pi * np.array(f)
    with warnings.catch_warnings():  # the kit's parts resonating in band, say
        warnings.simplefilter("ignore")
        design = tevmar.match(2.4, 2.5, antenna, source=50, parts=str(parts))
        candidates = design.candidates()
        tuned = design.tune()
    for c in candidates[:4]:
        net = c.network()
        assert all(e["part"].startswith(("ZL0402-", "ZC0402-")) for e in net.elements)
        assert net.gamma_max == c.gamma_max == c["gammaMax"]
        assert c.loss_db_max == c["lossDbMax"]
        # Port 1 is the source's: the parts run from it; each port is
        # referred to what stands there, the antenna's data at the load's.
        expected = s_of(cascade(on_kit(parts, net.elements, f), w), *net.z0(f).T)
        assert np.allclose(net.s(f), expected, rtol=1e-7, atol=1e-9)
    built = json.loads(tuned.to_json())["tuned"]["kit"]
    assert tuned.gamma_max == built["gammaMax"] == tuned.network().gamma_max
    assert tuned.loss_db_max == built["lossDbMax"]
    elements = tuned.network().elements
    assert [e["part"] for e in elements] == [e["part"] for e in built["elements"]]
    assert all(e["part"].startswith(("ZL0402-", "ZC0402-")) for e in elements)
    net = tuned.network()
    expected = s_of(cascade(on_kit(parts, elements, f), w), *net.z0(f).T)
    assert np.allclose(net.s(f), expected, rtol=1e-7, atol=1e-9)


@pytest.mark.parametrize("load", ["shunt-rc", "series-rl"])
def test_a_design_tuned_on_kit_parts_lists_them_from_port_1(kit, load):
    parts = kit / "parts"
    f = [2.4e9, 2.45e9, 2.5e9]
    w = 2 * math.pi * np.array(f)
    with warnings.catch_warnings():  # the kit's parts resonating in band, say
        warnings.simplefilter("ignore")
        tuned = tevmar.design(2.4, 2.5, 50, 10, load=load, absorb=0.4, parts=str(parts),
                              tune=True)
    net = tuned.network()
    kinds = [e["kind"] for e in json.loads(tuned.to_json())["tuned"]["elements"]]
    assert [e["kind"] for e in net.elements] == kinds
    # The absorbed load's reactance is the load's, not the network's.
    expected = s_of(cascade(on_kit(parts, net.elements, f), w), 50, 10)
    assert np.allclose(net.s(f), expected, rtol=1e-7, atol=1e-9)
    assert tuned.loss_db_max == json.loads(tuned.to_json())["tuned"]["kit"]["lossDbMax"]
