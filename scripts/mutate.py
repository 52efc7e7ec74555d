#!/usr/bin/env python3
"""Mutation testing of the library's sources: see scripts/mutate.sh."""

import argparse
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# The test programs that reach each source, the likely killers first. A file
# not named here takes its folder's list. Every program is a CTest test of the
# same name and a build target of that name.
UNIT = ["phonebook_object_tests", "entry_files_tests", "directory_ops_tests", "fields_tests",
        "location_tests", "startup_tests", "pbtool_tests", "fuzz_tests", "reliability_tests",
        "windows_rules_tests", "pbtool_bulk_tests"]
RAS = ["ras_binding_tests", "ras_phonebook_tests", "ras_missing_function_tests", "dialup_entry_tests",
       "security_login_tests", "gate_missing_export_tests", "gate_absent_tests", "startup_tests"]
DIALOGS = ["fields_tests", "wizard_tests", "properties_tests", "wizard_unbound_tests",
           "linkdevs_dialog_tests", "dialup_entry_tests"]
TESTS = {
    "phonebook/TextCopy.cpp": ["text_copy_tests", "phonebook_object_tests", "fields_tests",
                               "entry_files_tests", "location_tests", "fuzz_tests"],
    "phonebook/EntryCipher.cpp": ["cipher_tests", "phonebook_object_tests", "entry_files_tests",
                                  "fuzz_tests"],
    "phonebook/EntryFiles.cpp": ["entry_files_tests", "phonebook_object_tests", "directory_ops_tests",
                                 "windows_rules_tests", "reliability_tests", "fuzz_tests", "pbtool_tests",
                                 "pbtool_bulk_tests"],
    "phonebook/EntryWriter.cpp": ["windows_rules_tests", "entry_files_tests", "reliability_tests",
                                  "phonebook_object_tests", "pbtool_bulk_tests", "directory_ops_tests"],
    "phonebook/WriteCalls.cpp": ["windows_rules_tests", "entry_batch_tests", "entry_files_tests",
                                 "reliability_tests"],
    "phonebook/FolderWriteLock.cpp": ["windows_rules_tests", "entry_batch_tests", "reliability_tests"],
    "phonebook/LeftoverNames.cpp": ["entry_batch_tests", "windows_rules_tests", "reliability_tests"],
    "phonebook/LeftoverSweep.cpp": ["windows_rules_tests", "reliability_tests", "entry_batch_tests"],
    "phonebook/EntryBatch.cpp": ["entry_batch_tests", "pbtool_bulk_tests", "pbtool_tests"],
    "phonebook/EntryNames.cpp": ["windows_rules_tests", "wizard_tests", "pbtool_tests", "pbtool_bulk_tests"],
    "phonebook/DeviceNames.cpp": ["windows_rules_tests", "phonebook_object_tests", "directory_ops_tests",
                                  "entry_files_tests", "reliability_tests", "wizard_tests"],
    "phonebook/DirectoryOps.cpp": ["directory_ops_tests", "phonebook_object_tests", "pbtool_tests",
                                   "reliability_tests"],
    "phonebook/PhoneBookLocation.cpp": ["location_tests", "phonebook_object_tests", "startup_tests",
                                        "entry_files_tests", "security_login_tests"],
    "phonebook/VmrPhoneBook.cpp": UNIT,
    "platform/SystemApiTable.cpp": ["location_tests", "fields_tests", "help_topic_tests", "startup_tests",
                                    "phonebook_object_tests"],
    "platform/Settings.cpp": ["settings_tests", "fields_tests", "wizard_tests", "properties_tests"],
    "platform/Messages.cpp": ["messages_tests", "fields_tests", "wizard_tests", "properties_tests"],
    "platform/SecurityLogin.cpp": ["security_login_tests", "gate_missing_export_tests",
                                   "gate_absent_tests", "wizard_tests", "properties_tests"],
    "platform/ContextHelp.cpp": ["help_topic_tests", "help_path_tests", "help_binding_tests",
                                 "wizard_tests", "properties_tests"],
    "ras/WindowsVersion.cpp": ["startup_tests", "location_tests", "ras_binding_tests",
                               "phonebook_object_tests"],
    "ras/DllMain.cpp": ["startup_tests", "phonebook_object_tests"],
    "dialogs/Wizard.cpp": ["wizard_tests", "wizard_unbound_tests", "fields_tests"],
    "dialogs/WizardNamePages.cpp": ["wizard_tests", "fields_tests", "wizard_unbound_tests"],
    "dialogs/WizardLinkPages.cpp": ["wizard_tests", "fields_tests", "wizard_unbound_tests"],
    "dialogs/ConnectionTypeDialog.cpp": ["wizard_tests", "wizard_unbound_tests", "fields_tests"],
    "dialogs/PropertiesSheet.cpp": ["properties_tests", "fields_tests"],
    "dialogs/GeneralPage.cpp": ["properties_tests", "fields_tests"],
    "dialogs/LoginStartupPages.cpp": ["properties_tests", "fields_tests"],
    "dialogs/DialUpEntry.cpp": ["dialup_entry_tests", "fields_tests", "wizard_tests", "properties_tests",
                                "wizard_unbound_tests"],
    "dialogs/PageConventions.cpp": ["startup_tests", "fields_tests", "wizard_tests", "properties_tests",
                                    "wizard_unbound_tests"],
    "dialogs/DeviceFields.cpp": ["fields_tests", "linkdevs_dialog_tests", "wizard_tests",
                                 "properties_tests"],
}
FOLDER_TESTS = {"phonebook": UNIT, "platform": UNIT + DIALOGS, "ras": RAS, "dialogs": DIALOGS,
                "tools": ["pbtool_bulk_tests", "pbtool_tests"]}

