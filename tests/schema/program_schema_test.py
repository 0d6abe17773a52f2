#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""docs/program.schema.json judged against the program-file reader.

The schema must be valid JSON Schema 2020-12; every example must name it with "$schema" and be
valid; every program the tests write (checked-in .json files, the fuzz corpus, program literals
in the test sources) must get the same verdict from the schema and from the reader, except where
the reader refuses what no schema can say (a repeated key, a whole number written as a fraction,
text that is not JSON); and a table of bad files must be refused by both, and a table of
boundary files accepted by both.

Usage: program_schema_test.py SCHEMA PROGRAM_VERDICT SOURCE_DIR
"""
import json
import re
import subprocess
import sys
import tempfile
from pathlib import Path

import jsonschema

AREA = '{"kind": "%s", "rect": [0, 0, 8, 8]%s}'


def program(*areas, root=""):
    """A program file with one page holding `areas` (each a kind and its further keys)."""
    return '{"pages": [{"areas": [%s]}]%s}' % (", ".join(AREA % area for area in areas), root)


# (the reader's place of the defect, the file)
BAD_FILES = [
    ("pages", "{}"),
    ("pages", '{"pages": 3}'),
    ("", "[]"),
    ("colourMode", '{"pages": [], "colourMode": 1}'),
    ("rootType", '{"pages": [], "rootType": 65536}'),
    ("colorMode", '{"pages": [], "colorMode": -1}'),
    ("$schema", '{"pages": [], "$schema": 1}'),
    ("pages[0]", '{"pages": [5]}'),
    ("pages[0].areas", '{"pages": [{"areas": {}}]}'),
    ("pages[0].param", '{"pages": [{"param": 4294967296}]}'),
    ("pages[0].param", '{"pages": [{"param": -2147483649}]}'),
    ("pages[0].param", '{"pages": [{"param": "1"}]}'),
    ("pages[0].title", '{"pages": [{"title": "x"}]}'),
    ("pages[0].areas[0]", '{"pages": [{"areas": [7]}]}'),
    ("pages[0].areas[0].kind", '{"pages": [{"areas": [{"rect": [0, 0, 8, 8]}]}]}'),
    ("pages[0].areas[0].kind", program(("movie", ""))),
    ("pages[0].areas[0].kind", '{"pages": [{"areas": [{"kind": 5, "rect": [0, 0, 8, 8]}]}]}'),
    ("pages[0].areas[0].rect", '{"pages": [{"areas": [{"kind": "clock"}]}]}'),
    ("pages[0].areas[0].rect", '{"pages": [{"areas": [{"kind": "clock", "rect": [0, 0, 1]}]}]}'),
    ("pages[0].areas[0].rect", '{"pages": [{"areas": [{"kind": "clock", "rect": [0, 0, 1, 1, 1]}]}]}'),
    ("pages[0].areas[0].rect", '{"pages": [{"areas": [{"kind": "clock", "rect": [0, 0, "1", 1]}]}]}'),
    ("pages[0].areas[0].rect[2]", '{"pages": [{"areas": [{"kind": "clock", "rect": [0, 0, 65536, 1]}]}]}'),
    ("pages[0].areas[0].rect[0]", '{"pages": [{"areas": [{"kind": "clock", "rect": [-1, 0, 1, 1]}]}]}'),
    ("pages[0].areas[0].areaParam", program(("clock", ', "areaParam": 65536'))),
    ("pages[0].areas[0].paramA", program(("clock", ', "paramA": -1'))),
    ("pages[0].areas[0].paramB", program(("clock", ', "paramB": "0"'))),
    ("pages[0].areas[0].text", program(("text", ""))),
    ("pages[0].areas[0].text", program(("text", ', "text": 1'))),
    ("pages[0].areas[0].font", program(("text", ', "text": "x", "font": 3'))),
    ("pages[0].areas[0].size", program(("text", ', "text": "x", "size": 0'))),
    ("pages[0].areas[0].size", program(("text", ', "text": "x", "size": 1001'))),
    ("pages[0].areas[0].size", program(("text", ', "text": "x", "size": 9.5'))),
    ("pages[0].areas[0].color", program(("text", ', "text": "x", "color": "#12"'))),
    ("pages[0].areas[0].color", program(("text", ', "text": "x", "color": "purple"'))),
    ("pages[0].areas[0].color", program(("text", ', "text": "x", "color": 16777216'))),
    ("pages[0].areas[0].color", program(("text", ', "text": "x", "color": -1'))),
    ("pages[0].areas[0].color", program(("text", ', "text": "x", "color": true'))),
    ("pages[0].areas[0].file", program(("text", ', "text": "x", "file": "a.png"'))),
    ("pages[0].areas[0].text", program(("string", ""))),
    ("pages[0].areas[0].size", program(("string", ', "text": "x", "size": 9'))),
    ("pages[0].areas[0].stringParamA", program(("string", ', "text": "x", "stringParamA": 4294967296'))),
    ("pages[0].areas[0].stringParamB", program(("string", ', "text": "x", "stringParamB": null'))),
    ("pages[0].areas[0].file", program(("image", ""))),
    ("pages[0].areas[0].file", program(("image", ', "file": 7'))),
    ("pages[0].areas[0].text", program(("image", ', "file": "a.png", "text": "x"'))),
    ("pages[0].areas[0].fit", program(("image", ', "file": "a.png", "fit": "stretch"'))),
    ("pages[0].areas[0].fit", program(("image", ', "file": "a.png", "fit": 1'))),
    ("screen", '{"pages": [], "screen": 128}'),
    ("screen.height", '{"pages": [], "screen": {"width": 128}}'),
    ("screen.width", '{"pages": [], "screen": {"width": 0, "height": 64}}'),
    ("screen.height", '{"pages": [], "screen": {"width": 128, "height": 65536}}'),
    ("screen.depth", '{"pages": [], "screen": {"width": 128, "height": 64, "depth": 2}}'),
    ("pages[0].areas[0].format", program(("datetime", ""))),
    ("pages[0].areas[0].format", program(("datetime", ', "format": "century"'))),
    ("pages[0].areas[0].format", program(("datetime", ', "format": 0'))),
    ("pages[0].areas[0].format", program(("datetime", ', "format": 11'))),
    ("pages[0].areas[0].font", program(("datetime", ', "format": "date", "font": []'))),
    ("pages[0].areas[0].colors", program(("clock", ', "colors": 1'))),
    ("pages[0].areas[0].colors.hands", program(("clock", ', "colors": {"hands": "red"}'))),
    ("pages[0].areas[0].colors.face", program(("clock", ', "colors": {"face": -1}'))),
    ("pages[0].areas[0].text", program(("clock", ', "text": "x"'))),
]

# Files at the edges of every range: both must take them.
BOUNDARY_FILES = [
    '{"pages": []}',
    '{"$schema": "x.json", "comment": [1, {"a": null}], "rootType": 65535, "colorMode": 0, "pages": [{}]}',
    '{"pages": [], "screen": {"width": 1, "height": 65535}}',
    '{"pages": [{"param": 4294967295, "areas": []}, {"param": -2147483648}]}',
    '{"pages": [{"areas": [{"kind": "clock", "rect": [0, 0, 65535, 65535], "areaParam": 65535,'
    ' "paramA": 0, "paramB": 65535}]}]}',
    program(("text", ', "text": "", "font": "", "size": 1, "color": 16777215'),
            ("text", ', "text": "x", "size": 1000, "color": "#ABCdef"'),
            ("string", ', "text": "x", "stringParamA": -2147483648, "stringParamB": 4294967295'),
            ("image", ', "file": "/dev/null"'),
            ("image", ', "file": "a.png", "fit": "crop"'),
            ("image", ', "file": "a.png", "fit": "scale"'),
            ("datetime", ', "format": 1, "color": "white"'),
            ("datetime", ', "format": 10'),
            ("datetime", ', "format": "weekday", "font": "WenQuanYi Zen Hei"'),
            ("clock", ""),
            ("clock", ', "colors": {}'),
            ("clock", ', "colors": {"hour": 0, "minute": "black", "second": "yellow", "mark": "#000000",'
                      ' "ring": "red", "face": "green"}')),
]

# Reasons of the reader's that no schema can state (a depth limit included: a schema can bound
# nesting only by spelling out every level).
BEYOND_A_SCHEMA = (
    "duplicate key",
    "number too large to read",
    "expected an integer, found a fraction",
    "levels of objects and arrays",
)

failures = []


def fail(message):
    failures.append(message)
    print("FAIL:", message)


def load_json(text):
    """The document, or None for text that is not JSON as the reader takes it (no NaN)."""
    def refuse_constant(name):
        raise ValueError(name)
    try:
        return json.loads(text, parse_constant=refuse_constant)
    except ValueError:
        return None


def reader_verdicts(verdict_tool, texts):
    """The reader's verdict on each text: "accepted" or "refused\\tPLACE: SENTENCE"."""
    with tempfile.TemporaryDirectory() as folder:
        paths = []
        for index, text in enumerate(texts):
            path = Path(folder) / f"program-{index}.json"
            path.write_bytes(text if isinstance(text, bytes) else text.encode())
            paths.append(str(path))
        out = subprocess.run([verdict_tool, *paths], check=True, capture_output=True, text=True).stdout
    verdicts = out.splitlines()
    assert len(verdicts) == len(texts), out
    return verdicts


