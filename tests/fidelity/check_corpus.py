#!/usr/bin/python3
"""Fidelity of the DXF-aware conversion on real drawings, judged by ezdxf.

Each drawing is moved into a route's area with ezdxf's own entity transforms,
converted with kelvrin-cli, and read back with ezdxf. Every model-space
position of the output is compared with what the transformation T makes of
the input as ezdxf reads it: points through T, points in an entity's own
plane (OCS) through the arbitrary axis and T, direction vectors through the
derivative of T. T itself comes from kelvrin-cli --literal on a drawing of
POINT entities, a path checked against the official check values elsewhere.
Paper space and the OBJECTS section must come out unchanged.

Usage: check_corpus.py KELVRIN_CLI CORPUS_DIR WORK_DIR [ROUTE ...]
Exit status 0 when every drawing passes, 1 otherwise, 77 when ezdxf or the
corpus is missing (reported as skipped).
"""
import math
import os
import subprocess
import sys

try:
    import ezdxf
    from ezdxf.math import OCS, Matrix44, Vec3
    from ezdxf import bbox
except ImportError:
    print("SKIPPED: python3-ezdxf is not installed")
    sys.exit(77)

POINT_TOLERANCE = 0.001  # metres
ANGLE_TOLERANCE = 1e-4  # radians, and relative length of a vector
STEP = 10.0  # metres, for the derivative by central differences

# route name: (source, target, centre of the area the drawing is moved to,
# further options of kelvrin-cli)
ROUTES = {
    "tm06-datum73": ("tm06", "datum73", (-50000.0, -80000.0), []),
    "saobraz-utm26": ("sao-braz", "utm26-itrf93", (640000.0, 4162500.0), []),
    "datum73-lisboa": ("datum73", "lisboa", (20000.0, -20000.0), []),
    "ntv2-datum73-tm06": ("datum73", "tm06", (20000.0, -20000.0), ["--method", "ntv2"]),
    "proj-tm06-utm29": ("EPSG:3763", "EPSG:32629", (-50000.0, -80000.0), []),
}

# Routes through grids, which cover a limited area.
GRID_ROUTES = {"datum73-lisboa", "ntv2-datum73-tm06"}


def run(cli, *args):
    done = subprocess.run([cli, *args], capture_output=True, text=True)
    return done.returncode, done.stdout + done.stderr


class Transformation:
    """T at any set of points, by kelvrin-cli --literal on POINT entities."""

    def __init__(self, cli, source, target, options, work):
        self.cli, self.source, self.target, self.work = cli, source, target, work
        self.options = options
        self.values = {}

    def need(self, points):
        missing = sorted({(x, y) for x, y in points} - self.values.keys())
        if not missing:
            return
        source = os.path.join(self.work, "points_in.dxf")
        target = os.path.join(self.work, "points_out.dxf")
        with open(source, "w") as f:
            f.write("0\nSECTION\n2\nENTITIES\n")
            for x, y in missing:
                f.write(f"0\nPOINT\n10\n{x!r}\n20\n{y!r}\n")
            f.write("0\nENDSEC\n0\nEOF\n")
        status, text = run(self.cli, "-q", "--literal", *self.options, "--from", self.source,
                           "--to", self.target, source, target)
        if status != 0:
            raise RuntimeError("points not transformed: " + text)
        lines = open(target).read().splitlines()
        values = [float(lines[i + 1]) for i in range(len(lines) - 1) if lines[i] in ("10", "20")]
        for n, point in enumerate(missing):
            self.values[point] = (values[2 * n], values[2 * n + 1])

    def __call__(self, x, y):
        return self.values[(x, y)]

    def jacobian(self, x, y):
        ex, wx = self(x + STEP, y), self(x - STEP, y)
        ny, sy = self(x, y + STEP), self(x, y - STEP)
        return ((ex[0] - wx[0]) / (2 * STEP), (ny[0] - sy[0]) / (2 * STEP),
                (ex[1] - wx[1]) / (2 * STEP), (ny[1] - sy[1]) / (2 * STEP))


# ---- what each entity's positions are, as ezdxf names them ----

def ocs_of(entity):
    return OCS(entity.dxf.get("extrusion", (0, 0, 1)))


def attrs(entity, names):
    return [getattr(entity.dxf, n) for n in names if entity.dxf.hasattr(n)]


