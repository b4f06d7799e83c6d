"""The module gives what velmora-cli gives for the same problems."""
import os
import tempfile

import numpy as np
import pytest

import velmora

TASKS = {"detection": velmora.detect, "recognition": velmora.recognize,
         "joint": velmora.identify, "series": velmora.process}
TUPLE_TASKS = {"detection": velmora.detect_tuples, "recognition": velmora.recognize_tuples}
SERIES = ["fixed-whole", "fixed-cutoff", "unfixed-whole", "unfixed-cutoff",
          "fixed-tuples", "unfixed-tuples"]
SUBSET = [2, 5, 7]
SUBSETS = [[2, 5, 7], [1, 3], [4, 6, 8, 9]]


def problem(task, series):
    """The options of both front ends for one task on one series type."""
    cli, py = ["--task", task, "--series", series], {}
    if series.endswith("tuples"):
        cli += ["--subset", ",".join(map(str, SUBSET))]
        py["subset"] = SUBSET
        if task == "recognition":
            cli += ["--subsets", ";".join(",".join(map(str, r)) for r in SUBSETS)]
            py["subsets"] = SUBSETS
    return cli, py


def search_for(task, series):
    if series.endswith("tuples") and task in TUPLE_TASKS:
        return TUPLE_TASKS[task]
    return TASKS[task]


def assert_same_run(run, series, result):
    s = run["series"]
    assert series.noisy.tolist() == s["noisyData"]
    assert series.pure.tolist() == s["pureData"]
    assert series.positions.tolist() == s["positions"]
    assert series.etalons.tolist() == s["etalons"]
    assert result.positions.tolist() == s["foundPositions"]
    assert result.etalons.tolist() == s["foundEtalons"]
    assert result.first_samples.tolist() == s["foundFirstSamples"]
    assert result.last_samples.tolist() == s["foundLastSamples"]
    assert result.found_tuple == s["foundTuple"]
    assert result.tuple_instances.tolist() == s["tupleInstances"]
    assert result.true_chain_cost == run["trueChainCost"]
    pretenders = run["chains"]["pretenders"]
    assert len(result.chains) == len(pretenders)
    for chain, p in zip(result.chains, pretenders):
        assert chain.cost == p["distance"]
        assert chain.positions.tolist() == p["positions"]
        assert chain.etalons.tolist() == p["etalons"]
        assert chain.first_samples.tolist() == p["firstSamples"]
        assert chain.last_samples.tolist() == p["lastSamples"]


@pytest.mark.parametrize("series", SERIES)
@pytest.mark.parametrize("task", list(TASKS))
def test_every_task_and_series_type_matches_the_tool(cli, task, series):
    cli_args, py_args = problem(task, series)
    create = dict(length=600, noise=35, tmin=30, tmax=120)
    doc, _ = cli(
        "run", *cli_args, "--create", ",".join(f"{k}={v}" for k, v in create.items()),
        "--next", "0", "--json")
    made = velmora.synthesize(series, task, random_state=velmora.RandomState(), **create,
                              **py_args)
    assert_same_run(doc["runs"][0], made, search_for(task, series)(made))


def test_restoration_error_is_the_tools(cli):
    text, _ = cli("run", "--create", "noise=50", "--next", "0", json_out=False)
    made = velmora.synthesize(noise=50, random_state=velmora.RandomState())
    line = next(l for l in text.splitlines() if l.startswith("restoration error:"))
    assert velmora.recognize(made).restoration_error == int(line.split(":")[1])


@pytest.mark.parametrize("task,series,extra", [
    ("recognition", "fixed-cutoff", []),
    ("detection", "unfixed-whole", ["--etalons", "3"]),
    ("recognition", "fixed-tuples", ["--subsets", "1,2;3,4,5"]),
])
def test_simulation_tables_are_the_tools(cli, tmp_path, task, series, extra):
    grid = dict(length=400, pulses_from=4, pulses_to=7, noise_steps=3, noise_step=10,
                repeats=4)
    names = {"pulses_from": "from", "pulses_to": "to"}
    args = ["simulate", "--task", task, "--series", series, *extra, "--quiet", "--clock", "0",
            "--json", str(tmp_path / "sim.json"), "--threads", "2"]
    for k, v in grid.items():
        args += ["--" + names.get(k, k).replace("_", "-"), str(v)]
    cli(*args, json_out=False)
    import json
    doc = json.loads((tmp_path / "sim.json").read_text())
    py_extra = {}
    if "--etalons" in extra:
        py_extra["etalons"] = [3]
    if "--subsets" in extra:
        py_extra["subsets"] = [[1, 2], [3, 4, 5]]
    sim = velmora.simulate(task, series, clock=0, threads=1, **grid, **py_extra)
    assert sim.pulse_counts.tolist() == doc["pulseValues"]
    assert sim.noise_levels.tolist() == doc["noiseLevels"]
    assert sim.repeats == doc["repeats"]
    for name, key in [("restoring", "restoring"), ("detection", "detection"),
                      ("tuple_recognition", "tupleRecognition")]:
        table = getattr(sim, name)
        assert table.shape == (len(doc["pulseValues"]), len(doc["noiseLevels"]))
        assert table.T.tolist() == doc["tables"][key]
    assert sim.options["length"] == doc["options"]["length"]
    assert sim.start_time == 0


@pytest.mark.parametrize("view,args,kwargs", [
    ("alphabet", ["--next", "0"], dict(next=0)),
    ("results", ["--task", "joint", "--series", "unfixed-cutoff", "--noise", "35", "--next", "1"],
     dict(task="joint", series="unfixed-cutoff", noise=35, next=1)),
    ("params", ["--create", "length=300,sequence=1;2;3"],
     dict(create=dict(length=300, sequence=[1, 2, 3]))),
])
def test_pictures_are_the_tools_pixels(cli, tmp_path, view, args, kwargs):
    from PIL import Image
    out = tmp_path / "view.png"
    cli("render", "--view", view, "--size", "640x400", *args, "--out", str(out), json_out=False)
    expected = np.asarray(Image.open(out).convert("RGB"))
    picture = velmora.render(view, (640, 400), **kwargs)
    assert picture.shape == (400, 640, 3) and picture.dtype == np.uint8
    assert np.array_equal(np.asarray(picture), expected)
    # A notebook shows it from its PNG, which decodes to the same pixels.
    png = tmp_path / "inline.png"
    png.write_bytes(picture._repr_png_())
    assert np.array_equal(np.asarray(Image.open(png).convert("RGB")), expected)
