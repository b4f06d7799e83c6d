"""What the Python layer adds to a search: velmora.<task>(series) against the same search
made by the C++ side alone (velmora._native_search, one call for all repeats), on the
default problem (recognition on 1200 samples of cut-off pulses, noise 20).

    PYTHONPATH=build/python /usr/bin/python3 bench/python_search_bench.py [ROUNDS] [REPEATS]

Rounds alternate the two, so that the load of a shared machine hits both alike; each
round reports CPU time per search (time.process_time), and the best round of each and
the median of the per-round ratios are printed."""
import statistics
import sys
import time

import velmora


def per_search(f, repeats):
    start = time.process_time()
    f(repeats)
    return (time.process_time() - start) / repeats


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 7
    repeats = int(sys.argv[2]) if len(sys.argv) > 2 else 400
    for task in ["recognize", "detect", "identify"]:
        series = velmora.synthesize(random_state=velmora.RandomState())
        search = getattr(velmora, task)

        def python(n):
            for _ in range(n):
                search(series)

        def native(n):
            velmora._native_search(series, task, n)

        python(20)
        native(20)
        py_times, cpp_times, ratios = [], [], []
        for _ in range(rounds):
            c = per_search(native, repeats)
            p = per_search(python, repeats)
            cpp_times.append(c)
            py_times.append(p)
            ratios.append(p / c)
        print(f"{task:10s} C++ {min(cpp_times) * 1e3:.4f} ms  Python {min(py_times) * 1e3:.4f} ms"
              f"  best/best {min(py_times) / min(cpp_times) - 1:+.2%}"
              f"  median of rounds {statistics.median(ratios) - 1:+.2%}")


if __name__ == "__main__":
    main()
