"""Times one tevmar.design(...) call in process (the plain design: pane
lines and report bytes, no analysis). Run from the source tree after a build:
    PYTHONPATH=build/python python3 python/time_design.py
"""

import timeit

import tevmar

CALLS = 20000
for label, args in [("numbers", (2, 3, 50, 10)), ("texts", ("2.3", "2.6", "50", "8"))]:
    best = min(timeit.repeat(lambda: tevmar.design(*args, order=8, absorb=0.5),
                             number=CALLS, repeat=5))
    print(f"tevmar.design ({label}): {best / CALLS * 1e6:.1f} us per call")
