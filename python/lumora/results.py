"""Results folders: results.h5 when present, else the text files."""

import os
import re
from dataclasses import dataclass, field
from typing import Dict, List, Optional

import numpy as np

HDF5_NAME = "results.h5"

# Unit words and their SI scale, as the program writes them (case ignored).
_TIME = {"s": 1.0, "ms": 1e-3, "us": 1e-6, "ns": 1e-9, "ps": 1e-12, "fs": 1e-15, "as": 1e-18}
_FREQUENCY = {"hz": 1.0, "khz": 1e3, "mhz": 1e6, "ghz": 1e9, "thz": 1e12, "phz": 1e15}
_LENGTH = {"m": 1.0, "mm": 1e-3, "um": 1e-6, "nm": 1e-9}


def unit_scale(word):
    """(SI unit, SI per unit) of a unit word: "THz" -> ("Hz", 1e12).

    Words that are no time, frequency or length unit keep their word, scale 1.
    """
    w = word.strip().lower()
    if w in _FREQUENCY:
        return "Hz", _FREQUENCY[w]
    if w in _LENGTH:
        return "m", _LENGTH[w]
    if w in _TIME:
        return "s", _TIME[w]
    return word.strip(), 1.0


def _split_title(title):
    """"Frequency [THz]" -> ("Frequency", "THz"); no brackets: (title, "")."""
    m = re.match(r"\s*([^\[]*?)\s*\[([^\]]*)\]", title)
    if not m:
        return title.strip(), ""
    return m.group(1), m.group(2).strip()


@dataclass
class Axis:
    """One axis of a series: values in SI units."""

    name: str
    values: np.ndarray
    unit: str
    unit_word: str


@dataclass
class Series:
    """One data series: values (SI where the unit is a time, frequency or
    length), its unit, the unit word of the file and one axis per dimension
    (rows first for a 2-D series)."""

    name: str
    values: np.ndarray
    unit: str
    unit_word: str
    axes: List[Axis] = field(default_factory=list)


class Result(dict):
    """The series of one result (series name -> Series), e.g. "magnitude"
    and "phase" of a spectrum."""

    def __init__(self, name, kind="", title=""):
        super().__init__()
        self.name = name
        self.kind = kind
        self.title = title


class Results(dict):
    """The results of one folder: result name (its text file without
    ".txt") -> Result; plus the configuration text, the set-up summary and
    where they were read from ("hdf5" or "text")."""

    def __init__(self, source):
        super().__init__()
        self.source = source
        self.configuration = ""
        self.setup_summary = ""


def read_results(folder, prefer_hdf5=True):
    """Reads a results folder: results.h5 when present (and prefer_hdf5),
    otherwise every result text file, its blocks split correctly."""
    path = os.path.join(folder, HDF5_NAME)
    if prefer_hdf5 and os.path.isfile(path):
        return _read_hdf5(path)
    return _read_text_folder(folder)


# --- HDF5 -------------------------------------------------------------------

def _text(value):
    return value.decode("utf-8") if isinstance(value, bytes) else str(value)


def _read_hdf5(path):
    import h5py  # only needed for this format

    results = Results("hdf5")
    with h5py.File(path, "r") as f:
        results.configuration = _text(f.attrs.get("configuration", ""))
        results.setup_summary = _text(f.attrs.get("setup_summary", ""))
        for name, group in f.items():
            result = Result(name, _text(group.attrs.get("kind", "")), _text(group.attrs.get("title", "")))
            for set_name, dataset in group.items():
                axes_attr = dataset.attrs.get("axes")
                if axes_attr is None:
                    continue  # an axis
                axes = []
                for axis_name in filter(None, _text(axes_attr).split(",")):
                    a = group[axis_name]
                    axes.append(Axis(axis_name, a[()], _text(a.attrs["units"]), _text(a.attrs["unit_word"])))
                result[set_name] = Series(set_name, dataset[()], _text(dataset.attrs["units"]),
                                          _text(dataset.attrs["unit_word"]), axes)
            results[name] = result
    return results


# --- text files ---------------------------------------------------------------

# Files of a results folder that hold no result.
_NOT_RESULTS = {"Set-up summary.txt", "batch-log.txt", "batch-status.txt"}
# Block descriptions that name their series.
_BLOCK_NAMES = {
    "magnitude spectrum:": None,  # named by its y title ("magnitude")
    "phase spectrum:": "phase",
    "total energy:": "total energy",
    "energy in user-specified band:": "band energy",
}


# Header lines that always begin a block, even one after a block without rows.
_BLOCK_STARTS = ("magnitude spectrum:", "phase spectrum:", "total energy:", "energy in user-specified band:",
                 "spectrogram data:", "spectral variable", "spatial variable")