def schema_errors(validator, text):
    """Why the schema refuses `text` ("" when it takes it); None when it is not JSON."""
    document = load_json(text)
    if document is None:
        return None
    error = jsonschema.exceptions.best_match(validator.iter_errors(document))
    return "" if error is None else f"{error.json_path}: {error.message}"


def program_literals(source):
    """Program files the tests write: JSON objects with "pages" found whole in the test sources
    (C++ raw strings, single-quoted shell words) and the .json files under tests/ and the fuzz
    corpus of the program-file reader."""
    found = {}
    for path in sorted((source / "tests").rglob("*")):
        if path.suffix == ".json":
            found[str(path.relative_to(source))] = path.read_bytes()
            continue
        if path.suffix not in (".cpp", ".sh"):
            continue
        text = path.read_text(encoding="utf-8", errors="replace")
        pattern = r'R"([^(\s]*)\((.*?)\)\1"' if path.suffix == ".cpp" else r"'(\{[^'\n]*\})'"
        for number, match in enumerate(re.finditer(pattern, text, re.S)):
            literal = match.group(match.lastindex)
            document = load_json(literal)
            if isinstance(document, dict) and "pages" in document:
                found[f"{path.relative_to(source)} literal {number}"] = literal.encode()
    for path in sorted((source / "fuzz" / "corpus" / "program_file").iterdir()):
        found[str(path.relative_to(source))] = path.read_bytes()
    return found