SKIP_LINE = re.compile(r"^\s*(#|//|/\*|\*|$|[{}]\s*$|[{}];?\s*$|(public|private|protected|case [^:]*|default)\s*:\s*$)")


def masked(line):
    """The line with string and character literals and a trailing // comment
    blanked, so that mutations never touch them."""
    out = list(line)
    i, quote = 0, None
    while i < len(line):
        c = line[i]
        if quote:
            if c == "\\":
                out[i] = " "
                if i + 1 < len(line):
                    out[i + 1] = " "
                i += 2
                continue
            if c == quote:
                quote = None
            else:
                out[i] = " "
        elif c in "\"'":
            quote = c
        elif line.startswith("//", i):
            return "".join(out[:i]) + " " * (len(line) - i)
        i += 1
    return "".join(out)


def replace_at(line, start, end, text):
    return line[:start] + text + line[end:]


COMPARISON = re.compile(r"(?<![<>=!&|+\-*/%^-])(==|!=|<=|>=|<|>)(?![<>=])")
FLIP = {"==": "!=", "!=": "==", "<": "<=", "<=": "<", ">": ">=", ">=": ">"}
NEGATE = {"==": "!=", "!=": "==", "<": ">=", "<=": ">", ">": "<=", ">=": "<"}
NUMBER = re.compile(r"(?<![\w.])(0x[0-9A-Fa-f]+|\d+)(?![\w.])")
CALL_STATEMENT = re.compile(r"^(\s*)([A-Za-z_][\w:]*(\.|->)?[\w:.>-]*)\s*\(.*\);\s*$")
DECLARATION = re.compile(r"^(const\s+)?([\w:]+\s+)*[\w:]+(\s*[*&]+\s*|\s+)(const\s+)?[*&]?\w+(\[\w*\])?$")
SIGNATURE = re.compile(r"^[\w:<>*& ]*?\b[\w:]+\s*\((\s*(const\s+)?[\w:]+[\s*&]+\w+(\[\w*\])?\s*,?)+\)\s*(const)?\s*\{?\s*$")
OUT_PARAMETER = re.compile(r"^\s*[\w:]+\s+(\w+)\s*=\s*[\w']+;\s*$")
# The parameters a message does not read (they must be zero): a literal zero
# passed there changes nothing when made one.
LPARAM_UNUSED = {"CB_GETLBTEXTLEN", "LB_GETTEXTLEN", "CB_GETCOUNT", "LB_GETCOUNT", "CB_GETCURSEL", "LB_GETCURSEL",
                 "CB_SETCURSEL", "LB_SETCURSEL", "CB_RESETCONTENT", "LB_RESETCONTENT", "CB_GETITEMDATA",
                 "LB_GETITEMDATA", "CB_DELETESTRING", "LB_DELETESTRING", "CB_LIMITTEXT", "EM_LIMITTEXT",
                 "EM_GETLIMITTEXT", "WM_GETTEXTLENGTH", "WM_GETFONT", "BM_GETCHECK", "BM_SETCHECK", "TCM_GETITEMCOUNT",
                 "PSM_GETTABCONTROL", "PSM_GETCURRENTPAGEHWND", "PSM_CHANGED", "PSM_HWNDTOINDEX"}
