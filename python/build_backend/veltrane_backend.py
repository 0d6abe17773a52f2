"""Builds the wheel and the source archive of this pure-Python package with the standard library
alone, so that installing it works offline in any environment that has pip."""

import base64
import hashlib
import io
import re
import tarfile
import zipfile
from pathlib import Path

_ROOT = Path(__file__).resolve().parent.parent
_NAME = "veltrane"
_TAG = "py3-none-any"


def _version():
    text = (_ROOT / _NAME / "__init__.py").read_text(encoding="utf-8")
    return re.search(r'^__version__ = "([^"]+)"$', text, re.M).group(1)


def _metadata():
    return (
        "Metadata-Version: 2.1\n"
        f"Name: {_NAME}\n"
        f"Version: {_version()}\n"
        "Summary: Drive LED display controllers (screens) over UDP or a serial line\n"
        "Requires-Python: >=3.9\n"
        "Provides-Extra: images\n"
        "Requires-Dist: Pillow; extra == \"images\"\n"
        "Description-Content-Type: text/markdown\n\n"
        + (_ROOT / "README.md").read_text(encoding="utf-8")
    )


def _package_files():
    return sorted(p for p in (_ROOT / _NAME).rglob("*.py") if "__pycache__" not in p.parts)


def _record_line(name, data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{name},sha256={digest},{len(data)}\n"


def _dist_info_files():
    return {
        "METADATA": _metadata().encode(),
        "WHEEL": (
            "Wheel-Version: 1.0\nGenerator: veltrane_backend\nRoot-Is-Purelib: true\n"
            f"Tag: {_TAG}\n"
        ).encode(),
    }


def get_requires_for_build_wheel(config_settings=None):
    return []


def get_requires_for_build_sdist(config_settings=None):
    return []


def prepare_metadata_for_build_wheel(metadata_directory, config_settings=None):
    dist_info = Path(metadata_directory) / f"{_NAME}-{_version()}.dist-info"
    dist_info.mkdir(parents=True, exist_ok=True)
    for name, data in _dist_info_files().items():
        (dist_info / name).write_bytes(data)
    return dist_info.name


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    version = _version()
    dist_info = f"{_NAME}-{version}.dist-info"
    wheel_name = f"{_NAME}-{version}-{_TAG}.whl"
    record = ""
    with zipfile.ZipFile(Path(wheel_directory) / wheel_name, "w", zipfile.ZIP_DEFLATED) as wheel:
        entries = [(p.relative_to(_ROOT).as_posix(), p.read_bytes()) for p in _package_files()]
        entries += [(f"{dist_info}/{n}", d) for n, d in _dist_info_files().items()]
        for name, data in entries:
            wheel.writestr(name, data)
            record += _record_line(name, data)
        wheel.writestr(f"{dist_info}/RECORD", record + f"{dist_info}/RECORD,,\n")
    return wheel_name


def build_sdist(sdist_directory, config_settings=None):
    base = f"{_NAME}-{_version()}"
    sdist_name = f"{base}.tar.gz"
    files = _package_files() + [_ROOT / "pyproject.toml", _ROOT / "README.md"]
    files += sorted((_ROOT / "build_backend").glob("*.py"))
    with tarfile.open(Path(sdist_directory) / sdist_name, "w:gz") as sdist:
        for path in files:
            sdist.add(path, arcname=f"{base}/{path.relative_to(_ROOT).as_posix()}")
        info = _metadata().encode()
        entry = tarfile.TarInfo(f"{base}/PKG-INFO")
        entry.size = len(info)
        sdist.addfile(entry, io.BytesIO(info))
    return sdist_name