def positions(entity):
    """(role, value, ocs) triples, in a fixed order for input and output."""
    t = entity.dxftype()
    d = entity.dxf
    out = []
    P = lambda v: out.append(("point", Vec3(v), None))
    O = lambda v, ocs: out.append(("ocs", Vec3(v), ocs))
    V = lambda v: out.append(("vector", Vec3(v), None))
    OV = lambda v, ocs: out.append(("ocs_vector", Vec3(v), ocs))
    if t == "LINE":
        P(d.start); P(d.end)
    elif t == "POINT":
        P(d.location)
    elif t == "3DFACE":
        for n in ("vtx0", "vtx1", "vtx2", "vtx3"):
            P(d.get(n))
    elif t in ("SOLID", "TRACE"):
        for v in attrs(entity, ("vtx0", "vtx1", "vtx2", "vtx3")):
            O(v, ocs_of(entity))
    elif t in ("CIRCLE", "ARC", "SHAPE"):
        O(d.center if t != "SHAPE" else d.insert, ocs_of(entity))
    elif t in ("TEXT", "ATTDEF", "ATTRIB"):
        for v in attrs(entity, ("insert", "align_point")):
            O(v, ocs_of(entity))
    elif t == "INSERT":
        O(d.insert, ocs_of(entity))
        for attrib in entity.attribs:
            out.extend(positions(attrib))
    elif t == "LWPOLYLINE":
        ocs = ocs_of(entity)
        for x, y in entity.get_points("xy"):
            O((x, y, d.elevation), ocs)
    elif t == "POLYLINE":
        if entity.is_2d_polyline:
            ocs = ocs_of(entity)
            for v in entity.vertices:
                O(v.dxf.location, ocs)
        else:
            for v in entity.vertices:
                if not (v.dxf.flags & 128 and not v.dxf.flags & 64):
                    P(v.dxf.location)
    elif t == "MTEXT":
        P(d.insert)
        if d.hasattr("text_direction"):
            V(d.text_direction)
    elif t == "ELLIPSE":
        P(d.center); V(d.major_axis)
    elif t == "SPLINE":
        for v in entity.control_points:
            P(v)
        for v in entity.fit_points:
            P(v)
        for v in attrs(entity, ("start_tangent", "end_tangent")):
            V(v)
    elif t == "HATCH":
        ocs = ocs_of(entity)
        for path in entity.paths:
            if path.type.name == "PolylinePath" or type(path).__name__ == "PolylinePath":
                for v in path.vertices:
                    O((v[0], v[1], 0), ocs)
                continue
            for edge in path.edges:
                kind = type(edge).__name__
                if kind == "LineEdge":
                    O(Vec3(edge.start), ocs); O(Vec3(edge.end), ocs)
                elif kind == "ArcEdge":
                    O(Vec3(edge.center), ocs)
                elif kind == "EllipseEdge":
                    O(Vec3(edge.center), ocs); OV(Vec3(edge.major_axis), ocs)
                elif kind == "SplineEdge":
                    for v in edge.control_points:
                        O(Vec3(v), ocs)
                    for v in edge.fit_points:
                        O(Vec3(v), ocs)
                    for v in (edge.start_tangent, edge.end_tangent):
                        if v is not None:
                            OV(Vec3(v), ocs)
        for v in entity.seeds:
            O((v[0], v[1], 0), ocs)
    elif t in ("DIMENSION", "ARC_DIMENSION", "LARGE_RADIAL_DIMENSION"):
        for v in attrs(entity, ("defpoint", "defpoint2", "defpoint3", "defpoint4")):
            P(v)
        if t == "ARC_DIMENSION":
            for v in attrs(entity, ("leader_point1", "leader_point2")):
                P(v)
        elif t == "LARGE_RADIAL_DIMENSION":
            for v in attrs(entity, ("chord_point", "override_center", "jog_point")):
                P(v)
        else:
            for v in attrs(entity, ("defpoint5",)):
                O(v, ocs_of(entity))
        for v in attrs(entity, ("text_midpoint", "insert")):
            O(v, ocs_of(entity))
    elif t == "LEADER":
        for v in entity.vertices:
            P(v)
    elif t == "MULTILEADER":
        c = entity.context
        P(c.base_point); P(c.plane_origin)
        for leader in c.leaders:
            P(leader.last_leader_point)
            for line in leader.lines:
                for v in line.vertices:
                    P(v)
        if c.mtext is not None:
            P(c.mtext.insert); V(c.mtext.text_direction)
        if c.block is not None:
            P(c.block.insert)
    elif t == "MLINE":
        P(d.start_location)
        for v in entity.vertices:
            P(v.location); V(v.line_direction); V(v.miter_direction)
    elif t in ("XLINE", "RAY"):
        P(d.start); V(d.unit_vector)
    elif t in ("IMAGE", "WIPEOUT"):
        P(d.insert); V(d.u_pixel); V(d.v_pixel)
        out.append(("same", Vec3(d.image_size.x, d.image_size.y, 0), None))
        for v in entity.boundary_path:
            out.append(("same", Vec3(v[0], v[1], 0), None))
    elif t == "TOLERANCE":
        P(d.insert); V(d.x_axis_vector)
    elif t == "ACAD_TABLE":
        P(d.insert)
    elif t == "MESH":
        for v in entity.vertices:
            P(v)
    elif t in ("PDFUNDERLAY", "DWFUNDERLAY", "DGNUNDERLAY"):
        O(d.insert, ocs_of(entity))
    else:
        return None
    return out


