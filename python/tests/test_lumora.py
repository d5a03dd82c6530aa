"""The lumora reader: text files split into their blocks, results.h5 equal to
the text files for a real run of each engine, and sweeps joined with their
manifest. LUMORA_BATCH names the lumora-batch program, LUMORA_EXAMPLES the
shipped examples (set by CTest)."""

import os
import shutil
import subprocess

import numpy as np
import pytest

import lumora

SPECTRUM = """! Magnitude spectrum:
! Frequency [THz]\tMagnitude [dBV/m]
0.5\t20
0.75\t-inf
! Phase spectrum:
! Frequency [THz]\t Radians
0.5\t0.25
0.75\t-1
"""
PROBE = "! Time [ps]\tE-field [V/m]\r\n!p/1\n1\t3\n3\t1e-09\n"
INPUT = "! Time [fs] E field [V/m]\n0\t0\n0.5\t-2\n"
SPECTROGRAM = """! Spectrogram data:

1\t2\t3\t
-inf\t5\t1e-09\t
! SPECTRAL variable expressed in [um] (corresponds to the columns):

0.5\t
1\t
2\t
! SPATIAL variable expressed in [mm] (corresponds to the rows):

2\t
6\t
"""


def write(folder, name, text):
    with open(os.path.join(folder, name), "w", newline="") as f:
        f.write(text)


def test_text_files_split_into_blocks_with_si_axes(tmp_path):
    for name, text in [("A.txt", SPECTRUM), ("p_1.txt", PROBE), ("Input signal.txt", INPUT),
                       ("map.txt", SPECTROGRAM), ("FDTD_run.txt", "1 required\n"),
                       ("Set-up summary.txt", "Grid: 2 cells\n")]:
        write(tmp_path, name, text)
    res = lumora.read_results(tmp_path)
    assert res.source == "text"
    assert sorted(res) == ["A", "Input signal", "map", "p_1"]
    assert res.configuration == "1 required\n" and res.setup_summary == "Grid: 2 cells\n"
    magnitude, phase = res["A"]["magnitude"], res["A"]["phase"]
    assert magnitude.values.tolist() == [20, -np.inf]  # two blocks, not four rows
    assert magnitude.unit == "dBV/m" and phase.unit == "rad"
    assert phase.values.tolist() == [0.25, -1]
    f = magnitude.axes[0]
    assert (f.name, f.unit, f.unit_word) == ("frequency", "Hz", "THz")
    np.testing.assert_allclose(f.values, [0.5e12, 0.75e12])
    probe = res["p_1"]["e-field"]
    np.testing.assert_allclose(probe.axes[0].values, [1e-12, 3e-12])
    assert probe.values.tolist() == [3, 1e-9]
    assert res["Input signal"]["e field"].axes[0].unit_word == "fs"
    m = res["map"]["magnitude"]
    assert m.values.shape == (2, 3) and m.values[1, 1] == 5
    assert [a.name for a in m.axes] == ["distance", "wavelength"]
    np.testing.assert_allclose(m.axes[0].values, [2e-3, 6e-3])
    np.testing.assert_allclose(m.axes[1].values, [0.5e-6, 1e-6, 2e-6])


def test_blocks_without_rows_stay_apart(tmp_path):
    write(tmp_path, "A.txt", "! Magnitude spectrum:\n! Frequency [THz]\tMagnitude [dBV/m]\n"
                             "! Phase spectrum:\n! Frequency [THz]\t Radians\n")
    write(tmp_path, "map.txt", "! Spectrogram data:\n\n! SPECTRAL variable expressed in [THz] (corresponds to "
                               "the columns):\n\n1\t\n! SPATIAL variable expressed in [um] (corresponds to the "
                               "rows):\n\n")
    res = lumora.read_results(tmp_path)
    assert sorted(res["A"]) == ["magnitude", "phase"] and res["A"]["phase"].values.size == 0
    assert res["map"]["magnitude"].values.shape == (0, 1)
    assert res["map"]["magnitude"].axes[1].name == "frequency"


def test_bad_text_file_is_refused_by_name(tmp_path):
    write(tmp_path, "bad.txt", "! Time [s]\tE [V/m]\n1\t2\t3\n")
    with pytest.raises(ValueError, match="bad.txt: a column block has two columns, found 3"):
        lumora.results.read_text_file(os.path.join(tmp_path, "bad.txt"))
    write(tmp_path, "bad.txt", "! Time [s]\tE [V/m]\n1\t2\n3\tx\n")
    with pytest.raises(ValueError, match='bad.txt: line 3: "3\tx" is not a row of numbers'):
        lumora.read_results(tmp_path)


