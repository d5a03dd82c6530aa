"""Read the results of Lumora runs and sweeps.

    import lumora
    res = lumora.read_results("Simulation results 5.12.2026 13_05_09_")
    spectrum = res["FFT spectrum"]["magnitude"]
    f = spectrum.axes[0].values      # Hz
    print(spectrum.unit, f[spectrum.values.argmax()])
"""

from .results import Axis, Result, Results, Series, read_results, unit_scale
from .sweep import read_sweep

__all__ = ["Axis", "Result", "Results", "Series", "read_results", "read_sweep", "unit_scale"]
