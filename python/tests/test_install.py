# SPDX-License-Identifier: MIT
import os
import shutil
import subprocess
import sys
import sysconfig
import venv
from pathlib import Path

import pytest

import veltrane

PACKAGE = Path(__file__).resolve().parents[1]
EXAMPLE = PACKAGE.parent / "examples" / "python" / "hello_screen.py"
SONAME = f"libveltrane.so.{veltrane.__version__.split('.')[0]}"
# What the installed package shows: where it is, whether its type hints came along, and the
# library it runs on or why it found none.
SHOW = """
import pathlib, veltrane
print(veltrane.__file__)
print((pathlib.Path(veltrane.__file__).parent / "py.typed").exists())
try:
    print(veltrane.library_version())
except veltrane.LibraryNotFoundError as error:
    print("not found:", error)
"""


def _build_folder():
    folder = os.environ.get("VELTRANE_BUILD_DIR", str(PACKAGE.parent / "build" / "default"))
    if not (Path(folder) / "cmake_install.cmake").exists():
        pytest.skip("no build folder to install the library from (set VELTRANE_BUILD_DIR)")
    return folder


def _installed_on_this_system():
    triplet = sysconfig.get_config_var("MULTIARCH") or ""
    folders = ["/usr/local/lib", f"/usr/local/lib/{triplet}", "/usr/lib", f"/usr/lib/{triplet}"]
    return any((Path(folder) / SONAME).exists() for folder in folders)


def _show(python, cwd):
    """What the installed package shows, run away from the source tree with no variable that
    points at the library."""
    unset = ("VELTRANE_LIBRARY", "PYTHONPATH")
    environment = {k: v for k, v in os.environ.items() if k not in unset}
    shown = subprocess.run(
        [python, "-c", SHOW], check=True, cwd=cwd, capture_output=True, text=True, env=environment
    )
    return shown.stdout.splitlines()


def test_pip_installs_the_package_offline_and_it_finds_the_installed_library(tmp_path):
    try:
        import ensurepip  # noqa: F401
    except ImportError:
        pytest.skip("this Python has no ensurepip (Debian: apt-get install python3-venv)")
    build = _build_folder()
    prefix = tmp_path / "env"
    # Debian's setuptools and wheel build the package: the environment sees the system's.
    venv.create(prefix, with_pip=True, system_site_packages=True)
    python = str(prefix / "bin" / "python")
    # A copy, so that the build leaves nothing in the source tree.
    source = shutil.copytree(PACKAGE, tmp_path / "source", ignore=shutil.ignore_patterns("tests"))
    pip = [python, "-m", "pip", "install", "--quiet", "--no-index", "--no-build-isolation"]
    pip.append("--no-cache-dir")  # leaves the user's pip cache alone
    subprocess.run([*pip, str(source)], check=True, cwd=tmp_path)

    where, typed, *library = _show(python, tmp_path)
    assert where.startswith(str(prefix))
    assert typed == "True"
    if not _installed_on_this_system():
        looked = library[0]
        assert looked.startswith("not found:")
        for place in [SONAME, f"{prefix}/lib/{SONAME}", f"/usr/local/lib/{SONAME}"]:
            assert place in looked

    # `cmake --install` into the environment's prefix: found with no variable set.
    subprocess.run(
        ["cmake", "--install", build, "--prefix", str(prefix)], check=True, capture_output=True
    )
    assert _show(python, tmp_path)[2] == veltrane.__version__


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
