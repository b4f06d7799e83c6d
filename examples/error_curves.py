"""Error curves of a statistical simulation: the restoring error of recognition against
the noise level, one curve per pulse count.

    PYTHONPATH=build/python /usr/bin/python3 examples/error_curves.py [OUT.png]
"""
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt

import velmora


def main(out):
    def progress(done, total):
        print(f"\r{done}/{total} series", end="", file=sys.stderr, flush=True)

    sim = velmora.simulate("recognition", "fixed-cutoff", length=600, pulses_from=3,
                           pulses_to=15, pulses_step=3, noise_steps=20, noise_step=5,
                           repeats=40, clock=0, progress=progress)
    print(f"\n{sim!r}: {sim.seconds:.1f} s on {sim.threads or 'all'} threads", file=sys.stderr)

    fig, ax = plt.subplots(figsize=(7, 4.2), dpi=100)
    for row, pulses in zip(sim.restoring, sim.pulse_counts):
        ax.plot(sim.noise_levels, row, marker="o", markersize=3, label=f"{pulses} pulses")
    ax.set_xlabel("noise level")
    ax.set_ylabel("mean restoring error")
    ax.set_title("Recognition of cut-off pulses, 600 samples, "
                 f"{sim.repeats} series per point")
    ax.grid(alpha=0.3)
    ax.legend()
    fig.tight_layout()
    fig.savefig(out)
    print("pulses | " + " ".join(f"{n:>7d}" for n in sim.noise_levels[::4]))
    for row, pulses in zip(sim.restoring, sim.pulse_counts):
        print(f"{pulses:6d} | " + " ".join(f"{v:>7d}" for v in row[::4]))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "error_curves.png")
