#!/usr/bin/python3
"""A drawing's geographic reference (GEODATA) after a conversion, read back by ezdxf.

A survey drawing on ETRS89 TM06 (EPSG:3763), geolocated as a projected grid,
converted to Datum 73: ezdxf's get_crs() gives 27493, the design and
reference points are where T puts them, the north and $NORTHDIRECTION turn
by T's rotation there, the mesh's source points (in the object's system)
go through T and its geographic points stay. A drawing whose reference names another system
keeps its definition and is told. The two real geolocated drawings of the
corpus (systems outside Portugal) keep theirs, and are told. T comes from
kelvrin-cli --literal on POINT entities.

Usage: check_geodata.py KELVRIN_CLI CORPUS_FOLDER WORK_FOLDER
"""
import math
import os
import re
import shutil
import subprocess
import sys
from xml.etree import ElementTree

try:
    import ezdxf
except ImportError:
    print("SKIPPED: python3-ezdxf is not installed")
    sys.exit(77)

DESIGN = (-87500.0, -104250.0)  # Lisbon, on TM06
STEP = 100.0  # metres either side of a point for T's rotation
CORPUS_GEOLOCATED = [
    "ezdxf__docs_source_tutorials_src_geo_Graz_10km_3m.dxf",
    "ezdxf__tests_test_01_dxf_entities_houses_of_parliament_georeferenced.dxf",
]


def dictionary(body):
    return ('<?xml version="1.0" encoding="UTF-16" standalone="no" ?>\n'
            '<Dictionary version="1.0" xmlns="http://www.osgeo.org/mapguide/coordinatesystem">\n'
            + body + "</Dictionary>\n")


def projected(name, code):
    return dictionary(
        f'  <ProjectedCoordinateSystem id="{name}">\n    <Name>{name}</Name>\n'
        '    <Axis uom="METER">\n      <CoordinateSystemAxis>\n        <AxisOrder>1</AxisOrder>\n'
        '        <AxisName>Easting</AxisName>\n        <AxisAbbreviation>E</AxisAbbreviation>\n'
        '        <AxisDirection>east</AxisDirection>\n      </CoordinateSystemAxis>\n'
        '    </Axis>\n  </ProjectedCoordinateSystem>\n'
        + (f'  <Alias id="{code}" type="CoordinateSystem">\n    <ObjectId>{name}</ObjectId>\n'
           '    <Namespace>EPSG Code</Namespace>\n  </Alias>\n' if code else ""))


def run(cli, *args):
    done = subprocess.run([cli, *args], capture_output=True, text=True)
    return done.returncode, done.stdout + done.stderr


def transformed(cli, work, points):
    """T at `points`, by the literal pass."""
    source = os.path.join(work, "points_in.dxf")
    target = os.path.join(work, "points_out.dxf")
    with open(source, "w") as f:
        f.write("0\nSECTION\n2\nENTITIES\n")
        for x, y in points:
            f.write(f"0\nPOINT\n10\n{x!r}\n20\n{y!r}\n")
        f.write("0\nENDSEC\n0\nEOF\n")
    status, text = run(cli, "-q", "--literal", "--from", "tm06", "--to", "datum73", source, target)
    if status != 0:
        raise RuntimeError("points not transformed: " + text)
    lines = open(target).read().splitlines()
    values = [float(lines[i + 1]) for i in range(len(lines) - 1) if lines[i] in ("10", "20")]
    return [(values[2 * n], values[2 * n + 1]) for n in range(len(points))]


def rotation(cli, work, x, y):
    """T's rotation at (x, y): the turn of the grid's north there."""
    low, high = transformed(cli, work, [(x, y - STEP), (x, y + STEP)])
    return math.atan2(-(high[0] - low[0]), high[1] - low[1])


def geolocated_drawing(path, definition, north):
    doc = ezdxf.new("R2018", units=6)
    msp = doc.modelspace()
    msp.add_point(DESIGN)
    msp.add_line((DESIGN[0] - 500, DESIGN[1] - 300), (DESIGN[0] + 500, DESIGN[1] + 300))
    # ezdxf writes the extents as placeholders: north turns at $INSBASE.
    doc.header["$INSBASE"] = (*DESIGN, 0)
    doc.header["$NORTHDIRECTION"] = 0.2
    geo = msp.new_geodata()
    geo.dxf.coordinate_type = geo.PROJECTED_GRID
    geo.dxf.design_point = (*DESIGN, 0)
    geo.dxf.reference_point = (*DESIGN, 0)
    geo.dxf.north_direction = north
    geo.dxf.horizontal_units = 6
    geo.dxf.vertical_units = 6
    geo.coordinate_system_definition = definition
    geo.source_vertices.extend([(DESIGN[0] + 200, DESIGN[1] - 100), (DESIGN[0] - 300, DESIGN[1])])
    geo.target_vertices.extend([(-9.14, 38.71), (-9.145, 38.72)])
    doc.saveas(path)


