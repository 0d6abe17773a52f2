import os
import subprocess
import sys
import venv
from pathlib import Path

import pytest

import veltrane

PACKAGE = Path(__file__).resolve().parents[1]
EXAMPLE = PACKAGE.parent / "examples" / "python" / "hello_screen.py"


def test_pip_installs_the_package_into_a_fresh_environment_offline(tmp_path):
    try:
        import ensurepip  # noqa: F401
    except ImportError:
        pytest.skip("this Python has no ensurepip (Debian: apt-get install python3-venv)")
    venv.create(tmp_path / "env", with_pip=True)
    python = str(tmp_path / "env" / "bin" / "python")
    pip = [python, "-m", "pip", "install", "--quiet", "--no-index", "--no-build-isolation"]
    pip.append("--no-cache-dir")  # leaves the user's pip cache alone
    subprocess.run([*pip, str(PACKAGE)], check=True, cwd=tmp_path)
    # Away from the source tree, so that the installed copy is the one imported.
    shown = subprocess.run(
        [python, "-c", "import veltrane; print(veltrane.__file__, veltrane.library_version())"],
        check=True,
        cwd=tmp_path,
        capture_output=True,
        text=True,
        env={**os.environ, "PYTHONPATH": ""},
    ).stdout.split()
    assert shown[0].startswith(str(tmp_path / "env"))
    assert shown[1] == veltrane.__version__


def test_the_example_greets_a_screen(udp_endpoint):
    environment = {**os.environ, "PYTHONPATH": str(PACKAGE)}
    shown = subprocess.run(
        [sys.executable, str(EXAMPLE), *udp_endpoint],
        env=environment,
        capture_output=True,
        text=True,
    )
    assert shown.returncode == 0, shown.stderr
    assert "sent the greeting" in shown.stdout
