#!/usr/bin/env python3
"""The operator's texts in translations/*.ts against the sources.

    check.py LUPDATE SOURCE_DIR            check; exit 1 with the faults
    check.py LUPDATE SOURCE_DIR --update   bring the .ts files up to date

Extraction reads src/ for Qt's own tr() and translate(), for OperatorText()
(the station's and the command line's texts) and for ZT_TR_NOOP() (texts of
the core kept in tables). The check fails on a text of the sources that a
shipped language lacks or leaves unfinished, on a translation whose text has
gone from the sources, and on a translation that drops or adds a %1 or %08X
place."""

import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

ALIASES = "translate+=OperatorText,QT_TRANSLATE_NOOP+=ZT_TR_NOOP"


def lupdate(tool, source_dir, ts_file, language):
    subprocess.run(
        [tool, "-silent", "-tr-function-alias", ALIASES, "-extensions", "cpp,h", "-locations", "none",
         "-no-obsolete", "-target-language", language, os.path.join(source_dir, "src"), "-ts", ts_file],
        check=True)


def messages(path):
    root = ElementTree.parse(path).getroot()
    for context in root.iter("context"):
        name = context.findtext("name", "")
        for message in context.iter("message"):
            translation = message.find("translation")
            yield name, message.findtext("source", ""), translation


def places(text):
    return sorted(re.findall(r"%(?:\d+|0\dX)", text))


def check(tool, source_dir, ts_file):
    faults = []
    language = ElementTree.parse(ts_file).getroot().get("language", "")
    shipped = {}
    for context, source, translation in messages(ts_file):
        where = f"{os.path.basename(ts_file)}: [{context}] {source!r}"
        kind = translation.get("type") if translation is not None else "missing"
        text = translation.text if translation is not None else None
        if kind in ("unfinished", "vanished", "obsolete", "missing") or not text:
            faults.append(f"{where}: {kind or 'empty'} translation")
        elif places(text) != places(source):
            faults.append(f"{where}: the translation has the places {places(text)}, the text {places(source)}")
        shipped[(context, source)] = text
    with tempfile.TemporaryDirectory() as folder:
        fresh = os.path.join(folder, "fresh.ts")
        lupdate(tool, source_dir, fresh, language)
        wanted = {(context, source) for context, source, _ in messages(fresh)}
    for key in sorted(wanted - shipped.keys()):
        faults.append(f"{os.path.basename(ts_file)}: [{key[0]}] {key[1]!r} has no translation")
    for key in sorted(shipped.keys() - wanted):
        faults.append(f"{os.path.basename(ts_file)}: [{key[0]}] {key[1]!r} is no longer in the sources")
    return faults


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    tool, source_dir = sys.argv[1], sys.argv[2]
    folder = os.path.join(source_dir, "translations")
    ts_files = sorted(os.path.join(folder, name) for name in os.listdir(folder) if name.endswith(".ts"))
    if "--update" in sys.argv[3:]:
        for ts_file in ts_files:
            language = ElementTree.parse(ts_file).getroot().get("language", "")
            lupdate(tool, source_dir, ts_file, language)
            print(f"updated {ts_file}: translate its unfinished entries")
        return
    faults = [fault for ts_file in ts_files for fault in check(tool, source_dir, ts_file)]
    for fault in faults:
        print(fault)
    if not ts_files:
        print(f"no translations in {folder}")
        sys.exit(1)
    sys.exit(1 if faults else 0)


if __name__ == "__main__":
    main()