def projection_parameters(definition):
    """The projection's parameters and the ellipsoid's axes as the XML gives them."""
    root = ElementTree.fromstring(re.sub(' xmlns="[^"]*"', "", definition))
    values = {p.findtext("OperationParameterId"): float(p.findtext("Value"))
              for p in root.iter("ParameterValue")}
    values["a"] = float(root.findtext(".//SemiMajorAxis"))
    values["b"] = float(root.findtext(".//SemiMinorAxis"))
    return values


def projinfo_parameters(code):
    """The same, by PROJ's own projinfo: its PROJ string of the system."""
    text = subprocess.run(["projinfo", "-o", "PROJ", "-q", f"EPSG:{code}"], capture_output=True,
                          text=True).stdout
    proj = dict(re.findall(r"\+(\w+)=([^ ]+)", text))
    a, rf = {"intl": (6378388.0, 297.0), "GRS80": (6378137.0, 298.257222101)}[proj["ellps"]]
    return {"Latitude of natural origin": float(proj["lat_0"]),
            "Longitude of natural origin": float(proj["lon_0"]),
            "Scale factor at natural origin": float(proj["k"]),
            "False easting": float(proj["x_0"]), "False northing": float(proj["y_0"]),
            "a": a, "b": a * (1 - 1 / rf)}


def projinfo_shift(geographic_code):
    """PROJ's first (most accurate) Helmert shift of a datum to WGS 84, in the
    position-vector convention the definition writes."""
    text = subprocess.run(["projinfo", "-s", f"EPSG:{geographic_code}", "-t", "EPSG:4326", "-o",
                           "PROJ", "-q", "--single-line"], capture_output=True, text=True).stdout
    step = text.split("+proj=helmert", 1)[1].split("+step")[0]
    helmert = dict(re.findall(r"\+(\w+)=([^ ]+)", step))
    sign = -1.0 if helmert.get("convention") == "coordinate_frame" else 1.0
    return {"X-axis translation": float(helmert["x"]), "Y-axis translation": float(helmert["y"]),
            "Z-axis translation": float(helmert["z"]),
            "X-axis rotation": sign * float(helmert["rx"]),
            "Y-axis rotation": sign * float(helmert["ry"]),
            "Z-axis rotation": sign * float(helmert["rz"]), "Scale difference": float(helmert["s"])}


