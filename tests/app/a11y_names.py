#!/usr/bin/python3
# Reads the entry panel the way a screen reader does (AT-SPI) and checks
# that every field and drop-down list is named by its caption, also after
# the rig has set the mode.  Prints what is wrong; exit status 1 then.
import sys
import time

import pyatspi

CAPTIONS = ["Date", "S_time", "E_time", "MHz", "Mode", "Call", "RST sent", "RST rcvd", "Name", "QTH",
            "Comment", "Grid", "QSL sent", "QSL rcvd", "TX_PWR"]
COMBOS = ["Mode", "QSL sent", "QSL rcvd"]


def find_app():
    for _ in range(100):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == "Tarnix":
                return app
        time.sleep(0.2)
    sys.exit("FAIL: Tarnix not on the accessibility bus")


def descendants(obj):
    for child in obj:
        if child is None:
            continue
        yield child
        yield from descendants(child)


def text_of(obj):
    try:
        return obj.queryText().getText(0, -1)
    except NotImplementedError:
        return ""


def check(frame, state):
    problems = []
    objs = list(descendants(frame))
    combos = {o.name: o for o in objs if o.getRoleName() == "combo box"}
    texts = [o for o in objs if o.getRoleName() == "text"]
    for caption in COMBOS:
        if caption not in combos:
            problems.append("%s: no drop-down list named %r (lists: %s)" % (state, caption, sorted(combos)))
            continue
        inner = [c for c in combos[caption] if c is not None and c.getRoleName() == "text"]
        if inner and inner[0].name != caption:
            problems.append("%s: the text of %r is named %r" % (state, caption, inner[0].name))
    named = {o.name for o in texts}
    for caption in CAPTIONS:
        if caption not in named and caption not in combos:
            problems.append("%s: no field named %r" % (state, caption))
    for o in texts:
        if not o.name:
            problems.append("%s: a text field without a name holds %r" % (state, text_of(o)))
    return problems, combos


def main():
    want_rig = len(sys.argv) > 1 and sys.argv[1] == "rig"
    app = find_app()
    frame = next(o for o in app if o is not None and o.getRoleName() == "frame")
    problems, combos = check(frame, "attached")
    if want_rig:
        rig = next((o for o in descendants(frame) if o.getRoleName() == "check box" and o.name == "Freq from Rig"), None)
        if rig is None:
            sys.exit("FAIL: no check box 'Freq from Rig'")
        action = rig.queryAction()
        action.doAction(0)
        mode = combos.get("Mode")
        for _ in range(50):
            inner = [c for c in mode if c is not None and c.getRoleName() == "text"] if mode else []
            if inner and text_of(inner[0]):
                break
            time.sleep(0.2)
        else:
            problems.append("the rig never set the mode")
        more, _ = check(frame, "rig followed")
        problems += more
    for p in problems:
        print("FAIL: " + p)
    sys.exit(1 if problems else 0)


main()
