"""The type stubs describe the module as built: the same public names, and for every
function the same parameters in the same order."""
import ast
import pathlib
import re

import velmora

STUBS = pathlib.Path(__file__).resolve().parents[2] / "python" / "velmora.pyi"


def stub_tree():
    return ast.parse(STUBS.read_text())


def test_stubs_name_every_public_name_and_no_other():
    tree = stub_tree()
    stubbed = {n.name for n in tree.body if isinstance(n, (ast.FunctionDef, ast.ClassDef))}
    public = {n for n in dir(velmora) if not n.startswith("_")}
    assert stubbed == public


def test_stubbed_parameters_are_the_modules():
    for node in stub_tree().body:
        if not isinstance(node, ast.FunctionDef):
            continue
        stubbed = [a.arg for a in node.args.args + node.args.kwonlyargs]
        signature = getattr(velmora, node.name).__doc__.splitlines()[0]
        built = re.findall(r"(\w+): ", signature.split("(", 1)[1])
        assert stubbed == built, node.name


def test_stubbed_properties_exist():
    for node in stub_tree().body:
        if isinstance(node, ast.ClassDef) and node.name != "Picture":
            cls = getattr(velmora, node.name)
            for item in node.body:
                if isinstance(item, ast.FunctionDef) and not item.name.startswith("__"):
                    assert hasattr(cls, item.name), f"{node.name}.{item.name}"