WPARAM_UNUSED = {"CB_GETCOUNT", "LB_GETCOUNT", "CB_GETCURSEL", "LB_GETCURSEL", "CB_RESETCONTENT", "LB_RESETCONTENT",
                 "CB_ADDSTRING", "LB_ADDSTRING", "EM_GETLIMITTEXT", "WM_GETTEXTLENGTH", "WM_GETFONT", "BM_GETCHECK",
                 "TCM_GETITEMCOUNT", "PSM_GETTABCONTROL", "PSM_GETCURRENTPAGEHWND", "PSM_SETWIZBUTTONS",
                 "PSM_IDTOINDEX"}
UNUSED_PARAMETERS = re.compile(r"\b(%s)\b" % "|".join(sorted(LPARAM_UNUSED | WPARAM_UNUSED)))
# A property sheet page's answer through DWLP_MSGRESULT: 0 (go on) and -1
# (stay, or skip the page) are the answers that mean something; 1 would name
# a page of resource id 1, which no sheet has.
PAGE_ANSWER = re.compile(r"\bAnswerPage\s*\(\s*\w+\s*,\s*(-1|0)\s*\)")
ARRAY_SIZE = re.compile(r"\w\s*\[\s*$")
DECLARED_ARRAY = re.compile(r"^\s*(static\s+)?(const\s+)?(unsigned\s+)?[\w:]+\s+\w+\s*\[[^\]]*\]\s*(=.*)?;")
KEYWORDS = {"return", "if", "while", "for", "switch", "sizeof", "delete", "new", "case", "else", "do"}


FUNCTION_START = re.compile(r"^(static\s+)?[A-Za-z_][\w:<>*& ]*?\b(\w+)\s*\([^;]*$")


def relative(path):
    """A source's path from the project's root, with forward slashes."""
    return os.path.relpath(path, ROOT).replace(os.sep, "/")


def enclosing(lines, index):
    """The name of the function that line index is in ("" if none)."""
    for i in range(index, -1, -1):
        m = FUNCTION_START.match(lines[i])
        if m and not lines[i].startswith((" ", "\t", "}", "#")):
            return m.group(2)
    return ""


def top_level_args(text, open_index):
    """The spans of the arguments of the call whose '(' is at open_index, or
    None when its ')' is not on this line."""
    depth, start, spans = 0, open_index + 1, []
    for i in range(open_index, len(text)):
        c = text[i]
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
            if depth == 0:
                spans.append((start, i))
                return spans
        elif c == "," and depth == 1:
            spans.append((start, i))
            start = i + 1
    return None


def room_constants(text):
    """The named constants of a source that serve only as an array's size:
    one more makes only room nobody uses."""
    found = set()
    for m in re.finditer(r"^const\s+[\w\s]+?\s(k\w+)\s*=\s*\d+\s*;", text, re.M):
        name = m.group(1)
        uses = re.findall(r"(.)\s*\b%s\b\s*(.)" % name, text)
        if all(before == "[" and after == "]" for before, after in uses[1:]) and len(uses) > 1:
            found.add(name)
    return found


