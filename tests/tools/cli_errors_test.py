#!/usr/bin/python3
"""Hostile invocations of the three tools: each must end with its exit status and a
"<tool>: error: <reason>" first line on stderr, within seconds, and leave nothing behind (no
partial output, no temporary file or folder).

usage: cli_errors_test.py TEPHRIX_RENDER TEPHRIX_GEN TEPHRIX_GEN_DCM
"""
import atexit
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

render, gen, gendcm = (os.path.abspath(p) for p in sys.argv[1:4])
work = tempfile.mkdtemp(prefix="tephrix-cli-test-")
atexit.register(shutil.rmtree, work, True)  # also when a fixture fails
tmp = os.path.join(work, "tmp")  # the tools' TMPDIR: must stay empty
out = os.path.join(work, "out")  # where outputs go: must hold only what a run says it wrote
os.makedirs(tmp)
os.makedirs(out)
env = dict(os.environ, TMPDIR=tmp, LC_ALL="C.UTF-8")


def run(argv, timeout=60):
    start = time.monotonic()
    p = subprocess.run(argv, capture_output=True, env=env, cwd=work, timeout=timeout)
    return p, time.monotonic() - start


def must(argv):
    p, _ = run(argv)
    if p.returncode != 0:
        sys.exit(f"fixture failed: {argv}: {p.stderr.decode(errors='replace')}")


def header_lines(path):
    with open(path, "rb") as f:
        return f.read().decode("cp932").split("\r\n")


def write_header(path, lines, bom=False):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        if bom:
            f.write(b"\xef\xbb\xbf" + "\r\n".join(lines).encode("utf-8"))
        else:
            f.write("\r\n".join(lines).encode("cp932"))


def variant(name, edit=None, data=None, header=None, bom=False):
    """A copy of the small sheet as <work>/<name>/LEM/<name>.LEM with an edited header or a
    special data or header file."""
    root = os.path.join(work, name)
    os.makedirs(os.path.join(root, "LEM"))
    os.makedirs(os.path.join(root, "HEADER"))
    lem, csv = os.path.join(root, "LEM", name + ".LEM"), os.path.join(root, "HEADER", name + ".CSV")
    if data == "fifo":
        os.mkfifo(lem)
    elif data:
        os.symlink(data, lem)
    else:
        shutil.copy(os.path.join(work, "s", "LEM", "S.LEM"), lem)
    if header == "fifo":
        os.mkfifo(csv)
    elif header != "none":
        lines = header_lines(os.path.join(work, "s", "HEADER", "S.CSV"))
        if edit:
            lines = edit(lines)
        write_header(csv, lines, bom)
    return lem


def set_line(n, value):
    def edit(lines):
        lines[n] = lines[n].split(",")[0] + "," + value
        return lines
    return edit


# Fixtures: a small sheet, a DCM, and the damaged copies.
must([gen, "--out", os.path.join(work, "s"), "--name", "S", "--cols", "640", "--rows", "480"])
must([gendcm, "--out", os.path.join(work, "s.dcm")])
must([gen, "--out", os.path.join(work, "esc"), "--name", "T", "--cols", "640", "--rows", "480",
      "--title", "bad\x1b[2Jtitle\x07"])
must([gen, "--out", os.path.join(work, "utf"), "--name", "富士", "--cols", "640", "--rows", "480"])
sheet = os.path.join(work, "s", "LEM", "S.LEM")
fifo_data = variant("FD", data="fifo")
fifo_header = variant("FH", header="fifo")
zero_data = variant("ZD", data="/dev/zero")
no_header = variant("NH", header="none")
bom = variant("BOM", bom=True)
zero_cols = variant("ZC", edit=set_line(4, "0"))
huge = variant("HUGE", edit=lambda l: set_line(5, "1000000")(set_line(4, "1000000")(l)))
no_records = variant("NR", edit=lambda l: [x for x in l if not x.startswith("レコード")])
digit = variant("1D")
os.mkfifo(os.path.join(work, "fifo.dcm"))
with open(os.path.join(work, "plain"), "w") as f:
    f.write("x")
os.makedirs(os.path.join(out, "folder"))
locked = None
if os.geteuid() != 0:  # root reads a mode 000 file anyway
    locked = variant("LK")
    os.chmod(os.path.join(work, "LK", "HEADER", "LK.CSV"), 0)