def world_xy(role, value, ocs):
    if role in ("ocs", "ocs_vector"):
        w = ocs.to_wcs(value)
        return w.x, w.y
    return value.x, value.y


def needed_points(items, anchor):
    points = []
    for role, value, ocs in items:
        if role in ("point", "ocs"):
            points.append(world_xy(role, value, ocs))
    if anchor is not None:
        x, y = anchor
        points += [(x, y), (x + STEP, y), (x - STEP, y), (x, y + STEP), (x, y - STEP)]
    return points


def anchor_of(items):
    for role, value, ocs in items:
        if role in ("point", "ocs"):
            return world_xy(role, value, ocs)
    return None


def compare(t, before, after, anchor, where):
    """Problems found between the positions of one entity."""
    if len(before) != len(after):
        return [f"{where}: {len(before)} positions read before, {len(after)} after"]
    problems = []
    for (role, a, ocs), (_, b, ocs_b) in zip(before, after):
        if role == "same":
            if not a.isclose(b, abs_tol=1e-9):
                problems.append(f"{where}: {a} changed to {b}")
        elif role in ("point", "ocs"):
            expected = t(*world_xy(role, a, ocs))
            got = world_xy(role, b, ocs_b)
            off = math.hypot(got[0] - expected[0], got[1] - expected[1])
            if off > POINT_TOLERANCE:
                problems.append(f"{where}: {role} {a} -> {b}, off by {off:.4f} m")
            if role == "ocs" and ocs is not None and abs(a.z - b.z) > POINT_TOLERANCE:
                problems.append(f"{where}: OCS elevation {a.z} -> {b.z}")
        else:
            j = t.jacobian(*anchor)
            vx, vy = world_xy(role, a, ocs)
            ex, ey = j[0] * vx + j[1] * vy, j[2] * vx + j[3] * vy
            gx, gy = world_xy(role, b, ocs_b)
            length = math.hypot(ex, ey)
            if length < 1e-12:
                continue
            turn = abs(math.atan2(ex * gy - ey * gx, ex * gx + ey * gy))
            stretch = abs(math.hypot(gx, gy) / length - 1)
            if turn > ANGLE_TOLERANCE or stretch > ANGLE_TOLERANCE:
                problems.append(f"{where}: vector {a} -> {b}, expected ({ex:.6f}, {ey:.6f})")
    return problems


def dimension_block_items(doc, entity):
    name = entity.dxf.get("geometry")
    if not name or name not in doc.blocks:
        return []
    return [(e, positions(e)) for e in doc.blocks[name]]


GRID_SPAN = (325000.0, 610000.0)  # the Datum Lisboa grid, metres


def model_box(msp):
    """The box of the drawing's geometry and of its entities' own points
    (an INSERT's insertion point may lie far from what it shows)."""
    box = bbox.extents(msp, fast=True)
    corners = [box.extmin, box.extmax] if box.has_data else []
    for entity in msp:
        for name in ("insert", "center", "start", "location"):
            if entity.dxf.hasattr(name):
                corners.append(Vec3(entity.dxf.get(name)))
    if not corners:
        return Vec3(), Vec3()
    return (Vec3(min(c.x for c in corners), min(c.y for c in corners), 0),
            Vec3(max(c.x for c in corners), max(c.y for c in corners), 0))


def move(doc, centre):
    """Moves the model into the route's area; returns its span."""
    msp = doc.modelspace()
    low, high = model_box(msp)
    mid = (low + high) / 2
    m = Matrix44.translate(centre[0] - mid.x, centre[1] - mid.y, 0)
    for entity in list(msp):
        try:
            entity.transform(m)
        except Exception:
            msp.delete_entity(entity)  # ACIS bodies, proxies: ezdxf cannot move them
    return high.x - low.x, high.y - low.y


def objects_text(path):
    lines = open(path, "rb").read().replace(b"\r\n", b"\n").split(b"\n")
    try:
        start = next(i for i in range(1, len(lines)) if lines[i].strip() == b"OBJECTS"
                     and lines[i - 1].strip() == b"2")
    except StopIteration:
        return b""
    return b"\n".join(lines[start:])