def mutations(line, following="", function="", rooms=frozenset()):
    """Every sensible one-token mutation of the line: (kind, new line).
    following: the next lines of the source, to leave alone what changes no
    behaviour (the first value of a variable that a call then fills).
    function: the name of the function the line is in."""
    code = masked(line)
    if SKIP_LINE.match(code) or "#include" in code or "static_assert" in code:
        return []
    found = []
    answer = PAGE_ANSWER.search(code)
    if answer:
        value = answer.group(1)
        found.append(("answer", replace_at(line, answer.start(1), answer.end(1), "0" if value == "-1" else "-1")))
        code = replace_at(code, answer.start(1), answer.end(1), " " * len(value))
    unused = UNUSED_PARAMETERS.search(code)
    if unused:
        # Blank the zero parameters the message does not read.
        at = unused.end()
        tail = code[at:]
        if unused.group(1) in WPARAM_UNUSED:
            tail = re.sub(r"^\s*,\s*0\s*(?=,)", lambda z: " " * len(z.group()), tail, count=1)
        if unused.group(1) in LPARAM_UNUSED:
            tail = re.sub(r",\s*0\s*\)", lambda z: " " * (len(z.group()) - 1) + ")", tail, count=1)
        code = code[:at] + tail
    # Answers the dialog manager ignores: a page is created hidden, as a
    # DS_CONTROL child, so it sets no focus for it whatever the page answers
    # to WM_INITDIALOG; and it does nothing with the answer to WM_COMMAND.
    ignored = (re.match(r"Init\w*Page$|\w+PageProc$", function) and
               ("WM_INITDIALOG" in code or function.startswith("Init"))) or \
        re.match(r"\s*case IDC_\w+\s*:.*\breturn\s+(TRUE|FALSE)\s*;", code)
    # The size of an array parameter is no part of its type.
    signature = SIGNATURE.match(code) is not None
    # A variable that a call fills through its address: its first value is
    # never read.
    filled = OUT_PARAMETER.match(code)
    sized = not signature and not (filled and "&" + filled.group(1) in following)
    template_like = re.compile(r"(_cast|template|vector|array|unique_ptr|std::\w+)\s*$")
    template_open = re.compile(r"(_cast|template|vector|array|unique_ptr|std::\w+)\s*<[^<>()]*$")
    # The angle brackets of a template's arguments (BindProc<Fn>(...)).
    for m in re.finditer(r"\b\w+<[\w:\s*]+>(?=\s*\()", code):
        code = code[:m.start()] + re.sub(r"[<>]", " ", m.group()) + code[m.end():]
    # Where a search of a list starts: it goes round, so with names that are
    # unique (as the lists' are) it finds the same item from anywhere.
    code = re.sub(r"((CB|LB)_FINDSTRING(EXACT)?\s*,\s*static_cast.WPARAM.\()(-1)(\))",
                  lambda z: z.group(1) + "  " + z.group(5), code)
    for m in COMPARISON.finditer(code):
        op = m.group(1)
        if op in "<>" and template_like.search(code[:m.start()]):
            continue
        if op == ">" and template_open.search(code[:m.start()]):
            continue   # the end of a template's arguments
        if op == ">" and code[m.start() - 1:m.start()] == "-":
            continue
        found.append(("comparison", replace_at(line, m.start(), m.end(), FLIP[op])))
        found.append(("negation", replace_at(line, m.start(), m.end(), NEGATE[op])))
    for m in re.finditer(r"&&|\|\|", code):
        found.append(("logic", replace_at(line, m.start(), m.end(), "||" if m.group() == "&&" else "&&")))
    for m in re.finditer(r"!(?!=)\s*(?=[\w(])", code):
        found.append(("negation", replace_at(line, m.start(), m.end(), "")))
    for m in re.finditer(r"\b(true|false|TRUE|FALSE)\b", "" if ignored else code):
        other = {"true": "false", "false": "true", "TRUE": "FALSE", "FALSE": "TRUE"}[m.group()]
        found.append(("constant", replace_at(line, m.start(), m.end(), other)))
    if sized:
        for m in NUMBER.finditer(code):
            text = m.group()
            value = int(text, 16) if text.startswith("0x") else int(text)
            for delta in (1, -1):
                if value + delta < 0:
                    continue
                # One more byte of room in an array is room nobody uses.
                if delta == 1 and ARRAY_SIZE.search(code[:m.start()]) and DECLARED_ARRAY.match(code):
                    continue
                room = re.match(r"^const\s+[\w\s]+?\s(k\w+)\s*=", code)
                if delta == 1 and room and room.group(1) in rooms:
                    continue
                new = hex(value + delta) if text.startswith("0x") else str(value + delta)
                found.append(("size", replace_at(line, m.start(), m.end(), new)))
    for m in re.finditer(r"\bsizeof\s*\(", code if sized else ""):
        spans = top_level_args(code, m.end() - 1)
        if spans:
            end = spans[-1][1] + 1
            found.append(("size", replace_at(line, m.start(), end, "(" + line[m.start():end] + " - 1)")))
    call = CALL_STATEMENT.match(code)
    # A pause changes only how long something takes, which no test measures.
    if call and call.group(2).split("(")[0] not in KEYWORDS | {"Sleep", "SwitchToThread", "YieldProcessor"} \
            and "=" not in code.split("(")[0]:
        found.append(("drop call", call.group(1) + "(void)0;" + line[len(line.rstrip("\r\n")):]))
    for m in re.finditer(r"\b([A-Za-z_]\w*)\s*\(", code):
        if m.group(1) in KEYWORDS:
            continue
        spans = top_level_args(code, m.end() - 1)
        if not spans or len(spans) < 2:
            continue
        # Equal either way round.
        if (re.match(r"_?(mbs|str|mem)\w*cmp$", m.group(1)) and
                re.match(r"\s*[=!]=\s*0\b", code[spans[-1][1] + 1:])) or re.match(r"Same[A-Z]\w*$", m.group(1)):
            continue
        for (a0, a1), (b0, b1) in zip(spans, spans[1:]):
            first, second = line[a0:a1].strip(), line[b0:b1].strip()
            if DECLARATION.match(first) or DECLARATION.match(second):
                continue   # a parameter list, not a call
            if first and second and first != second:
                swapped = line[:a0] + line[a0:a1].replace(first, second, 1) + line[a1:b0] + \
                    line[b0:b1].replace(second, first, 1) + line[b1:]
                found.append(("swap", swapped))
    return found


