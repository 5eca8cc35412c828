#!/usr/bin/python3
"""Reads what Orca spoke from its debug file.

  orca_speech.py LOG --mark              prints how many utterances the log holds now
  orca_speech.py LOG [--from N] --list   prints the utterances from the N-th on, one a line
  orca_speech.py LOG [--from N] --last REGEX
      prints the last utterance from the N-th on that starts with a match of REGEX
  orca_speech.py LOG [--from N] [--wait S] --expect TEXT...
      waits up to S seconds (default 10) until the utterances from the N-th on hold every TEXT,
      in this order, each as a whole utterance; "re:" before a TEXT makes it a regular expression
      that must match a whole utterance. Exit status 0 when they came, 1 when not (the utterances
      from N on are printed).

Orca writes each utterance as "SPEECH OUTPUT: '...'" after a time stamp; a line break inside
it continues on the next line behind 18 spaces.
"""

import argparse
import re
import sys
import time

START = re.compile(r"^\d\d:\d\d:\d\d\.\d+ - SPEECH OUTPUT: '(.*)$")
CONTINUED = " " * 18


def utterances(path):
    spoken = []
    current = None
    with open(path, encoding="utf-8", errors="replace") as log:
        for line in log:
            line = line.rstrip("\n")
            if current is not None and line.startswith(CONTINUED):
                current.append(line[len(CONTINUED):])
                continue
            if current is not None:
                spoken.append(current)
                current = None
            match = START.match(line)
            if match:
                current = [match.group(1)]
    if current is not None:
        spoken.append(current)
    result = []
    for parts in spoken:
        text = "\n".join(parts)
        # The closing quote, and the voice Orca names behind it for some utterances.
        text = re.sub(r"'(\s*voice=\w+|\s*\[?\{.*\}\]?)?$", "", text)
        result.append(text)
    return result


def matches(expected, said):
    if expected.startswith("re:"):
        return re.fullmatch(expected[3:], said, re.S) is not None
    return expected == said


def found_in_order(expected, spoken):
    position = 0
    for text in expected:
        while position < len(spoken) and not matches(text, spoken[position]):
            position += 1
        if position == len(spoken):
            return False
        position += 1
    return True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("log")
    parser.add_argument("--from", dest="start", type=int, default=0)
    parser.add_argument("--wait", type=float, default=10)
    parser.add_argument("--mark", action="store_true")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("--expect", nargs="+")
    parser.add_argument("--last", metavar="REGEX")
    args = parser.parse_args()
    if args.mark:
        print(len(utterances(args.log)))
        return 0
    if args.last:
        said = [t for t in utterances(args.log)[args.start:] if re.match(args.last, t, re.S)]
        if not said:
            return 1
        print(said[-1])
        return 0
    if args.list:
        for text in utterances(args.log)[args.start:]:
            print(repr(text))
        return 0
    deadline = time.monotonic() + args.wait
    while True:
        spoken = utterances(args.log)[args.start:]
        if found_in_order(args.expect, spoken):
            return 0
        if time.monotonic() > deadline:
            print("  Orca said:", file=sys.stderr)
            for text in spoken:
                print("    " + repr(text), file=sys.stderr)
            return 1
        time.sleep(0.2)


if __name__ == "__main__":
    sys.exit(main())
