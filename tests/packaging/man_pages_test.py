#!/usr/bin/env python3
"""Keeps the manual pages true to the programs' own --help.

    man_pages_test.py --program NAME=PATH ... --page NAME=PATH ...

For every program given, its --help is run (and, when it lists subcommands,
PATH SUB --help for each of them), and the long options it lists are compared
with the options the manual page of the same NAME documents:

  * a program's own options with the .TP items of the page's OPTIONS section;
  * a subcommand's options with the .TP items of the page's subsection
    ".SS "NAME SUB"" (a subcommand listed by --help without such a subsection
    fails, and so does a subsection for a subcommand --help does not list).

An option is documented when a .TP item's tag starts with it, written with
\\- hyphens (\\fB\\-\\-port\\fR \\fIPORT\\fR). --help itself is left out of the
comparison, since every program and subcommand takes it; instead each page
must mention \\-\\-help somewhere.

Every page given, with or without its program, must also render without a
single warning under "groff -man -ww -z". A page given without its program
(the desktop program is not built everywhere) is only rendered.

Exits 0 when everything agrees, 1 with a message naming each difference.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys

HELP_TIMEOUT_S = 20
IGNORED = {"--help"}
LONG_OPTION = re.compile(r"(?<![\w-])--[A-Za-z0-9][A-Za-z0-9-]*")


# ---------------------------------------------------------------------------
# What --help says


def run_help(path, words):
    """The standard output of PATH WORDS... --help; raises on a failure."""
    env = dict(os.environ)
    env["QT_QPA_PLATFORM"] = "offscreen"  # the desktop program needs no display for its help
    command = [path, *words, "--help"]
    try:
        done = subprocess.run(command, capture_output=True, text=True, env=env, timeout=HELP_TIMEOUT_S)
    except (OSError, subprocess.TimeoutExpired) as error:
        raise RuntimeError(f"'{' '.join(command)}' could not be run: {error}") from error
    if done.returncode != 0 or not done.stdout.strip():
        raise RuntimeError(
            f"'{' '.join(command)}' exited {done.returncode} with "
            f"{'no output' if not done.stdout.strip() else 'output'}; standard error: {done.stderr.strip()!r}")
    return done.stdout


def help_options(text):
    """The long options a help text lists: the names at the head of each
    entry of an option table ("  -h, --help   Displays ...", "  --port TEXT
    COMn, ..."), and every option of a usage synopsis ("usage: prog [--baud
    B]" and its indented continuation lines). Options that descriptions only
    mention ("instead of --port") are not entries and are not counted."""
    options = set()
    in_usage = False
    for line in text.splitlines():
        if re.match(r"usage:", line, re.IGNORECASE):
            in_usage = True
            options.update(LONG_OPTION.findall(line))
            continue
        if in_usage and line.startswith((" ", "\t")) and line.strip():
            options.update(LONG_OPTION.findall(line))
            continue
        in_usage = False
        entry = re.match(r" {1,4}(-\S.*)$", line)
        if entry:
            head = re.split(r"\s{2,}", entry.group(1), maxsplit=1)[0]
            options.update(LONG_OPTION.findall(head))
    return options


def help_subcommands(text):
    """The subcommands a help text lists under "Subcommands:" or "Commands:"."""
    names = []
    listing = False
    for line in text.splitlines():
        if re.match(r"(Sub)?[Cc]ommands:\s*$", line):
            listing = True
            continue
        if listing:
            entry = re.match(r" {1,4}([a-z][\w-]*)(\s{2,}|$)", line)
            if not entry:
                listing = bool(line.strip()) and line.startswith(" ")
                continue
            names.append(entry.group(1))
    return names


# ---------------------------------------------------------------------------
# What the manual page says


def macro_arguments(text):
    """The arguments of a roff request line (after the macro name), with
    double quotes grouping words."""
    args = []
    for quoted, plain in re.findall(r'"((?:[^"]|"")*)"|(\S+)', text):
        args.append(quoted.replace('""', '"') if quoted or not plain else plain)
    return args


def tag_source(line):
    """The roff source of a .TP tag line, as it will be set: the arguments of
    a font macro joined as the macro joins them, or the text line itself."""
    match = re.match(r"\.\s*(B|I|SM|SB|BI|BR|IB|IR|RB|RI)(?:\s+(.*))?$", line)
    if not match:
        return line
    args = macro_arguments(match.group(2) or "")
    return (" " if match.group(1) in ("B", "I", "SM", "SB") else "").join(args)


def without_fonts(text):
    return re.sub(r"\\f(\[[^\]]*\]|\(..|.)", "", text).replace("\\&", "").replace("\\~", " ")


def plain(text):
    """Roff text as it reads: no font changes, \\- as -."""
    return without_fonts(text).replace("\\-", "-").replace("\\(aq", "'").replace("\\e", "\\")


def tag_options(source):
    """(options, badly written words) of a .TP tag: the long options its
    leading option words name (-h, --help; --port PORT; --site=N), and those
    of them written with plain hyphens instead of \\-."""
    options = []
    unescaped = []
    for word in without_fonts(source).split():
        if not word.startswith(("-", "\\-")):
            break
        name = word.rstrip(",").split("=", 1)[0]
        if "-" in name.replace("\\-", ""):
            unescaped.append(name)
        name = name.replace("\\-", "-")
        if re.fullmatch(r"--[A-Za-z0-9][A-Za-z0-9-]*", name):
            options.append(name)
    return options, unescaped


class ManPage:
    """The options a page documents, by section and by subsection."""

    def __init__(self, path):
        self.path = path
        with open(path, encoding="utf-8") as f:
            self.source = f.read()
        self.section_options = {}  # .SH title -> set of options of its .TP items
        self.subsection_options = {}  # .SS title -> set of options of its .TP items
        self.unescaped = []  # option words written with plain hyphens
        self._read()

    def _read(self):
        section = subsection = None
        lines = [line for line in self.source.splitlines() if not re.match(r"\.\s*\\\"", line)]
        expect_tag = False
        for line in lines:
            heading = re.match(r"\.\s*(SH|SS)(?:\s+(.*))?$", line)
            if heading:
                title = " ".join(plain(" ".join(macro_arguments(heading.group(2) or ""))).split())
                if heading.group(1) == "SH":
                    section, subsection = title, None
                    self.section_options.setdefault(section, set())
                else:
                    subsection = title
                    self.subsection_options.setdefault(subsection, set())
                expect_tag = False
                continue
            if re.match(r"\.\s*TP\b", line):
                expect_tag = True
                continue
            if not expect_tag or not line.strip():
                continue
            expect_tag = False
            options, unescaped = tag_options(tag_source(line))
            self.unescaped.extend(unescaped)
            if section is not None:
                self.section_options[section].update(options)
            if subsection is not None:
                self.subsection_options[subsection].update(options)

    def mentions_help(self):
        return "\\-\\-help" in self.source


# ---------------------------------------------------------------------------
# The comparison


def compare(where, listed, documented, failures):
    listed = set(listed) - IGNORED
    documented = set(documented) - IGNORED
    for option in sorted(listed - documented):
        failures.append(f"{where}: --help lists {option}, the man page does not")
    for option in sorted(documented - listed):
        failures.append(f"{where}: the man page lists {option}, --help does not")
    return not (listed ^ documented)


def check_program(name, path, page, failures):
    top_help = run_help(path, [])
    subcommands = help_subcommands(top_help)
    checked = [(name, top_help, page.section_options.get("OPTIONS", set()))]
    for sub in subcommands:
        title = f"{name} {sub}"
        if title not in page.subsection_options:
            roff_title = title.replace("-", "\\-")
            failures.append(f"{title}: --help lists the subcommand, the man page has no subsection "
                            f"'.SS \"{roff_title}\"' for it")
            continue
        checked.append((title, run_help(path, [sub]), page.subsection_options[title]))
    for title in sorted(page.subsection_options):
        words = title.split()
        if len(words) == 2 and words[0] == name and words[1] not in subcommands:
            failures.append(f"{title}: the man page has a subsection for it, --help lists no such subcommand")
    for where, text, documented in checked:
        listed = help_options(text)
        if not listed:
            failures.append(f"{where}: no option found in its --help output; has its layout changed?")
            continue
        if compare(where, listed, documented, failures):
            count = len(listed - IGNORED)
            print(f"ok: {where}: {count} option{'' if count == 1 else 's'} besides --help agree{'s' if count == 1 else ''}")


def check_rendering(name, path, failures):
    groff = shutil.which("groff")
    if groff is None:
        failures.append(f"{name}: groff is needed to check the page (Debian package groff-base)")
        return
    done = subprocess.run([groff, "-man", "-ww", "-z", path], capture_output=True, text=True, timeout=60)
    output = (done.stdout + done.stderr).strip()
    if done.returncode != 0 or output:
        failures.append(f"{name}: 'groff -man -ww -z {path}' exited {done.returncode}:\n{output}")
    else:
        print(f"ok: {name}: the page renders without warnings")


def named_paths(values, what):
    paths = {}
    for value in values:
        name, equals, path = value.partition("=")
        if not equals or not name or not path:
            raise SystemExit(f"--{what} takes NAME=PATH, not {value!r}")
        if name in paths:
            raise SystemExit(f"--{what} {name} is given twice")
        paths[name] = path
    return paths


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--program", action="append", default=[], metavar="NAME=PATH",
                        help="a program whose --help its page must agree with")
    parser.add_argument("--page", action="append", default=[], metavar="NAME=PATH",
                        help="the manual page of the program NAME")
    args = parser.parse_args(argv)
    programs = named_paths(args.program, "program")
    pages = named_paths(args.page, "page")
    if not programs:
        parser.error("give at least one --program")

    failures = []
    for name in sorted(programs):
        if name not in pages:
            failures.append(f"{name}: no manual page given (--page {name}=PATH)")
    for name in sorted(pages):
        page = ManPage(pages[name])
        check_rendering(name, pages[name], failures)
        for word in page.unescaped:
            failures.append(f"{name}: the option {plain(word)} in a .TP tag is written with plain '-'; "
                            "write each hyphen of an option as \\-")
        if not page.mentions_help():
            failures.append(f"{name}: the man page never mentions \\-\\-help")
        if name not in programs:
            print(f"notice: {name}: no program given, so only the page's rendering is checked")
            continue
        try:
            check_program(name, programs[name], page, failures)
        except RuntimeError as error:
            failures.append(f"{name}: {error}")

    if failures:
        print(f"\n{len(failures)} difference(s) between the manual pages and --help:", file=sys.stderr)
        for failure in failures:
            print(f"FAIL {failure}", file=sys.stderr)
        return 1
    print("all manual pages agree with --help")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