def check_drawing(cli, route, name, corpus, work):
    source, target, centre, options = ROUTES[route]
    original = os.path.join(corpus, name)
    moved = os.path.join(work, "moved.dxf")
    converted = os.path.join(work, "converted.dxf")
    try:
        doc = ezdxf.readfile(original)
    except Exception as error:
        # ezdxf cannot read it, so it cannot be moved; it must still convert
        # on a route whose arithmetic covers any point.
        if route in GRID_ROUTES:
            return [], f"not read by ezdxf ({error}); grid route not tried"
        status, text = run(cli, "-q", *options, "--from", source, "--to", target, original,
                           converted)
        return ([] if status == 0 else [f"refused: {text.strip()}"]), "not read by ezdxf"
    span = move(doc, centre)
    if route in GRID_ROUTES and (span[0] > GRID_SPAN[0] or span[1] > GRID_SPAN[1]):
        return [], f"spans {span[0] / 1000:.0f} x {span[1] / 1000:.0f} km: no place inside the grid"
    doc.saveas(moved)
    status, text = run(cli, "-q", *options, "--from", source, "--to", target, moved, converted)
    if status != 0:
        return [f"refused: {text.strip()}"], ""
    before_doc = ezdxf.readfile(moved)
    after_doc = ezdxf.readfile(converted)
    t = Transformation(cli, source, target, options, work)
    after_by_handle = {e.dxf.handle: e for e in after_doc.modelspace()}

    pairs = []  # (where, before items, after items)
    unchecked = set()
    for entity in before_doc.modelspace():
        other = after_by_handle.get(entity.dxf.handle)
        where = f"{entity.dxftype()} #{entity.dxf.handle}"
        if other is None:
            pairs.append((where, None, None))
            continue
        before, after = positions(entity), positions(other)
        if before is None:
            unchecked.add(entity.dxftype())
            continue
        pairs.append((where, before, after))
        if entity.dxftype() in ("DIMENSION", "ARC_DIMENSION", "LARGE_RADIAL_DIMENSION"):
            for (inner, b), (_, a) in zip(dimension_block_items(before_doc, entity),
                                          dimension_block_items(after_doc, other)):
                if b is not None:
                    pairs.append((f"{where} block {inner.dxftype()}", b, a))

    needed = []
    for _, before, _ in pairs:
        if before:
            needed += needed_points(before, anchor_of(before))
    t.need(needed)

    problems = []
    for where, before, after in pairs:
        if before is None:
            problems.append(f"{where}: missing from the output")
            continue
        problems += compare(t, before, after, anchor_of(before), where)

    # Paper space: every entity as it was (a viewport's view may follow the model).
    after_layouts = {e.dxf.handle: e for layout in after_doc.layouts if not layout.is_modelspace
                     for e in layout}
    for layout in before_doc.layouts:
        if layout.is_modelspace:
            continue
        for entity in layout:
            other = after_layouts.get(entity.dxf.handle)
            a = entity.dxfattribs()
            b = other.dxfattribs() if other is not None else {}
            if entity.dxftype() == "VIEWPORT":
                for key in ("view_center_point", "view_target_point"):
                    a.pop(key, None)
                    b.pop(key, None)
            if a != b:
                problems.append(f"paper space {entity.dxftype()} #{entity.dxf.handle} changed")
    if objects_text(moved) != objects_text(converted):
        problems.append("the OBJECTS section changed")
    note = f"unchecked types: {', '.join(sorted(unchecked))}" if unchecked else ""
    return problems, note


def main():
    if len(sys.argv) < 4:
        print(__doc__)
        return 2
    cli, corpus, work = sys.argv[1:4]
    routes = sys.argv[4:] or list(ROUTES)
    if not os.path.isdir(corpus):
        print(f"SKIPPED: no corpus at {corpus}")
        return 77
    os.makedirs(work, exist_ok=True)
    names = sorted(n for n in os.listdir(corpus) if n.lower().endswith(".dxf"))
    failed = 0
    checked = 0
    for route in routes:
        for name in names:
            try:
                problems, note = check_drawing(cli, route, name, corpus, work)
            except Exception as error:  # a fault of the check itself counts too
                problems, note = [f"check failed: {error!r}"], ""
            checked += 1
            status = "FAIL" if problems else "ok"
            print(f"{status} {route} {name} {note}".rstrip())
            for problem in problems[:10]:
                print("    " + problem)
            if len(problems) > 10:
                print(f"    ... {len(problems) - 10} more")
            failed += bool(problems)
    print(f"{checked - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