class Tree:
    """Puts a mutated line into a source and always puts the original back,
    with its old time, so that the developer's own build sees no change."""

    def __init__(self, build):
        self.build = build
        self.saved = os.path.join(build, "mutate-saved")
        self.pending = os.path.join(build, "mutate-pending")

    def apply(self, path, lines, index, new_line):
        shutil.copy2(path, self.saved)
        with open(self.pending, "w") as f:
            f.write(path)
        mutated = list(lines)
        mutated[index] = new_line
        with open(path, "w") as f:
            f.writelines(mutated)

    def restore(self):
        if not os.path.exists(self.pending):
            return
        with open(self.pending) as f:
            path = f.read()
        shutil.copy2(self.saved, path)
        os.remove(self.pending)
        # The build folder's objects were made from the mutant and are newer
        # than the restored source: remove them so that they are made again.
        # A target of a subfolder (tools/) keeps them under that folder's
        # CMakeFiles/TARGET.dir/ without the folder's name in front.
        rel = relative(path) + ".obj"
        folder, base = os.path.split(relative(path))
        for top, dirs, files in os.walk(self.build):
            dirs[:] = [d for d in dirs if d not in ("wine", "screenshots", "help", "bin", "lib")]
            for name in files:
                full = os.path.join(top, name).replace(os.sep, "/")
                in_subfolder = ("/" + folder + "/CMakeFiles/") in full and full.endswith(".dir/" + base + ".obj")
                if full.endswith("/" + rel) or in_subfolder:
                    os.remove(full)


class Interrupted(Exception):
    pass


def on_signal(signum, frame):
    raise Interrupted()


def run(command, timeout=None, log=None):
    """Runs a command in a process group of its own; answers its status, or
    None when it ran past the timeout (the group is then ended)."""
    process = subprocess.Popen(command, stdout=log or subprocess.DEVNULL, stderr=subprocess.STDOUT,
                               start_new_session=True)
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()
        return None
    except BaseException:
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        process.wait()
        raise


def build(args, targets, log):
    return run(["nice", "cmake", "--build", args.build, "-j2", "--target"] + targets, log=log) == 0


