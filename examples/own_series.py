"""Pulses of one's own shapes found in a recording read from a CSV file.

    PYTHONPATH=build/python /usr/bin/python3 examples/own_series.py [RECORDING.csv] [OUT.png]

The CSV holds one sample a line (a header line and further columns are ignored; the first
column is read). Without a file (or with -), a demonstration recording is written to a
temporary CSV file first: two pulse shapes, 16 samples long, at random places 30 to 90 samples apart, under
Gaussian noise, as floats the way a recorder writes them.
"""
import os
import sys
import tempfile

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np

import velmora

SHAPE_LENGTH = 16
TMIN, TMAX = 30, 90


def shapes():
    t = np.arange(SHAPE_LENGTH)
    bump = 110 * np.sin(np.pi * (t + 0.5) / SHAPE_LENGTH)
    wave = 100 * np.sin(2 * np.pi * (t + 0.5) / SHAPE_LENGTH)
    return np.rint(np.stack([bump, wave])).astype(np.int16)


def demo_recording(path, rng):
    own = shapes()
    x = np.zeros(1500)
    starts, kinds, p = [], [], int(rng.integers(0, TMAX - SHAPE_LENGTH))
    while p + SHAPE_LENGTH <= x.size:
        k = int(rng.integers(0, len(own)))
        x[p:p + SHAPE_LENGTH] += own[k]
        starts.append(p)
        kinds.append(k + 1)
        p += int(rng.integers(TMIN, TMAX + 1))
    x += rng.normal(0, 35, size=x.size)
    np.savetxt(path, x, fmt="%.3f", header="volts", comments="")
    return starts, kinds


def main(csv, out):
    truth = None
    if csv is None:
        csv = os.path.join(tempfile.mkdtemp(), "recording.csv")
        truth = demo_recording(csv, np.random.default_rng(7))
    recording = np.loadtxt(csv, delimiter=",", skiprows=1, usecols=0, ndmin=1)
    samples = np.rint(recording).astype(np.int16)  # the module takes integer samples

    found = velmora.identify(samples, etalons=shapes(), tmin=TMIN, tmax=TMAX, count=None)
    print(f"{len(found.positions)} pulses found; best chain cost {found.chains[0].cost}")
    print("position shape: " + " ".join(f"{p}:{e}" for p, e in zip(found.positions, found.etalons)))
    if truth is not None:
        starts, kinds = truth
        exact = len(set(zip(starts, kinds)) & set(zip(found.positions.tolist(), found.etalons.tolist())))
        print(f"{len(starts)} pulses placed, {exact} found at their sample with their shape")

    fig, (top, bottom) = plt.subplots(2, 1, figsize=(9, 4.6), dpi=100,
                                      gridspec_kw=dict(height_ratios=[3, 1]))
    top.plot(samples, color="0.55", linewidth=0.7, label="recording")
    colours = ["tab:blue", "tab:red"]
    model = np.zeros(samples.size)
    for p, e in zip(found.positions, found.etalons):
        model[p:p + SHAPE_LENGTH] = shapes()[e - 1]
        top.axvspan(p, p + SHAPE_LENGTH, color=colours[e - 1], alpha=0.15, linewidth=0)
    top.plot(model, color="black", linewidth=0.9, label="pulses found")
    top.set_xlim(0, samples.size)
    top.set_title(f"{len(found.positions)} pulses of two shapes found in {os.path.basename(csv)}")
    top.legend(loc="upper right", fontsize=8)
    for k, shape in enumerate(shapes()):
        bottom.plot(np.arange(SHAPE_LENGTH) + k * (SHAPE_LENGTH + 4), shape, color=colours[k],
                    marker="o", markersize=2)
    bottom.set_title("the shapes searched for (1 blue, 2 red)", fontsize=9)
    bottom.set_xticks([])
    fig.tight_layout()
    fig.savefig(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 and sys.argv[1] != "-" else None,
         sys.argv[2] if len(sys.argv) > 2 else "own_series.png")
