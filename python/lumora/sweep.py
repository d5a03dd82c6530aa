"""Sweep folders: summary.csv joined with manifest.csv."""

import csv
import os

import numpy as np


def _column(values):
    """A numpy array of floats when every value is a number (empty -> nan),
    else of strings."""
    try:
        return np.array([float(v) if v != "" else np.nan for v in values], dtype=float)
    except ValueError:
        return np.array(values, dtype=object)


def _read_csv(path):
    with open(path, newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f))
    if not rows:
        return [], []
    return rows[0], rows[1:]


def read_sweep(folder):
    """Reads a sweep folder: every column of manifest.csv (run, the varied
    keys, status, exit code, wall time) and of summary.csv (warnings and the
    scalars), joined on the run; run, status and warnings stay text, other
    columns are floats when every value is a number; a run missing from the summary gets nan (or
    an empty text). Returns a dict column name -> numpy array, one entry per
    run in the manifest's order."""
    header, rows = _read_csv(os.path.join(folder, "manifest.csv"))
    columns = {h: [r[i] if i < len(r) else "" for r in rows] for i, h in enumerate(header)}
    runs = columns.get("run", [])
    summary_path = os.path.join(folder, "summary.csv")
    if os.path.isfile(summary_path):
        s_header, s_rows = _read_csv(summary_path)
        by_run = {r[0]: r for r in s_rows if r}
        for i, h in enumerate(s_header):
            if h in columns:
                continue
            columns[h] = [by_run[r][i] if r in by_run and i < len(by_run[r]) else "" for r in runs]
    text = ("run", "status", "warnings")  # always text, whatever they hold
    return {h: (np.array(v, dtype=object) if h in text else _column(v)) for h, v in columns.items()}