def _blocks(text, path=""):
    """Splits a result file into blocks: (header lines without "!", rows of
    numbers)."""
    blocks = []
    for number, raw in enumerate(text.splitlines(), 1):
        line = raw.rstrip("\r")
        if line.startswith("!"):
            starts = line[1:].strip().lower().startswith(_BLOCK_STARTS)
            if not blocks or blocks[-1][1] or (starts and blocks[-1][0]):
                blocks.append(([], []))
            blocks[-1][0].append(line[1:].strip())
        elif line.strip():
            if not blocks:
                blocks.append(([], []))
            try:
                blocks[-1][1].append([float(v) for v in line.split()])
            except ValueError:
                raise ValueError("%s: line %d: \"%s\" is not a row of numbers" % (path, number, line.strip()))
    return blocks


def _titles(header):
    """The axis and value titles of a column block's header line:
    "Frequency [THz]<TAB>Magnitude [dBV/m]" or with a blank between."""
    for line in header:
        m = re.match(r"\s*([^\[\t]*\[[^\]]*\])\s*(.*)$", line)
        if m:
            return m.group(1), m.group(2).strip()
    return "", ""


def _series(name, title, values, axes):
    quantity, word = _split_title(title)
    if not word and title.strip().lower() == "radians":
        word = "rad"
    unit, scale = unit_scale(word)
    return Series(name, np.asarray(values, dtype=float) * scale, unit, word, axes)


def _axis(title, values):
    quantity, word = _split_title(title)
    unit, scale = unit_scale(word)
    return Axis(quantity.lower(), np.asarray(values, dtype=float) * scale, unit, word)


def _column_series(header, rows):
    x_title, y_title = _titles(header)
    described = [_BLOCK_NAMES.get(h.lower().strip()) for h in header if h.lower().strip() in _BLOCK_NAMES]
    name = described[0] if described and described[0] else _split_title(y_title)[0].lower()
    if name == "phase":
        y_title = "Phase [rad]"
    elif name in ("total energy", "band energy"):
        y_title = "Energy [a.u.]"
    data = np.asarray(rows, dtype=float).reshape(-1, 2) if rows else np.empty((0, 2))
    return _series(name, y_title, data[:, 1], [_axis(x_title, data[:, 0])])


def _spectrogram(blocks):
    matrix = np.asarray(blocks[0][1], dtype=float)
    columns = np.asarray(blocks[1][1], dtype=float).ravel()
    rows = np.asarray(blocks[2][1], dtype=float).ravel()
    if matrix.size == 0:
        matrix = matrix.reshape(0, columns.size)
    col_word = re.search(r"\[([^\]]*)\]", blocks[1][0][0]).group(1)
    row_word = re.search(r"\[([^\]]*)\]", blocks[2][0][0]).group(1)
    col_unit = unit_scale(col_word)[0]
    col_name = "frequency" if col_unit == "Hz" else "wavelength" if col_unit == "m" else "spectral"
    axes = [_axis("Distance [%s]" % row_word, rows), _axis("%s [%s]" % (col_name.capitalize(), col_word), columns)]
    return {"magnitude": _series("magnitude", "Magnitude [dBV/m]", matrix, axes)}


def read_text_file(path):
    """The series of one result text file (series name -> Series)."""
    with open(path, encoding="utf-8", errors="replace") as f:
        blocks = _blocks(f.read(), path)
    if not blocks or not blocks[0][0]:
        raise ValueError("%s: not a result file (no header)" % path)
    if blocks[0][0][0].lower().startswith("spectrogram data"):
        if len(blocks) != 3:
            raise ValueError("%s: a spectrogram file has three blocks, found %d" % (path, len(blocks)))
        return _spectrogram(blocks)
    series = {}
    for header, rows in blocks:
        if rows and len(rows[0]) != 2:
            raise ValueError("%s: a column block has two columns, found %d" % (path, len(rows[0])))
        s = _column_series(header, rows)
        series[s.name] = s
    return series


def _read_text_folder(folder):
    results = Results("text")
    summary = os.path.join(folder, "Set-up summary.txt")
    if os.path.isfile(summary):
        with open(summary, encoding="utf-8", errors="replace") as f:
            results.setup_summary = f.read()
    for n in sorted(os.listdir(folder)):
        path = os.path.join(folder, n)
        if not n.endswith(".txt") or n in _NOT_RESULTS or not os.path.isfile(path):
            continue
        with open(path, encoding="utf-8", errors="replace") as f:
            text = f.read()
        if not text.startswith("!"):
            if n[:4] in ("FDTD", "UPPE"):
                results.configuration = text  # the copy of the configuration
            continue
        series = read_text_file(path)  # a damaged result file is reported, not skipped
        result = Result(n[:-4])
        result.update(series)
        results[result.name] = result
    return results