def test(args, name, log):
    """'killed', 'survived' or 'timeout' for one test program. A program that
    runs past three times its time on the unmutated code (at least a minute)
    counts as killed: the suite's own time limit would end it."""
    limit = max(60.0, 3 * args.baseline[name]) if name in args.baseline else None
    start = time.time()
    status = run(["ctest", "--test-dir", args.build, "-R", "^%s$" % name, "--output-on-failure"],
                 timeout=limit, log=log)
    if status is None:
        return "timeout", 0
    return ("survived" if status == 0 else "killed"), time.time() - start


def measure(args, programs, log):
    """Runs each program not yet measured on the unmutated code: one that
    fails there cannot tell a mutant, and is left out. The times are kept in
    the build folder (remove mutate-times.json after changing the tests)."""
    times_file = os.path.join(args.build, "mutate-times.json")
    if os.path.exists(times_file):
        with open(times_file) as f:
            args.baseline = json.load(f)
    usable = []
    for program in programs:
        if program not in args.baseline:
            log.write("\n=== unmutated: %s\n" % program)
            outcome, elapsed = ("killed", 0) if not build(args, [program], log) else test(args, program, log)
            if outcome != "survived":
                print("left out: %s fails without a mutant (see %s)" % (program, log.name), flush=True)
                continue
            args.baseline[program] = elapsed
            with open(times_file, "w") as f:
                json.dump(args.baseline, f, indent=1)
        usable.append(program)
    return usable


def tests_for(rel):
    if rel in TESTS:
        return TESTS[rel]
    return FOLDER_TESTS.get(rel.split("/")[0], UNIT)


EQUIVALENTS_FILE = os.path.join(ROOT, "scripts", "mutate-equivalents.txt")


def reviewed_equivalents():
    """The mutants a reviewer has found to change nothing, as (source,
    function, line as it stands, kind): see scripts/mutate-equivalents.txt."""
    found = set()
    with open(EQUIVALENTS_FILE) as f:
        for row in f:
            if row.strip() and not row.startswith("#"):
                fields = [field.strip() for field in row.split(" | ")]
                if len(fields) != 5 or not fields[4]:
                    sys.exit("%s: a row is source | function | line | kind | reason: %s" %
                             (EQUIVALENTS_FILE, row.strip()))
                if fields[1] == "-":
                    fields[1] = ""
                found.add(tuple(fields[:4]))
    return found


def line_mutations(rel, text, index, rooms, equivalents):
    """The mutations of line index of a source, less the reviewed equivalents."""
    line, function = text[index], enclosing(text, index)
    return [(kind, new) for kind, new in mutations(line, "".join(text[index + 1:index + 6]), function, rooms)
            if (rel, function, line.strip(), kind) not in equivalents]


def candidates(paths, equivalents):
    """Every line that has a mutation: (rel, path, the source's lines, index,
    the line's mutations)."""
    lines = []
    for path in paths:
        with open(path) as f:
            text = f.readlines()
        rel = relative(path)
        in_comment = False
        rooms = room_constants("".join(text))
        for index, line in enumerate(text):
            stripped = line.strip()
            if in_comment:
                in_comment = "*/" not in stripped
                continue
            if stripped.startswith("/*"):
                in_comment = "*/" not in stripped
                continue
            choices = line_mutations(rel, text, index, rooms, equivalents)
            if choices:
                lines.append((rel, path, text, index, choices))
    return lines


def draw(args, files):
    """The mutants of the seed, in the order the run takes them: (rel, line
    number, kind, old line, new line). The same random calls as a run, so a
    listing shows what a run would build."""
    equivalents = reviewed_equivalents()
    rng = random.Random(args.seed)
    pool = candidates(files, equivalents)
    rng.shuffle(pool)
    only = set(args.only.split(",")) if getattr(args, "only", None) else None
    for rel, path, lines, index, choices in pool:
        if only is not None and "%s:%d" % (rel, index + 1) not in only:
            continue
        # The line's own generator: a change to the mutations of one line
        # leaves the choices on every other line as they were.
        kind, new_line = random.Random("%d:%s:%d" % (args.seed, rel, index)).choice(choices)
        yield rel, path, lines, index, kind, new_line


