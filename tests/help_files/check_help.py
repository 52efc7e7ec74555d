#!/usr/bin/env python3
"""Reads each compiled help file back, as the help viewer would use it.

check_help.py CHM_DIR RESOURCES_DIR

For every language: the ten context ids the dialogs ask for map to a topic
that is in the file; every link of every page, of the contents and of the
index leads to a file that is in it; and each page's topic names, in its own
words, every field and button of that page whose text has a keyboard key. In
French, a no-break space comes before : ? ! ; and inside « », never a blank.
Prints one line per fault and "N passed, N failed" last.
"""
import html
import os
import re
import shutil
import subprocess
import sys
import tempfile


def read_languages(resources):
    """Help file suffix: (resource script, code page), from languages.txt."""
    languages = {}
    with open(os.path.join(resources, "languages.txt"), encoding="utf-8") as listing:
        for line in listing:
            fields = line.split("#", 1)[0].split()
            if fields:
                tag, _locale, _langid, code_page, help_suffix = fields
                languages[help_suffix] = (f"{tag}.rc", f"cp{code_page}")
    return languages


# Context id: (topic the dialog's help must open, the dialog's template name).
TOPICS = {
    4070: ("type.htm", "IDD_CONNECTION_TYPE"), 4071: ("name.htm", "IDD_WIZ_NAME_DEVICE"),
    4072: ("phone.htm", "IDD_WIZ_PHONE_NUMBER"), 4073: ("workstation.htm", "IDD_WIZ_WORKSTATION"),
    4074: ("login.htm", "IDD_WIZ_LOGIN"), 4075: ("utilities.htm", "IDD_WIZ_UTILITIES"),
    4076: ("finish.htm", "IDD_WIZ_FINISH"), 4050: ("general.htm", "IDD_GENERAL"),
    4051: ("account.htm", "IDD_LOGIN"), 4052: ("startup.htm", "IDD_STARTUP"),
}


def dialog_texts(resources):
    """The TXT_ names each dialog of layout.rci uses, in order."""
    dialogs, current = {}, None
    with open(os.path.join(resources, "layout.rci"), encoding="utf-8") as layout:
        for line in layout:
            start = re.match(r"(IDD_\w+)\s+DIALOGEX", line)
            if start:
                current = start.group(1)
                dialogs[current] = []
            elif line.strip() == "END":
                current = None
            elif current:
                dialogs[current] += re.findall(r"\bTXT_\w+", line)
    return dialogs


def language_texts(path):
    with open(path, encoding="utf-8") as script:
        return {name: text.replace('""', '"') for name, text in
                re.findall(r'#define\s+(TXT_\w+)\s+"((?:[^"]|"")*)"', script.read())}


def shown(text):
    """A control text as the user reads it: no keyboard marker."""
    text = re.sub(r"\(&\w\)", "", text)
    text = text.replace("&&", "\0").replace("&", "").replace("\0", "&")
    return re.sub(r"\s+", " ", text).strip()   # a no-break space reads as a blank


def page_words(data, code_page):
    text = html.unescape(re.sub(r"<[^>]*>", " ", data.decode(code_page)))
    return re.sub(r"\s+", " ", text)


def french_blanks(data, code_page):
    """The places of a French page where a plain blank stands for a no-break one."""
    text = html.unescape(re.sub(r"<[^>]*>", "", data.decode(code_page)))
    return re.findall(r"\S* [:?!;»]|« \S*", text)


def links(data, code_page):
    text = data.decode(code_page)
    found = re.findall(r'href="([^"#:]+)', text, re.I)
    found += re.findall(r'name="Local"\s+value="([^"]+)"', text, re.I)
    return found


def check_language(chm, suffix, resources, faults):
    script, code_page = read_languages(resources)[suffix]
    with tempfile.TemporaryDirectory() as scratch:
        # chmls writes the alias list beside the file it reads: read a copy.
        copy = os.path.join(scratch, "help.chm")
        shutil.copyfile(chm, copy)
        work = os.path.join(scratch, "files")
        subprocess.run(["chmls", "extractall", copy, work], check=True, capture_output=True)
        subprocess.run(["chmls", "extractalias", copy], check=True, capture_output=True, cwd=scratch)
        files = {name.lower() for name in os.listdir(work)}
        aliases = {}
        with open(os.path.join(scratch, "help.ali"), encoding="latin-1") as lines:
            for line in lines:
                name, _, url = line.strip().partition("=")
                number = re.sub(r"\D", "", name)
                if number:
                    aliases[int(number)] = url
        for context, (topic, _) in TOPICS.items():
            url = aliases.get(context)
            if url is None:
                faults.append(f"{suffix}: context {context} maps to no topic")
            elif url.lstrip("/").lower() != topic or topic not in files:
                faults.append(f"{suffix}: context {context} maps to {url}, not to /{topic} in the file")
        for name in sorted(files):
            if not name.endswith((".htm", ".hhc", ".hhk")):
                continue
            with open(os.path.join(work, name), "rb") as page:
                data = page.read()
            for target in links(data, code_page):
                if target.lower() not in files:
                    faults.append(f"{suffix}: {name} links to {target}, which the file lacks")
            if suffix == "fr" and name.endswith(".htm"):
                for place in french_blanks(data, code_page):
                    faults.append(f"{suffix}: {name} has a blank where a no-break space belongs: {place!r}")
        texts = language_texts(os.path.join(resources, script))
        dialogs = dialog_texts(resources)
        for context, (topic, dialog) in TOPICS.items():
            if topic not in files:
                continue
            with open(os.path.join(work, topic), "rb") as page:
                words = page_words(page.read(), code_page)
            for name in dialogs[dialog]:
                if "&" in texts.get(name, "") and shown(texts[name]) not in words:
                    faults.append(f"{suffix}: {topic} does not name \"{shown(texts[name])}\" ({name})")


def main():
    chm_dir, resources = sys.argv[1], sys.argv[2]
    passed = failed = 0
    languages = read_languages(resources)
    if len(languages) < 2:
        print(f"{resources}/languages.txt lists {len(languages)} languages")
        return 1
    for suffix in languages:
        chm = os.path.join(chm_dir, f"vmhelp_{suffix}.chm")
        faults = []
        if not os.path.exists(chm):
            faults.append(f"{suffix}: {chm} is missing")
        else:
            check_language(chm, suffix, resources, faults)
        for fault in faults:
            print(fault)
        if faults:
            failed += 1
        else:
            passed += 1
            print(f"{suffix}: vmhelp_{suffix}.chm is whole")
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