def check_examples(validator, schema_path, source, verdict_tool):
    examples = sorted((source / "examples").glob("*.json"))
    if not examples:
        fail("no examples found")
    verdicts = reader_verdicts(verdict_tool, [path.read_bytes() for path in examples])
    for path, verdict in zip(examples, verdicts):
        document = json.loads(path.read_text(encoding="utf-8"))
        reference = document.get("$schema")
        if reference is None or (path.parent / reference).resolve() != schema_path.resolve():
            fail(f"{path.name}: \"$schema\" does not name {schema_path}")
        errors = schema_errors(validator, path.read_text(encoding="utf-8"))
        if errors:
            fail(f"{path.name}: the schema refuses it: {errors}")
        if verdict != "accepted":
            fail(f"{path.name}: the reader refuses it: {verdict}")
    print(f"examples: {len(examples)} name the schema and are valid")


def check_agreement(validator, source, verdict_tool):
    programs = program_literals(source)
    verdicts = reader_verdicts(verdict_tool, list(programs.values()))
    exempt = 0
    for (name, text), verdict in zip(programs.items(), verdicts):
        errors = schema_errors(validator, text.decode("utf-8", errors="replace"))
        if verdict == "accepted":
            if errors:
                fail(f"{name}: the reader takes it, the schema refuses it: {errors}")
        elif any(reason in verdict for reason in BEYOND_A_SCHEMA) or errors is None:
            exempt += 1
        elif not errors:
            fail(f"{name}: the reader refuses it ({verdict}), the schema takes it")
    print(f"test programs: {len(programs)} judged alike ({exempt} refused for what no schema says)")


def check_tables(validator, verdict_tool):
    verdicts = reader_verdicts(verdict_tool, [text for _, text in BAD_FILES])
    for (place, text), verdict in zip(BAD_FILES, verdicts):
        expected = "refused\t" + (place + ": " if place else "")
        if not verdict.startswith(expected):
            fail(f"{text}: the reader's verdict is {verdict!r}, expected a refusal at {place!r}")
        if not schema_errors(validator, text):
            fail(f"{text}: the schema takes it; the reader refuses it at {place!r}")
    verdicts = reader_verdicts(verdict_tool, BOUNDARY_FILES)
    for text, verdict in zip(BOUNDARY_FILES, verdicts):
        if verdict != "accepted":
            fail(f"{text}: the reader refuses it: {verdict}")
        errors = schema_errors(validator, text)
        if errors:
            fail(f"{text}: the schema refuses it: {errors}")
    print(f"tables: {len(BAD_FILES)} bad files refused by both, "
          f"{len(BOUNDARY_FILES)} boundary files taken by both")


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: program_schema_test.py SCHEMA PROGRAM_VERDICT SOURCE_DIR")
    schema_path, verdict_tool, source = Path(sys.argv[1]), sys.argv[2], Path(sys.argv[3])
    schema = json.loads(schema_path.read_text(encoding="utf-8"))
    if schema.get("$schema") != "https://json-schema.org/draft/2020-12/schema":
        fail("the schema does not declare JSON Schema 2020-12")
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    check_examples(validator, schema_path, source, verdict_tool)
    check_agreement(validator, source, verdict_tool)
    check_tables(validator, verdict_tool)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