def check(failures, condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def main():
    cli, corpus, work = sys.argv[1:4]
    os.makedirs(work, exist_ok=True)
    failures = []

    # The survey drawing on its own system, north a little off the grid's.
    north = (math.sin(-0.05), math.cos(-0.05))
    source = os.path.join(work, "geolocated-tm06.dxf")
    target = os.path.join(work, "geolocated-datum73.dxf")
    geolocated_drawing(source, projected("PT-TM06/ETRS89", "3763"), north)
    status, text = run(cli, "-q", "--from", "tm06", "--to", "datum73", source, target)
    check(failures, status == 0 and "GEODATA" not in text, "converted without a word: " + text)
    doc = ezdxf.readfile(target)
    geo = doc.modelspace().get_geodata()
    check(failures, geo.get_crs() == (27493, True), f"get_crs() {geo.get_crs()}")
    (design,) = transformed(cli, work, [DESIGN])
    got = geo.dxf.design_point
    check(failures, math.dist(design, (got.x, got.y)) < 1e-5, f"design point {got} at T {design}")
    got = geo.dxf.reference_point
    check(failures, math.dist(design, (got.x, got.y)) < 1e-5, f"reference point {got} at T")
    turn = rotation(cli, work, *DESIGN)
    n = geo.dxf.north_direction
    north_turn = math.atan2(n.y, n.x) - math.atan2(north[1], north[0])
    check(failures, abs(north_turn - turn) < 1e-6 and abs(math.hypot(n.x, n.y) - 1) < 1e-12,
          f"north turned {north_turn:.9f} rad, T turns {turn:.9f} rad")
    header_turn = 0.2 - doc.header["$NORTHDIRECTION"]
    check(failures, abs(header_turn - turn) < 1e-6,
          f"$NORTHDIRECTION turned {header_turn:.9f} rad")
    # The mesh's source points are in the object's system: here the
    # drawing's own grid.
    mesh_points = [(DESIGN[0] + 200, DESIGN[1] - 100), (DESIGN[0] - 300, DESIGN[1])]
    mesh = transformed(cli, work, mesh_points)
    sources = [(v[0], v[1]) for v in geo.source_vertices]
    check(failures, all(math.dist(a, b) < 1e-5 for a, b in zip(mesh, sources)),
          f"mesh source points {sources} at T {mesh}")
    targets = [(v[0], v[1]) for v in geo.target_vertices]
    check(failures, targets == [(-9.14, 38.71), (-9.145, 38.72)],
          f"mesh geographic points {targets}")
    check(failures, "Datum 73" in geo.coordinate_system_definition and
          "International 1924" in geo.coordinate_system_definition,
          "definition names the datum and ellipsoid")
    if shutil.which("projinfo"):
        written = projection_parameters(geo.coordinate_system_definition)
        proj = {**projinfo_parameters(27493), **projinfo_shift(4274)}
        check(failures, all(abs(written[key] - value) <= 1e-9 * max(1.0, abs(value))
                            for key, value in proj.items()),
              f"definition's parameters as projinfo gives them: {written}")

    # A reference in a system of its own: definition left, told.
    local = projected("LOCAL-SITE-GRID", "")
    source = os.path.join(work, "geolocated-local.dxf")
    target = os.path.join(work, "geolocated-local-datum73.dxf")
    geolocated_drawing(source, local, (0.0, 1.0))
    status, text = run(cli, "-q", "--from", "tm06", "--to", "datum73", source, target)
    check(failures, status == 0 and "LOCAL-SITE-GRID" in text, "local grid told: " + text.strip())
    geo = ezdxf.readfile(target).modelspace().get_geodata()
    check(failures, geo.coordinate_system_definition == local, "local grid definition left")
    got = geo.dxf.reference_point
    check(failures, (got.x, got.y) == DESIGN, "local grid reference point left")

    # The corpus's geolocated drawings: systems outside Portugal.
    for name in CORPUS_GEOLOCATED:
        source = os.path.join(corpus, name)
        if not os.path.exists(source):
            continue
        target = os.path.join(work, name)
        status, text = run(cli, "-q", "--from", "tm06", "--to", "datum73", source, target)
        before = ezdxf.readfile(source).modelspace().get_geodata()
        after = ezdxf.readfile(target).modelspace().get_geodata()
        check(failures, status == 0 and "outro sistema" in text, f"{name}: told")
        check(failures, after.coordinate_system_definition == before.coordinate_system_definition
              and after.get_crs() == before.get_crs()
              and list(after.target_vertices) == list(before.target_vertices)
              and list(after.source_vertices) == list(before.source_vertices)
              and after.faces == before.faces, f"{name}: definition and mesh kept")

    # --geolocate: a reference for the target where there is none, in the
    # model space's own dictionary whether it had one or not; refused for a
    # drawing before AutoCAD 2010.
    for version, own_dictionary in (("R2018", False), ("R2010", True), ("R2000", False)):
        doc = ezdxf.new(version, units=6)
        doc.modelspace().add_line((DESIGN[0] - 500, DESIGN[1]), (DESIGN[0] + 500, DESIGN[1]))
        doc.header["$INSBASE"] = (*DESIGN, 0)
        if own_dictionary:
            doc.block_records.get("*Model_Space").new_extension_dict()
        source = os.path.join(work, f"plain-{version}.dxf")
        target = os.path.join(work, f"plain-{version}-geolocated.dxf")
        doc.saveas(source)
        if os.path.exists(target):
            os.remove(target)
        status, text = run(cli, "-q", "--geolocate", "--from", "tm06", "--to", "datum73", source,
                           target)
        if version == "R2000":
            check(failures, status == 1 and "AutoCAD 2010" in text and not os.path.exists(target),
                  "--geolocate refuses an R2000 drawing: " + text.strip())
            continue
        doc = ezdxf.readfile(target)
        auditor = doc.audit()
        geo = doc.modelspace().get_geodata()
        check(failures, status == 0 and geo is not None and geo.get_crs() == (27493, True)
              and not auditor.has_errors, f"--geolocate {version}: {geo and geo.get_crs()}")
        got = geo.dxf.design_point
        check(failures, math.dist(design, (got.x, got.y)) < 1e-5,
              f"--geolocate {version}: design point {got} at T($INSBASE)")

    print(f"{len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