o = lambda name: os.path.join(out, name)
R = [render, "--quiet"]
cases = [
    # name, argv, status, first stderr line (regex), files the run leaves in out/
    ("no sheet", R, 2, r"SHEET is missing", []),
    ("unknown option", R + ["--bogus", sheet], 2, r"unknown option '--bogus'", []),
    ("ring beyond range", R + ["--ring", "99", sheet], 2, r"--ring: '99' is not a whole number from 0 to 64", []),
    ("scale zero", R + ["--scale", "0", sheet], 2, r"--scale: '0' is not a whole number from 1 to 256", []),
    ("scale not a number", R + ["--scale", "2x", sheet], 2, r"--scale: '2x' is not a whole number", []),
    ("range upside down", R + ["--range", "3000", "100", sheet], 2, r"--range: MAX \(100\) must be above MIN \(3000\)", []),
    ("ring outside region", R + ["--region", "4", "--ring", "3", sheet], 2, r"--ring 3 does not fit in --region 4", []),
    ("composite without kind", R + ["--composite"], 2, r"--composite needs none, dcm FILE or guidebook", []),
    ("unknown format", R + ["--format", "jpeg", sheet], 2, r"--format: 'jpeg' is not one of png, gtiff", []),
    ("memory budget", R + ["--format", "gtiff", "--max-memory", "64", "--out", o("m.tif"), sheet], 2,
     r"needs about \d+ MB, more than --max-memory 64 MB", []),
    ("missing sheet", R + [os.path.join(work, "nope.LEM")], 1, r"nope.LEM: No such file or directory", []),
    ("folder as sheet", R + [os.path.join(work, "s")], 1, r"/s: is a directory, not a file", []),
    ("FIFO data file", R + ["--out", o("a.png"), fifo_data], 1, r"FD.LEM: is a FIFO, not a regular file", []),
    ("FIFO header", R + ["--out", o("a.png"), fifo_header], 1, r"FH.CSV: is a FIFO, not a regular file", []),
    ("/dev/zero as data file", R + ["--out", o("a.png"), zero_data], 1, r"ZD.LEM: is a character device", []),
    ("no header", R + ["--out", o("a.png"), no_header], 1, r"NH.LEM: no .CSV header of this name", []),
    ("header with a BOM", R + ["--out", o("a.png"), bom], 1, r"BOM.CSV: the header begins with a UTF-8 byte-order mark", []),
    ("zero columns", R + ["--out", o("a.png"), zero_cols], 1, r"ZC.CSV: the header's count of columns \(line 5\) is 0", []),
    ("counts at the limits", R + ["--out", o("a.png"), huge], 1, r"1000000 x 1000000 cells .* blocks; at most", []),
    ("no row records", R + ["--out", o("deep/er/a.png"), no_records], 1, r"NR.CSV: the module refused the header", []),
    ("name begins with a digit", R + ["--out", o("a.png"), digit], 1, r"1D.LEM: the module takes no data file whose name begins with a digit", []),
    ("output under a file", R + ["--out", os.path.join(work, "plain", "a.png"), sheet], 1, r"plain: (Not a directory|File exists)", []),
    ("output cannot be made", R + ["--out", "/proc/none/a.png", sheet], 1, r"/proc/none: No such file or directory", []),
    ("output is a folder", R + ["--out", o("folder"), sheet], 1, r"folder: is a directory", ["folder"]),
    ("checksums cannot be made", R + ["--out", o("a.png"), "--checksums", "/proc/none/s.txt", sheet], 1,
     r"/proc/none: No such file or directory", []),
    ("DCM is a FIFO", R + ["--out", o("a.png"), "--composite", "dcm", os.path.join(work, "fifo.dcm"), sheet], 1,
     r"fifo.dcm: is a FIFO, not a regular file", []),
    ("DCM refused by the module", R + ["--out", o("r.png"), "--composite", "dcm", os.path.join(work, "plain"), sheet], 3,
     r"the 50 m background was refused, the map is drawn without it: .*DCM", ["r.png"]),
    ("DCM refused, allowed", R + ["--allow-no-background", "--out", o("r2.png"), "--composite", "dcm",
                                  os.path.join(work, "plain"), sheet], 0, r"warning: the 50 m background was refused", ["r2.png"]),
    ("the header given for the sheet", R + ["--out", o("h.png"), os.path.join(work, "s", "HEADER", "S.CSV")], 0, None, ["h.png"]),
    ("a UTF-8 file name", R + ["--out", o("u.png"), os.path.join(work, "utf", "LEM", "富士.LEM")], 0, None, ["u.png"]),
    ("a title with escapes", R + ["--out", o("t.png"), os.path.join(work, "esc", "LEM", "T.LEM")], 0, None, ["t.png"]),
    ("gen: sheet beyond memory", [gen, "--cols", "100000", "--rows", "100000", "--out", o("g")], 2,
     r"--cols x --rows: 10000000000 cells, at most 800000000", []),
    ("gen: bad angle", [gen, "--south", "35:99:0", "--out", o("g")], 2, r"--south: '35:99:0' is not D:M:S", []),
    ("gen: row list out of range", [gen, "--absent", "0-2000000000", "--out", o("g")], 2, r"--absent: .* is not a list of rows 0 to 1499", []),
    ("gen: folder cannot be made", [gen, "--out", "/proc/none/g"], 1, r"/proc/none/g: No such file or directory", []),
    ("gen: help", [gen, "--help"], 0, None, []),
    ("gen-dcm: help", [gendcm, "--help"], 0, None, []),
    ("gen-dcm: huge cells", [gendcm, "--cells", "2147483647", "1", o("d.dcm")], 2, r"--cells LAT: '2147483647' is not a whole number from 1 to 36000", []),
    ("gen-dcm: nan box", [gendcm, "--box", "nan", "nan", "nan", "nan", o("d.dcm")], 2, r"--box SOUTH: 'nan' is not a number from -90 to 90", []),
    ("gen-dcm: box beyond 32-bit offsets", [gendcm, "--box", "0", "0", "80", "170", o("d.dcm")], 2, r"tiles .*32-bit offsets", []),
    ("gen-dcm: empty box", [gendcm, "--box", "35", "138", "35", "139", o("d.dcm")], 2, r"NORTH must lie north of SOUTH", []),
    ("gen-dcm: output is a FIFO", [gendcm, os.path.join(work, "fifo.dcm")], 1, r"fifo.dcm: not a regular file", []),
]
if locked:
    cases.append(("header without read permission", R + ["--out", o("a.png"), locked], 1, r"LK.CSV: Permission denied", []))