def list_draw(args, files):
    for count, (rel, _, lines, index, kind, new_line) in enumerate(draw(args, files)):
        if count == args.n + 10:
            break
        print("%s%s:%d  %-10s %s  ->  %s" % ("spare  " if count >= args.n else "", rel, index + 1, kind,
                                            lines[index].strip(), new_line.strip()))
    return 0


def main():
    parser = argparse.ArgumentParser(description="Mutation testing of the library's sources.")
    parser.add_argument("-n", type=int, default=10, help="how many mutants (default 10)")
    parser.add_argument("-s", "--seed", type=int, default=None, help="the seed (default: a random one)")
    parser.add_argument("-b", "--build", default=os.path.join(ROOT, "build-mutate"))
    parser.add_argument("-l", "--log", default=None, help="the builds' and tests' output (default BUILD/mutate.log)")
    parser.add_argument("--list", action="store_true",
                        help="print the mutants the seed draws, and the next ten (which take the place of one "
                             "that does not compile), without building or running anything")
    parser.add_argument("--only", default=None, metavar="FILE:LINE,...",
                        help="only these lines, each with the mutation the seed gives it (to try a survivor "
                             "again after a change to the tests)")
    parser.add_argument("paths", nargs="+", help="source files or folders (their .cpp files)")
    args = parser.parse_args()
    if args.seed is None:
        args.seed = random.SystemRandom().randrange(1, 100000)
    args.baseline = {}

    files = []
    for path in args.paths:
        path = os.path.abspath(path)
        if os.path.isdir(path):
            files += sorted(os.path.join(path, n) for n in os.listdir(path) if n.endswith((".cpp", ".c")))
        else:
            files.append(path)
    if args.list:
        return list_draw(args, files)
    tree = Tree(args.build)
    for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, on_signal)
    log = open(args.log or os.path.join(args.build, "mutate.log"), "w")
    print("seed %d, %d mutants over %d files (repeat: scripts/mutate.sh -s %d -n %d %s)" % (
        args.seed, args.n, len(files), args.seed, args.n,
        " ".join(os.path.relpath(p, ROOT) for p in args.paths)), flush=True)

    results = []
    try:
        tree.restore()
        wanted = []
        for path in files:
            for program in tests_for(relative(path)):
                if program not in wanted:
                    wanted.append(program)
        usable = set(measure(args, wanted, log))
        for rel, path, lines, index, kind, new_line in draw(args, files):
            if len(results) == args.n:
                break
            programs = [p for p in tests_for(rel) if p in usable]
            tree.apply(path, lines, index, new_line)
            try:
                log.write("\n=== %s:%d %s\n--- %s+++ %s" % (rel, index + 1, kind, lines[index], new_line))
                log.flush()
                if not build(args, ["phonebk_objects"], log):
                    log.write("(does not compile: another line is drawn)\n")
                    continue
                verdict, killer = "survived", ""
                for program in programs:
                    if not build(args, [program], log):
                        verdict, killer = "error", program + " (does not build)"
                        break
                    outcome, _ = test(args, program, log)
                    if outcome != "survived":
                        verdict, killer = "killed", program + (" (time limit)" if outcome == "timeout" else "")
                        break
            finally:
                tree.restore()
            results.append((rel, verdict))
            print("%-8s %s:%d  %-10s %s  ->  %s  %s" % (
                verdict, rel, index + 1, kind, lines[index].strip(), new_line.strip(), killer), flush=True)
    except Interrupted:
        print("interrupted: the source is restored", flush=True)
    finally:
        tree.restore()
        log.close()

    counted = [r for r in results if r[1] != "error"]
    killed = sum(1 for r in counted if r[1] == "killed")
    print("score: %d of %d killed (%.0f%%), seed %d" % (
        killed, len(counted), 100.0 * killed / max(1, len(counted)), args.seed))
    folders = sorted({r[0].split("/")[0] for r in counted})
    for folder in folders:
        mine = [r for r in counted if r[0].split("/")[0] == folder]
        print("  %-10s %d of %d" % (folder + "/", sum(1 for r in mine if r[1] == "killed"), len(mine)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