def run_batch(tmp_path, example, *arguments):
    batch = os.environ.get("LUMORA_BATCH")
    examples = os.environ.get("LUMORA_EXAMPLES")
    if not batch or not examples:
        pytest.skip("LUMORA_BATCH and LUMORA_EXAMPLES are set by CTest")
    batch, examples = os.path.abspath(batch), os.path.abspath(examples)
    shutil.copy(os.path.join(examples, example), tmp_path)
    out = os.path.join(tmp_path, "out")
    done = subprocess.run([batch, "--quiet", "--out", out, *arguments, example], cwd=tmp_path,
                          capture_output=True, text=True, timeout=300)
    assert done.returncode == 0, done.stderr
    return out


@pytest.mark.parametrize("example, arguments, expected", [
    ("FDTD_lossy_multipole_layers.txt", ["--iterations", "300"],
     {"Electric field", "Poynting vector", "spectrum in wavelength", "spectrum along the layers",
      "probe in the last layer1"}),
    ("UPPE_lorentz_linear.txt", [],
     {"Input signal", "Input spectrum", "FFT spectrum", "UPPE E-field", "Conversion efficiency"}),
], ids=["grid", "spectral"])
def test_hdf5_equals_the_text_files_of_a_real_run(tmp_path, example, arguments, expected):
    out = run_batch(tmp_path, example, *arguments)
    h5 = lumora.read_results(out)
    text = lumora.read_results(out, prefer_hdf5=False)
    assert h5.source == "hdf5" and text.source == "text"
    assert expected <= set(h5)
    assert set(h5) == set(text)
    with open(os.path.join(out, example)) as f:
        assert h5.configuration == f.read()
    assert h5.setup_summary == text.setup_summary != ""
    for name, result in h5.items():
        assert set(result) == set(text[name]), name
        for series_name, s in result.items():
            t = text[name][series_name]
            where = "%s/%s" % (name, series_name)
            assert (s.unit, s.unit_word) == (t.unit, t.unit_word), where
            assert s.values.shape == t.values.shape, where
            # The text files hold 8 significant digits.
            np.testing.assert_allclose(s.values, t.values, rtol=1e-7, atol=0, err_msg=where)
            assert [(a.name, a.unit, a.unit_word) for a in s.axes] == \
                   [(a.name, a.unit, a.unit_word) for a in t.axes], where
            for a, b in zip(s.axes, t.axes):
                np.testing.assert_allclose(a.values, b.values, rtol=1e-7, err_msg=where)
    # The root names the engine and the iteration; every dataset its scale.
    import h5py
    with h5py.File(os.path.join(out, "results.h5"), "r") as f:
        assert lumora.results._text(f.attrs["engine"]) in h5.setup_summary
        iteration = f.attrs["iteration"]
        assert iteration == 300 if arguments else iteration > 0
        for group in f.values():
            for dataset in group.values():
                assert dataset.attrs["scale"] == lumora.unit_scale(lumora.results._text(dataset.attrs["unit_word"]))[1]
    # A wavelength spectrum is titled and stored as such.
    if "spectrum in wavelength" in h5:
        axis = h5["spectrum in wavelength"]["magnitude"].axes[0]
        assert (axis.name, axis.unit) == ("wavelength", "m")


def test_sweep_joins_summary_and_manifest(tmp_path):
    write(tmp_path, "manifest.csv", "run,width,status,exit code,wall time [s]\n"
                                    "run-0001,5,ok,0,1.5\nrun-0002,7,failed,1,0.2\n")
    write(tmp_path, "summary.csv", "run,width,status,warnings,peak [V/m]\n"
                                   "run-0001,5,ok,\"1: Only 2.2 cells per wavelength\",3.5\n"
                                   "run-0002,7,failed,0,\n")
    s = lumora.read_sweep(tmp_path)
    assert s["run"].tolist() == ["run-0001", "run-0002"]
    assert s["width"].tolist() == [5, 7]
    assert s["status"].tolist() == ["ok", "failed"]
    assert s["wall time [s]"].tolist() == [1.5, 0.2]
    assert s["warnings"].tolist() == ["1: Only 2.2 cells per wavelength", "0"]
    assert s["peak [V/m]"][0] == 3.5 and np.isnan(s["peak [V/m]"][1])
