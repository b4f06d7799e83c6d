"""Shared helpers of the module's tests: the command-line tool they compare with."""
import json
import os
import subprocess

import pytest

CLI = os.environ.get("VELMORA_CLI", "")


def run_cli(*args, json_out=True):
    """Runs velmora-cli with args; its JSON document (or stdout) and stderr."""
    if not CLI:
        pytest.skip("VELMORA_CLI is not set")
    done = subprocess.run([CLI, *args], capture_output=True, text=True, check=True)
    return (json.loads(done.stdout) if json_out else done.stdout), done.stderr


@pytest.fixture
def cli():
    return run_cli
