#!/usr/bin/python3
"""tephrix-render --format gtiff, read back with GDAL's own programs: the corners and the datum
from gdalinfo -json against the sheet's header, the heights from gdallocationinfo against the
values the generator wrote.

usage: geotiff_test.py TEPHRIX_RENDER TEPHRIX_GEN
"""
import atexit
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile

render, gen = (os.path.abspath(p) for p in sys.argv[1:3])
work = tempfile.mkdtemp(prefix="tephrix-geotiff-test-")
atexit.register(shutil.rmtree, work, True)  # also when a fixture fails
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL " + what)


def run(argv, **kw):
    p = subprocess.run(argv, capture_output=True, text=True, **kw)
    if p.returncode != 0:
        sys.exit(f"{argv[0]} failed ({p.returncode}): {p.stderr}")
    return p.stdout


# 640 x 480 cells of 0.2" (18000 a degree); the corners in whole seconds.
COLS, ROWS, CPD = 640, 480, 18000.0
SOUTH, WEST = 35 + 20 / 60, 138 + 42 / 60
NORTH, EAST = SOUTH + ROWS / CPD, WEST + COLS / CPD
sheet_root = os.path.join(work, "s")
run([gen, "--out", sheet_root, "--name", "S", "--cols", str(COLS), "--rows", str(ROWS), "--south", "35:20:0",
     "--north", "35:21:36", "--west", "138:42:0", "--east", "138:44:8", "--truth", os.path.join(work, "truth")])
with open(os.path.join(work, "truth"), "rb") as f:
    truth = struct.unpack(f"<{COLS * ROWS}i", f.read())

# The same sheet with its header's datum line saying JGD2000 (世界測地系).
jgd_root = os.path.join(work, "j")
shutil.copytree(sheet_root, jgd_root)
csv = os.path.join(jgd_root, "HEADER", "S.CSV")
with open(csv, "rb") as f:
    lines = f.read().decode("cp932").split("\r\n")
lines[2] = lines[2].split(",")[0] + ",世界測地系"
with open(csv, "wb") as f:
    f.write("\r\n".join(lines).encode("cp932"))

# With Region 256 the sheet starts 128 blocks in; a ring of 1 adds one block each side.
RING = 1
first = 128 - RING
blocks_x = (128 * 320 + COLS - 1) // 320 + RING - first + 1
blocks_y = (128 * 320 + ROWS - 1) // 320 + RING - first + 1
area_west = WEST - RING * 320 / CPD
area_south = SOUTH - RING * 320 / CPD
area_north = area_south + blocks_y * 320 / CPD
area_east = area_west + blocks_x * 320 / CPD

for root, epsg in ((sheet_root, 4301), (jgd_root, 4612)):
    tif = os.path.join(work, f"{epsg}.tif")
    run([render, "--quiet", "--format", "gtiff", "--ring", str(RING), "--out", tif, os.path.join(root, "LEM", "S.LEM")])
    info = json.loads(run(["gdalinfo", "-json", tif]))
    band = info["bands"][0]
    check(info["size"] == [blocks_x * 320, blocks_y * 320], f"{epsg}: size {info['size']}")
    check(f'ID["EPSG",{epsg}]' in info["coordinateSystem"]["wkt"], f"{epsg}: coordinate system is not EPSG:{epsg}")
    check(band["type"] == "Int16" and band["noDataValue"] == -9999, f"{epsg}: band {band['type']} no data {band.get('noDataValue')}")
    check(band["block"] == [256, 256], f"{epsg}: not tiled 256 x 256: {band['block']}")
    check(info["metadata"]["IMAGE_STRUCTURE"].get("COMPRESSION") == "DEFLATE", f"{epsg}: not DEFLATE-compressed")
    # gdalinfo prints corners to 7 decimals (1 cm); the transform carries them whole.
    corners = info["cornerCoordinates"]
    for name, (lon, lat) in (("upperLeft", (area_west, area_north)), ("lowerRight", (area_east, area_south))):
        got = corners[name]
        check(abs(got[0] - lon) < 1e-7 and abs(got[1] - lat) < 1e-7, f"{epsg}: {name} {got}, expected {[lon, lat]}")
    want = [area_west, 1 / CPD, 0, area_north, 0, -1 / CPD]
    check(all(abs(a - b) < 1e-12 for a, b in zip(info["geoTransform"], want)), f"{epsg}: transform {info['geoTransform']}, expected {want}")

    # Heights at cell centres: sheet cells (lake and outside-survey marks among them, which
    # without a background stay no data) and margin cells around the sheet.
    probes, expected = [], []
    for r in list(range(0, ROWS, 37)) + [ROWS - 1]:
        for c in list(range(0, COLS, 53)) + [COLS - 1]:
            t = truth[r * COLS + c]
            probes.append((WEST + (c + 0.5) / CPD, NORTH - (r + 0.5) / CPD))
            expected.append(-9999 if t in (-9999, -1111) else int((t + 5) / 10))
    for lon, lat in ((WEST - 0.5 / CPD, NORTH - 10 / CPD), (EAST + 0.5 / CPD, SOUTH + 10 / CPD),
                     (area_west + 0.5 / CPD, area_north - 0.5 / CPD)):
        probes.append((lon, lat))
        expected.append(-9999)
    out = run(["gdallocationinfo", "-valonly", "-geoloc", tif], input="".join(f"{x:.12f} {y:.12f}\n" for x, y in probes))
    got = [int(v) for v in out.split()]
    check(len(got) == len(expected), f"{epsg}: {len(got)} values for {len(expected)} probes")
    wrong = [(p, g, e) for p, g, e in zip(probes, got, expected) if g != e]
    check(not wrong, f"{epsg}: {len(wrong)} of {len(expected)} heights differ, first {wrong[:3]}")
    check(sum(e != -9999 for e in expected) > len(expected) // 2 and -9999 in expected,
          f"{epsg}: the probes miss heights or no-data cells")
    print(f"{epsg}: {len(expected)} heights and 2 corners compared")

shutil.rmtree(work, ignore_errors=True)
sys.exit(1 if failures else 0)