failures = 0
for name, argv, status, pattern, leaves in cases:
    before = set(os.listdir(out))
    try:
        p, seconds = run(argv)
    except subprocess.TimeoutExpired:
        print(f"FAIL {name}: still running after 60 s")
        failures += 1
        continue
    err = p.stderr.decode("utf-8", errors="replace").splitlines()
    first = err[0] if err else ""
    problems = []
    if p.returncode != status:
        problems.append(f"exit status {p.returncode}, expected {status}")
    tool = os.path.basename(argv[0])
    if pattern is not None:
        kind = "warning" if status == 0 else "error"
        if not first.startswith(f"{tool}: ") or not re.search(pattern, first) or (status != 0 and f"{tool}: error: " not in first):
            problems.append(f"first stderr line {first!r} does not match {pattern!r} ({kind})")
    elif status == 0 and argv[0] == render and err:
        problems.append(f"unexpected stderr {first!r}")
    if any(re.search(r"terminate called|Aborted|core dumped|runtime error|Sanitizer", line) for line in err):
        problems.append("crashed: " + " | ".join(err[:3]))
    after = set(os.listdir(out))
    if after - before != set(leaves) - before:
        problems.append(f"left in out/: {sorted(after - before)}, expected {sorted(set(leaves) - before)}")
    if os.listdir(tmp):
        problems.append(f"left in TMPDIR: {os.listdir(tmp)}")
        for e in os.listdir(tmp):
            shutil.rmtree(os.path.join(tmp, e), ignore_errors=True)
    if b"\x1b" in p.stdout or b"\x07" in p.stdout or b"\x1b" in p.stderr:
        problems.append("raw control bytes reached the terminal")
    for leaf in leaves:
        path = os.path.join(out, leaf)
        if os.path.isfile(path) and os.path.getsize(path) == 0:
            problems.append(f"{leaf} is empty")
    print(("FAIL " if problems else "ok   ") + f"{name}: {p.returncode} {first} ({seconds:.2f} s)")
    for problem in problems:
        print("       " + problem)
    failures += bool(problems)

# Interrupted while it writes: the signal's own death, and nothing left behind.
for sig in (signal.SIGINT, signal.SIGTERM):
    before = set(os.listdir(out))
    p = subprocess.Popen(R + ["--auto-range", "--out", o("i.png"), sheet], env=env, cwd=work,
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 30
    while p.poll() is None and not any(n.startswith(".i.png.") for n in os.listdir(out)) and time.monotonic() < deadline:
        time.sleep(0.005)
    started = p.poll() is None
    p.send_signal(sig)
    p.wait(timeout=30)
    left = sorted(set(os.listdir(out)) - before) + os.listdir(tmp)
    ok = started and p.returncode == -sig and not left
    print(("ok   " if ok else "FAIL ") + f"interrupted by {sig.name}: status {p.returncode}, left {left}"
          + ("" if started else " (it ended before the signal)"))
    failures += not ok
    for n in left:
        path = os.path.join(out, n) if n in os.listdir(out) else os.path.join(tmp, n)
        shutil.rmtree(path, ignore_errors=True) if os.path.isdir(path) else os.unlink(path)

shutil.rmtree(work, ignore_errors=True)
print(f"{len(cases) + 2 - failures} of {len(cases) + 2} invocations behaved")
sys.exit(1 if failures else 0)
