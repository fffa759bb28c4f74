#!/usr/bin/python3
"""Fidelity of the DXF-aware conversion on real drawings, judged by ezdxf.

Each drawing is moved into a route's area with ezdxf's own entity transforms,
converted with kelvrin-cli, and read back with ezdxf. Every model-space
position of the output is compared with what the transformation T makes of
the input as ezdxf reads it: points through T, points in an entity's own
plane (OCS) through the arbitrary axis and T, direction vectors through the
derivative of T. T itself comes from kelvrin-cli --literal on a drawing of
POINT entities, a path checked against the official check values elsewhere.

Angles and sizes follow T's local similarity at the entity's own point (its
first point): an angle's direction, taken to the world through the entity's
plane, turns as T's derivative turns it; a size (radius, text height, width,
a shared block's scale, a hatch pattern's) is multiplied by s = sqrt|det J|.
An ARC's, a HATCH arc edge's and a polyline bulge's start and end must land
on T of where they were, and T of their middle on the arc. T of the points at
the arc's eighths must lie within 1 mm of the arc too (measured across to its
circle), unless kelvrin-cli said that T bends arcs more than a circle can
follow: then they may miss by what it told, and what it told (how many arcs,
how far) must be what is measured. On a tilted plane every point keeps
its world Z, and its plan position follows T, exactly at the entity's own
point. A block used by one model-space INSERT only (not a MINSERT, referred to
by nothing else) is content of the drawing: placed by its insert, which keeps
its placement, it must land on T; so must a block used by one INSERT inside
such a block, placed by both inserts. A block used more than once moves with each
insert as a whole: its placed content is where the similarity at the
insertion point puts it, and its definition is copied; where that leaves its
content more than TOLD_MISS from T, the conversion must name the block. So are all blocks that
model space does not show (paper space, unused). Paper space and the OBJECTS
section must come out unchanged, but for a GEODATA object, which follows the
drawing (check_geodata.py judges it).

Tolerances: 1 mm for points, 1e-4 rad for directions, 1e-6 relative for sizes.
What T is known to (five decimals) and how far its derivative is defined on a
grid route (it jumps at the cells' edges) widen them, each where it applies;
see the constants below. KNOWN_LIMITS lists what is not held to them.

Besides the corpus, the survey drawings of make_survey.py are made in
WORK_DIR/survey and checked the same way.

Usage: check_corpus.py [--survey-only] [--reference] KELVRIN_CLI CORPUS_DIR WORK_DIR [ROUTE ...]
  --survey-only  the survey drawings only
  --reference    convert with reference_pass.py, a model of the conversion
                 written from the same rules, instead of KELVRIN_CLI (which
                 still gives T): a check of this script
Exit status 0 when every drawing passes, 1 otherwise, 77 when ezdxf is missing
(reported as skipped). A missing corpus leaves the survey drawings.
"""
import math
import os
import re
import subprocess
import sys

try:
    import ezdxf
    from ezdxf.math import OCS, Matrix44, Vec3, bulge_to_arc
    from ezdxf import bbox
except ImportError:
    print("SKIPPED: python3-ezdxf is not installed")
    sys.exit(77)

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # nothing written into the source tree
import make_survey  # noqa: E402  (beside this file)

POINT_TOLERANCE = 0.001  # metres
ANGLE_TOLERANCE = 1e-4  # radians, and relative length of a vector
# Sizes, relative: s = sqrt|det J| is read from T written to 10 µm over 2·STEP, good to
# ~3.5e-7, and the pass reads it from the same map; on a grid route, where J jumps at a cell's
# edge within STEP, the jump is allowed besides (Transformation.one_sided).
SIZE_TOLERANCE = 1e-6
WRITTEN_SIZE = 6e-6  # metres: a size written like a coordinate, to five decimals, is off by 5e-6
STEP = 10.0  # metres, for the derivative by central differences
# Each element of J read from T is good to ~3.5e-7: a shared block's content at distance d
# from its insertion point is predicted to within that times d (and a grid's jump, as above).
DERIVATIVE_NOISE = 5e-7
# A block moved as a whole whose content lies further than this from T must be named by the
# conversion. It measures the corners of the content's box; an arc's points may lie beyond them.
TOLD_MISS = 1.25 * POINT_TOLERANCE
STEEP = 0.1  # an in-plane direction with a shorter plan component has no plan direction

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

# What cannot be carried exactly, and so is not held to the tolerances above.
KNOWN_LIMITS = {
    # The plan image of a circle on a tilted plane, with every Z kept, is no
    # longer a circle of that plane: only its own point is exact. Its radius
    # and angles are still held to the similarity's rule.
    "tilted arc ends": "ARC and HATCH arc edge ends on a tilted plane",
    # The similarity acts in plan; a block on a tilted plane is scaled in its
    # own plane, so its content is only near where the plan similarity puts it.
    "tilted insert": "content of a block placed on a tilted plane",
    # A direction within 6 degrees of the vertical has no plan direction to turn.
    "steep angle": "angle of a steep plane pointing nearly straight up or down",
    # A circle cannot follow T along a long arc: the pass says by how much.
    "bent arcs told": "points along an arc that T bends, as far off as kelvrin-cli told",
}
# What the checker's T (five decimals) and the pass's may differ by in a
# distance from a circle.
TOLD_SLACK = 0.0002  # metres


def run(cli, *args):
    done = subprocess.run([*cli, *args], capture_output=True, text=True)
    return done.returncode, done.stdout + done.stderr


def stencil(x, y):
    return [(x, y), (x + STEP, y), (x - STEP, y), (x, y + STEP), (x, y - STEP)]


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

    def one_sided(self, x, y):
        """The four derivatives by one-sided differences over the same points.
        A grid route's derivative jumps at the edges of its cells: where one
        lies within STEP, they differ from the central one, and a pass that
        differentiates over a shorter step may take any of them."""
        o = self(x, y)
        columns_x = [((p[0] - o[0]) * k / STEP, (p[1] - o[1]) * k / STEP)
                     for p, k in ((self(x + STEP, y), 1), (self(x - STEP, y), -1))]
        columns_y = [((p[0] - o[0]) * k / STEP, (p[1] - o[1]) * k / STEP)
                     for p, k in ((self(x, y + STEP), 1), (self(x, y - STEP), -1))]
        return [(cx[0], cy[0], cx[1], cy[1]) for cx in columns_x for cy in columns_y]

    def scale_spread(self, x, y):
        s = scale_of(self.jacobian(x, y))
        return max(abs(scale_of(j) - s) for j in self.one_sided(x, y)) / s

    def spread(self, x, y):
        j = self.jacobian(x, y)
        return max(math.hypot(*(a - b for a, b in zip(k, j))) for k in self.one_sided(x, y))


# ---- the maps an entity is judged by ----

def apply(j, x, y):
    return j[0] * x + j[1] * y, j[2] * x + j[3] * y


def scale_of(j):
    return math.sqrt(abs(j[0] * j[3] - j[1] * j[2]))


def turn_between(ax, ay, bx, by):
    return math.atan2(ax * by - ay * bx, ax * bx + ay * by)


class World:
    """T itself: points by T, angles and sizes by T's derivative at the
    entity's own point. Model space, dimension blocks, a used-once block's
    content as its insert places it."""

    def __init__(self, t):
        self.t = t

    def needs(self, x, y, derivative):
        return stencil(x, y) if derivative else [(x, y)]

    def point(self, x, y):
        return self.t(x, y)

    def allowance(self, x, y):
        return 0.0

    def derivative(self, x, y):
        return self.t.jacobian(x, y)

    def scale_spread(self, x, y):
        return self.t.scale_spread(x, y)


class Similarity:
    """What moves a shared block's content as a whole: T at the insertion
    point o, then the turn and scale of T there: T(o) + s·R(θ)·(p - o), θ
    being the turn T's derivative gives the insert's rotation direction."""

    def __init__(self, t, origin, direction, block=""):
        self.t, self.origin, self.direction = t, origin, direction
        self.block = block  # the block moved as a whole, as the conversion names it
        self.linear = None

    def needs(self, x, y, derivative):
        return stencil(*self.origin)

    def _solve(self):
        if self.linear is None:
            j = self.t.jacobian(*self.origin)
            dx, dy = self.direction
            theta = turn_between(dx, dy, *apply(j, dx, dy))
            s = scale_of(j)
            c, n = s * math.cos(theta), s * math.sin(theta)
            self.linear = (c, -n, n, c)
        return self.linear

    def point(self, x, y):
        j = self._solve()
        tx, ty = self.t(*self.origin)
        dx, dy = apply(j, x - self.origin[0], y - self.origin[1])
        return tx + dx, ty + dy

    def allowance(self, x, y):
        """How far from the origin the turn and scale read from T can be trusted."""
        far = math.hypot(x - self.origin[0], y - self.origin[1])
        return (DERIVATIVE_NOISE + self.t.spread(*self.origin)) * far

    def derivative(self, x, y):
        return self._solve()

    def scale_spread(self, x, y):
        return self.t.scale_spread(*self.origin)


# ---- what each entity's positions, angles and sizes are, as ezdxf names them ----

def ocs_of(entity):
    if not entity.dxf.is_supported("extrusion"):
        return OCS()
    return OCS(entity.dxf.get("extrusion", (0, 0, 1)))


def is_flat(ocs):
    return abs(abs(ocs.uz.z) - 1) < 1e-12


def attrs(entity, names):
    return [getattr(entity.dxf, n) for n in names if entity.dxf.hasattr(n)]


def arc_points(ocs, centre, radius, start, end, eighths=(0, 4, 8)):
    """World start, middle and end of an arc drawn counter-clockwise in its
    plane; or the points at other eighths of its angle."""
    span = (end - start) % 360.0 or 360.0
    return [ocs.to_wcs(Vec3(centre) + Vec3.from_deg_angle(start + span * k / 8, radius))
            for k in eighths]


ALONG = (1, 2, 3, 5, 6, 7)  # the eighths measured between the ends and the middle


def bulge_arcs(ocs, vertices, closed, z):
    """(centre, radius, start, end) in degrees, counter-clockwise, of each
    bulged segment of a polyline: (x, y, bulge) vertices, each bulge to the
    next vertex, the last one's to the first where the polyline closes."""
    arcs = []
    count = len(vertices)
    for n, (x, y, bulge) in enumerate(vertices):
        if not bulge or (n + 1 == count and not closed):
            continue
        nx, ny, _ = vertices[(n + 1) % count]
        if (nx, ny) == (x, y):
            continue
        centre, start, end, radius = bulge_to_arc((x, y), (nx, ny), bulge)
        arcs.append((Vec3(centre.x, centre.y, z), radius, math.degrees(start), math.degrees(end)))
    return arcs


def positions(entity, kept=False):
    """(role, value, ocs) triples, in a fixed order for input and output.
    `kept`: an INSERT whose placement must stay as it was."""
    t = entity.dxftype()
    d = entity.dxf
    out = []
    P = lambda v: out.append(("point", Vec3(v), None))
    O = lambda v, ocs: out.append(("ocs", Vec3(v), ocs))
    C = lambda v, ocs: out.append(("centre", Vec3(v), ocs))  # an arc's, in its OCS
    def E(ocs, *arc):  # an arc's start, middle, end and points along, in world coordinates
        for role, v in zip(("end", "middle", "end"), arc_points(ocs, *arc)):
            out.append((role, Vec3(v), ocs))
        for v in arc_points(ocs, *arc, eighths=ALONG):
            out.append(("along", Vec3(v), ocs))
    V = lambda v: out.append(("vector", Vec3(v), None))
    OV = lambda v, ocs: out.append(("ocs_vector", Vec3(v), ocs))
    S = lambda v: out.append(("same", Vec3(v), None))
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
    elif t in ("CIRCLE", "SHAPE"):
        O(d.center if t == "CIRCLE" else d.insert, ocs_of(entity))
    elif t == "ARC":
        ocs = ocs_of(entity)
        C(d.center, ocs)
        E(ocs, d.center, d.radius, d.start_angle, d.end_angle)
    elif t in ("TEXT", "ATTDEF", "ATTRIB"):
        for v in attrs(entity, ("insert", "align_point")):
            O(v, ocs_of(entity))
    elif t == "INSERT":
        if kept:
            S(d.insert)
        else:
            O(d.insert, ocs_of(entity))
    elif t == "LWPOLYLINE":
        ocs = ocs_of(entity)
        points = list(entity.get_points("xyb"))
        for x, y, _ in points:
            O((x, y, d.elevation), ocs)
        for arc in bulge_arcs(ocs, points, entity.closed, d.elevation):
            E(ocs, *arc)
    elif t == "POLYLINE":
        if entity.is_2d_polyline:
            ocs = ocs_of(entity)
            for v in entity.vertices:
                O(v.dxf.location, ocs)
            points = [(v.dxf.location.x, v.dxf.location.y, v.dxf.get("bulge", 0.0))
                      for v in entity.vertices]
            for arc in bulge_arcs(ocs, points, entity.is_closed, d.elevation.z):
                E(ocs, *arc)
        else:
            for v in entity.vertices:
                if not (v.dxf.flags & 128 and not v.dxf.flags & 64):
                    P(v.dxf.location)
    elif t == "MTEXT":
        P(d.insert)  # its direction is among its measures: a direction only, of any length
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
        z = d.elevation.z
        for path in entity.paths:
            if type(path).__name__ == "PolylinePath":
                for v in path.vertices:
                    O((v[0], v[1], z), ocs)
                continue
            for edge in path.edges:
                kind = type(edge).__name__
                if kind == "LineEdge":
                    O((edge.start.x, edge.start.y, z), ocs); O((edge.end.x, edge.end.y, z), ocs)
                elif kind == "ArcEdge":
                    centre = Vec3(edge.center.x, edge.center.y, z)
                    C(centre, ocs)
                    E(ocs, centre, edge.radius, edge.start_angle, edge.end_angle)
                elif kind == "EllipseEdge":
                    O((edge.center.x, edge.center.y, z), ocs); OV(Vec3(edge.major_axis), ocs)
                elif kind == "SplineEdge":
                    for v in edge.control_points:
                        O((v[0], v[1], z), ocs)
                    for v in edge.fit_points:
                        O((v[0], v[1], z), ocs)
                    for v in (edge.start_tangent, edge.end_tangent):
                        if v is not None:
                            OV(Vec3(v), ocs)
        for v in entity.seeds:
            O((v[0], v[1], z), ocs)
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
        S((d.image_size.x, d.image_size.y, 0))
        for v in entity.boundary_path:
            S((v[0], v[1], 0))
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


def measures(entity, kept=False):
    """(role, name, value, ocs, extra) of the entity's angles and sizes, in a
    fixed order for input and output. Roles: "angle" (degrees in the OCS),
    "direction" (a world vector), "size", "radius" (a size, with the world
    points of its curve as extra), "vector" (OCS), "same"."""
    t = entity.dxftype()
    d = entity.dxf
    ocs = ocs_of(entity)
    out = []
    A = lambda name, v: out.append(("angle", name, v, ocs, None))
    L = lambda name, v: out.append(("size", name, v, ocs, None))
    S = lambda name, v: out.append(("same", name, v, ocs, None))
    if t == "ARC":
        out.append(("radius", "radius", d.radius, ocs,
                    ("arc", arc_points(ocs, d.center, d.radius, d.start_angle, d.end_angle))))
        A("start angle", d.start_angle); A("end angle", d.end_angle)
    elif t == "CIRCLE":
        out.append(("radius", "radius", d.radius, ocs,
                    ("circle", [ocs.to_wcs(Vec3(d.center) + Vec3.from_deg_angle(a, d.radius))
                                for a in (0, 90, 180, 270)])))
    elif t in ("TEXT", "ATTDEF", "ATTRIB"):
        A("rotation", d.rotation); L("height", d.height)
    elif t == "SHAPE":
        A("rotation", d.rotation); L("size", d.size)
    elif t == "MTEXT":
        out.append(("direction", "direction", Vec3(entity.get_text_direction()), ocs, None))
        L("height", d.char_height)
        if d.hasattr("width"):
            L("width", d.width)
    elif t == "INSERT":
        size = S if kept else L
        (S if kept else A)("rotation", d.rotation)
        size("x scale", d.xscale); size("y scale", d.yscale)
        S("z scale", d.zscale)
        if entity.mcount > 1:
            size("column spacing", d.column_spacing); size("row spacing", d.row_spacing)
    elif t == "LWPOLYLINE":
        if d.hasattr("const_width"):
            L("width", d.const_width)
        for x, y, start, end, bulge in entity.get_points("xyseb"):
            L("start width", start); L("end width", end)  # its bulge: an arc among positions
    elif t == "POLYLINE" and entity.is_2d_polyline:
        for name in ("default_start_width", "default_end_width"):
            if d.hasattr(name):
                L(name.replace("_", " "), d.get(name))
        for v in entity.vertices:
            for name in ("start_width", "end_width"):
                if v.dxf.hasattr(name):
                    L(name.replace("_", " "), v.dxf.get(name))
    elif t == "HATCH":
        z = d.elevation.z
        for path in entity.paths:
            if type(path).__name__ == "PolylinePath":
                for v in path.vertices:
                    S("bulge", v[2])
                continue
            for edge in path.edges:
                kind = type(edge).__name__
                if kind == "ArcEdge":
                    centre = Vec3(edge.center.x, edge.center.y, z)
                    out.append(("radius", "arc edge radius", edge.radius, ocs,
                                ("arc", arc_points(ocs, centre, edge.radius, edge.start_angle,
                                                   edge.end_angle))))
                    A("arc edge start angle", edge.start_angle)
                    A("arc edge end angle", edge.end_angle)
                elif kind == "EllipseEdge":
                    S("ellipse edge ratio", edge.ratio)
        if not d.solid_fill and entity.pattern is not None:
            A("pattern angle", d.pattern_angle); L("pattern scale", d.pattern_scale)
            for line in entity.pattern.lines:
                A("pattern line angle", line.angle)
                out.append(("vector", "pattern line offset", Vec3(line.offset), ocs, None))
                for dash in line.dash_length_items:
                    L("pattern dash", dash)
    elif t == "MLINE":
        L("scale", d.scale_factor)
    elif t == "DIMENSION":
        if d.hasattr("text_rotation"):
            A("text rotation", d.text_rotation)
        if d.dimtype & 7 == 0 and d.hasattr("angle"):
            A("dimension line angle", d.angle)
    elif t == "ELLIPSE":
        S("ratio", d.ratio)
    return out


def world(role, value, ocs):
    if role in ("ocs", "centre", "ocs_vector") and ocs is not None:
        return ocs.to_wcs(value)
    return value


def anchor_of(items):
    """The entity's own point: its first position, in world coordinates."""
    for role, value, ocs in items:
        if role in ("point", "ocs", "centre"):
            return world(role, value, ocs)
    return None


def needs_derivative(items, values):
    return any(role in ("vector", "ocs_vector") for role, _, _ in items) or \
        any(role in ("angle", "direction", "size", "radius", "vector") for role, *_ in values)


# ---- judging ----

class Tally:
    """Counts and worst errors of each kind; the misses by kind and entity type."""

    UNITS = {"points": "m", "arc ends": "m", "arc points": "m", "once-block points": "m",
             "shared-block points": "m", "angles": "rad", "vectors": "", "sizes": "",
             "copied blocks": ""}

    def __init__(self):
        self.kinds = {}  # kind: [count, worst]
        self.misses = {}  # (kind, type): [count, worst]
        self.limits = {}  # limit: count
        self.problems = []

    def add(self, kind, error, limit, etype, text):
        entry = self.kinds.setdefault(kind, [0, 0.0])
        entry[0] += 1
        entry[1] = max(entry[1], error)
        if error > limit:
            miss = self.misses.setdefault((kind, etype), [0, 0.0])
            miss[0] += 1
            miss[1] = max(miss[1], error)
            self.problems.append(text)

    def limit(self, name):
        assert name in KNOWN_LIMITS
        self.limits[name] = self.limits.get(name, 0) + 1

    def problem(self, kind, text, etype=""):
        miss = self.misses.setdefault((kind, etype), [0, 0.0])
        miss[0] += 1
        self.problems.append(text)

    def summary(self):
        parts = []
        for kind in self.UNITS:
            if kind in self.kinds:
                count, worst = self.kinds[kind]
                parts.append(f"{kind} {count} <= {fmt(worst, self.UNITS[kind])}")
        if self.limits:
            parts.append("limits: " + ", ".join(f"{k} {n}" for k, n in sorted(self.limits.items())))
        return "; ".join(parts)


def fmt(value, unit):
    if unit == "m":
        return f"{value * 1000:.3f} mm"
    return f"{value:.1e}{' ' + unit if unit else ''}"


class Judge:
    """Entity pairs queued with the map they are judged by, then judged once
    T is known at every point they need."""

    def __init__(self, t, tally, told_arcs=None):
        self.t, self.tally = t, tally
        self.world = World(t)
        self.shared_misses = {}  # block moved as a whole: how far its content lies from T
        # (count, metres) of the arcs kelvrin-cli said T bends; each arc's
        # largest miss along it, as measured here.
        self.told_arcs = told_arcs
        self.arc_misses = []
        self.queue = []  # (before, where, map, context, positions and measures before and after)

    def entity(self, before, after, m, where, context="points", kept=False):
        if after is None:
            self.tally.problem("missing", f"{where}: missing from the output",
                               etype=before.dxftype())
            return False
        items_b, items_a = positions(before, kept), positions(after, kept)
        if items_b is None:
            return None
        values_b, values_a = measures(before, kept), measures(after, kept)
        self.queue.append((before, where, m, context, items_b, items_a, values_b, values_a))
        return True

    def needed(self):
        points = []
        for before, where, m, context, items, _, values, _ in self.queue:
            anchor = anchor_of(items)
            for role, value, ocs in items:
                if role in ("point", "ocs", "centre", "end", "middle", "along"):
                    w = world(role, value, ocs)
                    points += m.needs(w.x, w.y, False)
                    if isinstance(m, Similarity):
                        points.append((w.x, w.y))
            if anchor is not None:
                points += m.needs(anchor.x, anchor.y, needs_derivative(items, values))
            for role, name, value, ocs, extra in values:
                if role == "radius":  # the scale all along the curve
                    for p in extra[1]:
                        points += m.needs(p.x, p.y, True)
        return points

    def judge(self):
        for before, where, m, context, items_b, items_a, values_b, values_a in self.queue:
            etype = before.dxftype()
            if len(items_b) != len(items_a) or len(values_b) != len(values_a):
                self.tally.problem("structure", f"{where}: {len(items_b)}+{len(values_b)} values "
                                   f"read before, {len(items_a)}+{len(values_a)} after",
                                   etype=etype)
                continue
            anchor = anchor_of(items_b)
            self.judge_positions(m, items_b, items_a, anchor, where, context, etype)
            self.judge_measures(m, values_b, values_a, anchor, where, etype)

    def judge_along(self, m, a, circle, where, context, etype):
        """A point along an arc: how far T of it lies from the output's circle."""
        (cx, cy), r = circle
        ex, ey = m.point(a.x, a.y)
        off = abs(math.hypot(ex - cx, ey - cy) - r) if r < math.inf else math.inf
        off = max(0.0, off - m.allowance(a.x, a.y))
        if not isinstance(m, World):  # a shared block's, as its inserts move it
            self.tally.add(context, off, POINT_TOLERANCE, etype, f"{where}: along {a}, "
                           f"off its arc by {off:.4f} m")
            return
        self.arc_misses[-1] = max(self.arc_misses[-1], off)
        limit = POINT_TOLERANCE
        if self.told_arcs and off > POINT_TOLERANCE:
            limit = self.told_arcs[1] + TOLD_SLACK
            if off <= limit:
                self.tally.limit("bent arcs told")
        self.tally.add("arc points", off, limit, etype,
                       f"{where}: along {a}, off its arc by {off:.4f} m")

    def judge_told(self):
        """What kelvrin-cli told of bent arcs against what is measured here."""
        bent = [miss for miss in self.arc_misses if miss > POINT_TOLERANCE + TOLD_SLACK]
        maybe = [miss for miss in self.arc_misses if miss > POINT_TOLERANCE - TOLD_SLACK]
        count, told = self.told_arcs or (0, 0.0)
        largest = max(self.arc_misses, default=0.0)
        if not len(bent) <= count <= len(maybe):
            self.tally.problem("told", f"{count} bent arcs told, {len(bent)} to "
                               f"{len(maybe)} measured")
        if count and abs(told - largest) > TOLD_SLACK:
            self.tally.problem("told", f"bent arcs told up to {told:.4f} m off, "
                               f"measured up to {largest:.4f} m")

    def judge_positions(self, m, before, after, anchor, where, context, etype):
        start = None  # the entity's own point and where T takes it
        circle = None  # the output arc's, for the points along it
        for n, ((role, a, ocs), (_, b, ocs_b)) in enumerate(zip(before, after)):
            if role == "along":
                if ocs is not None and not is_flat(ocs):
                    self.tally.limit("tilted arc ends")
                elif circle is not None:
                    self.judge_along(m, a, circle, where, context, etype)
                continue
            if role == "same":
                if not a.isclose(b, abs_tol=1e-9):
                    self.tally.problem("kept", f"{where}: {a} changed to {b}", etype=etype)
                continue
            if role in ("point", "ocs", "centre", "end", "middle"):
                tilted = ocs is not None and not is_flat(ocs)
                if role in ("end", "middle") and tilted:
                    self.tally.limit("tilted arc ends")
                    continue
                wa, wb = world(role, a, ocs), world(role, b, ocs_b)
                ex, ey = m.point(wa.x, wa.y)
                gx, gy = wb.x, wb.y
                if role == "centre" and not tilted:
                    # Not drawn: the arc's start, middle and end fix it, and a pass
                    # may fit the arc to them rather than carry its centre.
                    ex, ey = gx, gy
                elif role == "middle":
                    # On the arc, though not at the middle of its angles: T need
                    # not carry the middle angle to the middle angle.
                    circle = circle_through(*(after[k][1] for k in (n - 1, n, n + 1)))
                    (cx, cy), r = circle
                    self.arc_misses.append(0.0)
                    d = math.hypot(ex - cx, ey - cy)
                    if 0 < d < math.inf:
                        gx, gy = cx + (ex - cx) * r / d, cy + (ey - cy) * r / d
                if isinstance(m, Similarity) and role in ("point", "ocs", "end"):
                    tx, ty = self.t(wa.x, wa.y)
                    self.shared_misses[m.block] = max(self.shared_misses.get(m.block, 0.0),
                                                      math.hypot(wb.x - tx, wb.y - ty))
                off = math.sqrt((gx - ex) ** 2 + (gy - ey) ** 2 + (wb.z - wa.z) ** 2)
                off = max(0.0, off - m.allowance(wa.x, wa.y))
                if start is None:
                    start = (wa, (ex, ey))
                elif tilted:
                    # One plane cannot hold every point at T with its Z kept: the
                    # points stray from it by δ along Z, however the pass fits it.
                    (w0, (x0, y0)), normal = start, ocs.uz
                    delta = abs(normal.x * ((ex - x0) - (wa.x - w0.x))
                                + normal.y * ((ey - y0) - (wa.y - w0.y)))
                    off = max(0.0, off - delta / abs(normal.z))
                kind = "arc ends" if role in ("end", "middle") and isinstance(m, World) else context
                self.tally.add(kind, off, POINT_TOLERANCE, etype,
                               f"{where}: {role} {a} -> {b}, off by {off:.4f} m")
            else:
                j = m.derivative(anchor.x, anchor.y)
                va, vb = world(role, a, ocs), world(role, b, ocs_b)
                ex, ey = apply(j, va.x, va.y)
                length = math.hypot(ex, ey)
                if length < 1e-12:
                    continue
                turn = abs(turn_between(ex, ey, vb.x, vb.y))
                stretch = abs(math.hypot(vb.x, vb.y) / length - 1)
                self.tally.add("vectors", max(turn, stretch), ANGLE_TOLERANCE, etype,
                               f"{where}: vector {a} -> {b}, expected ({ex:.6f}, {ey:.6f})")

    def judge_measures(self, m, before, after, anchor, where, etype):
        for (role, name, a, ocs, extra), (_, _, b, ocs_b, _) in zip(before, after):
            if role == "same":
                if not math.isclose(a, b, abs_tol=1e-9):
                    self.tally.problem("kept", f"{where}: {name} {a} changed to {b}", etype=etype)
                continue
            j = m.derivative(anchor.x, anchor.y)
            s = scale_of(j)
            if role in ("angle", "direction", "vector"):
                if role == "angle":
                    wa = ocs.to_wcs(Vec3.from_deg_angle(a))
                    wb = ocs_b.to_wcs(Vec3.from_deg_angle(b))
                elif role == "vector":
                    wa, wb = world("ocs_vector", a, ocs), world("ocs_vector", b, ocs_b)
                else:
                    wa, wb = a, b
                if math.hypot(wa.x, wa.y) < STEEP * wa.magnitude:
                    self.tally.limit("steep angle")
                    continue
                ex, ey = apply(j, wa.x, wa.y)
                if math.hypot(ex, ey) < 1e-12:
                    continue
                error = abs(turn_between(ex, ey, wb.x, wb.y))
                if role == "vector":
                    error = max(error, abs(math.hypot(wb.x, wb.y) / math.hypot(ex, ey) - 1))
                if not is_flat(ocs):
                    # Taken back into a tilted plane, a direction's plan component turns
                    # by up to (1 - nz²)·|J - I| / s, depending on how it is taken back.
                    nz = ocs.uz.z
                    gap = math.hypot(j[0] - 1, j[1], j[2], j[3] - 1)
                    error = max(0.0, error - (1 - nz * nz) * gap / s)
                self.tally.add("angles", error, ANGLE_TOLERANCE, etype,
                               f"{where}: {name} {fmt_value(a)} -> {fmt_value(b)}, "
                               f"off by {error:.2e} rad")
            else:
                expected = s * a
                allowance = WRITTEN_SIZE + m.scale_spread(anchor.x, anchor.y) * abs(expected)
                if role == "radius":
                    # The scale varies along a long arc: any the map takes on it will do.
                    spread = max(abs(scale_of(m.derivative(p.x, p.y)) - s) for p in extra[1])
                    allowance += spread * abs(a)
                error = max(0.0, abs(b - expected) - allowance) / max(abs(expected), 1e-9)
                if role == "radius" and extra[0] == "arc" and is_flat(ocs):
                    error = min(error, fitted_radius_error(m, extra[1], b))
                self.tally.add("sizes", error, SIZE_TOLERANCE, etype,
                               f"{where}: {name} {a!r} -> {b!r}, expected {expected!r} "
                               f"(relative error {error:.1e})")


def circle_through(p1, p2, p3):
    """Centre and radius of the circle through three plan points, worked out
    from the first: far from the origin, squared coordinates lose millimetres."""
    bx, by, cx, cy = p2[0] - p1[0], p2[1] - p1[1], p3[0] - p1[0], p3[1] - p1[1]
    d = 2 * (bx * cy - by * cx)
    if abs(d) < 1e-18:
        return (math.inf, math.inf), math.inf
    ux = (cy * (bx * bx + by * by) - by * (cx * cx + cy * cy)) / d
    uy = (bx * (cx * cx + cy * cy) - cx * (bx * bx + by * by)) / d
    return (p1[0] + ux, p1[1] + uy), math.hypot(ux, uy)


def fitted_radius_error(m, curve, radius):
    """How far `radius` is from that of the circle through where the map takes
    an arc's start, middle and end (relative, beyond what the points' ten
    micrometres can move it): the other sound radius of a long arc."""
    (x1, y1), (x2, y2), (x3, y3) = (m.point(p.x, p.y) for p in curve)
    a, b = math.hypot(x2 - x1, y2 - y1), math.hypot(x3 - x2, y3 - y2)
    c = math.hypot(x3 - x1, y3 - y1)
    twice_area = abs((x2 - x1) * (y3 - y1) - (y2 - y1) * (x3 - x1))
    if twice_area < 1e-12:
        return math.inf
    fitted = a * b * c / (2 * twice_area)
    sagitta = twice_area / max(c, 1e-12)  # of the middle over the chord
    chord = c if c > 1e-9 else 2 * fitted
    # dR/dh and dR/dc of R = c²/8h + h/2, times the noise of a point
    noise = 1e-5 * (chord * chord / (8 * sagitta * sagitta) + chord / (4 * sagitta) + 1)
    return max(0.0, abs(radius - fitted) - noise - WRITTEN_SIZE) / fitted


def fmt_value(v):
    return f"{v:.6f}" if isinstance(v, float) else str(v)


# ---- blocks ----

POINTER_CODES = {*range(340, 350), *range(360, 370), 1005}


def pointed_handles(path):
    """Handles pointed to from anywhere in the file (dimension styles' arrow
    blocks, multileaders, tables, extended data)."""
    lines = open(path, "rb").read().decode("latin-1").splitlines()
    found = set()
    for i in range(0, len(lines) - 1, 2):
        try:
            code = int(lines[i])
        except ValueError:
            continue
        if code in POINTER_CODES:
            found.add(lines[i + 1].strip().upper())
    return found


def block_uses(doc, path):
    """The blocks shown once — by one model-space INSERT, not a MINSERT, flat
    (extrusion 0,0,±1), referred to by nothing else, or by one such INSERT
    inside a block shown once — and the dimension blocks model space shows."""
    count = {}
    def counted(layout):
        for insert in layout.query("INSERT"):
            key = insert.dxf.name.upper()
            count[key] = count.get(key, 0) + 1
    for layout in doc.layouts:
        counted(layout)
    for block in doc.blocks:
        if not block.is_any_layout:
            counted(block)
    pointed = pointed_handles(path)
    names = set()
    for style in doc.dimstyles:
        for attr in ("dimblk", "dimblk1", "dimblk2", "dimldrblk"):
            if style.dxf.hasattr(attr) and style.dxf.get(attr):
                names.add(style.dxf.get(attr).upper())
    def single(insert):
        key = insert.dxf.name.upper()
        block = doc.blocks.get(insert.dxf.name)
        return (count[key] == 1 and block is not None and insert.dxf.get("column_count", 1) <= 1
                and insert.dxf.get("row_count", 1) <= 1 and is_flat(ocs_of(insert))
                and key not in names and block.block_record_handle.upper() not in pointed)
    once = set()
    pending = [insert for insert in doc.modelspace().query("INSERT") if single(insert)]
    while pending:  # down the chains of single inserts
        insert = pending.pop()
        key = insert.dxf.name.upper()
        if key not in once:
            once.add(key)
            pending += [inner for inner in insert.block().query("INSERT") if single(inner)]
    dimension = {e.dxf.geometry.upper() for e in doc.modelspace()
                 if e.dxftype() in ("DIMENSION", "ARC_DIMENSION", "LARGE_RADIAL_DIMENSION")
                 and e.dxf.get("geometry")}
    return once, dimension


def placed(insert):
    """The insert's block content where the insert puts it, ATTDEFs included,
    cell by cell for a MINSERT."""
    out = []
    cells = list(insert.multi_insert()) if insert.mcount > 1 else [insert]
    for cell in cells:
        block = cell.block()
        if block is None:
            continue
        m = cell.matrix44()
        content = list(cell.virtual_entities(skipped_entity_callback=lambda e, why: None))
        place_hatches(block.query("HATCH"), [e for e in content if e.dxftype() == "HATCH"], m)
        out += content
        for attdef in block.query("ATTDEF"):
            try:
                out.append(attdef.copy().transform(m))
            except Exception:
                pass  # as ezdxf skips what it cannot place
    return out


def place_hatches(hatches, copies, m):
    """What ezdxf's transform leaves where it was of a HATCH: its seed points
    and its pattern."""
    if len(hatches) != len(copies):
        return
    for hatch, copy in zip(hatches, copies):
        ocs, z, new_ocs = ocs_of(hatch), hatch.dxf.elevation.z, ocs_of(copy)
        there = lambda v: new_ocs.from_wcs(m.transform(ocs.to_wcs(Vec3(v[0], v[1], z)))).vec2
        along = lambda v: new_ocs.from_wcs(
            m.transform_direction(ocs.to_wcs(Vec3(v[0], v[1], 0)))).vec2
        turned = lambda degrees: along(Vec3.from_deg_angle(degrees)).angle_deg
        copy.seeds = [there(v) for v in hatch.seeds]
        if hatch.pattern is None or copy.pattern is None:
            continue
        scale = along((1, 0)).magnitude  # virtual_entities() places with equal x and y scales only
        copy.dxf.pattern_angle = turned(hatch.dxf.pattern_angle)
        copy.dxf.pattern_scale = hatch.dxf.pattern_scale * scale
        for line, source in zip(copy.pattern.lines, hatch.pattern.lines):
            line.angle = turned(source.angle)
            line.base_point = there(source.base_point)
            line.offset = along(source.offset)
            line.dash_length_items = [dash * scale for dash in source.dash_length_items]


def insert_direction(insert):
    w = ocs_of(insert).to_wcs(Vec3.from_deg_angle(insert.dxf.rotation))
    return w.x, w.y


class Walker:
    """Queues the pairs of a drawing: model space, the content of its blocks
    as its inserts place it, its dimension blocks."""

    def __init__(self, judge, once):
        self.judge, self.once = judge, once

    def entity(self, before, after, m, where, context="points", depth=0):
        # The one insert of a block shown once, in the model or in a block
        # shown once, keeps its placement: the content lands on T through it.
        kept = (context in ("points", "once-block points") and before.dxftype() == "INSERT"
                and before.dxf.name.upper() in self.once)
        known = self.judge.entity(before, after, m, where, context, kept)
        if not known or before.dxftype() != "INSERT":
            return known
        for n, (attrib, other) in enumerate(zip(before.attribs, after.attribs)):
            self.judge.entity(attrib, other, m, f"{where} ATTRIB {n}", context)
        if len(before.attribs) != len(after.attribs):
            self.judge.tally.problem("structure", f"{where}: {len(before.attribs)} ATTRIBs before, "
                                     f"{len(after.attribs)} after", etype="INSERT")
        if depth > 8:
            return known
        if kept:
            inner, inner_context = self.judge.world, "once-block points"
        elif not is_flat(ocs_of(before)):
            self.judge.tally.limit("tilted insert")
            return known
        elif isinstance(m, Similarity):
            inner, inner_context = m, "shared-block points"
        else:
            w = ocs_of(before).to_wcs(before.dxf.insert)
            inner = Similarity(self.judge.t, (w.x, w.y), insert_direction(before),
                               before.dxf.name.upper())
            inner_context = "shared-block points"
        a, b = placed(before), placed(after)
        if len(a) != len(b):
            self.judge.tally.problem("structure",
                                     f"{where}: {len(a)} entities placed before, {len(b)} after",
                                     etype="INSERT")
            return known
        for n, (x, y) in enumerate(zip(a, b)):
            self.entity(x, y, inner, f"{where} ({before.dxf.name}) {x.dxftype()} {n}",
                        inner_context, depth + 1)
        return known


def entity_values(entity):
    items, values = positions(entity), measures(entity)
    if items is None:
        return None
    return [v for _, v, _ in items] + [v for _, _, v, _, _ in values]


def unchanged(x, y):
    if isinstance(x, Vec3):
        return x.isclose(y, abs_tol=1e-9)
    return math.isclose(x, y, abs_tol=1e-9)


def copied_blocks(before_doc, after_doc, skip, tally):
    """Every block model space does not convert must come out as it was."""
    for block in before_doc.blocks:
        if block.is_any_layout or block.name.upper() in skip:
            continue
        other = after_doc.blocks.get(block.name)
        if other is None:
            tally.problem("missing", f"block {block.name} missing from the output")
            continue
        others = {e.dxf.handle: e for e in other}
        for entity in block:
            twin = others.get(entity.dxf.handle)
            a = entity_values(entity)
            b = entity_values(twin) if twin is not None else []
            if a is None:
                continue
            same = len(a) == len(b) and all(unchanged(x, y) for x, y in zip(a, b))
            tally.add("copied blocks", 0.0 if same else 1.0, 0.5, entity.dxftype(),
                      f"block {block.name}: {entity.dxftype()} #{entity.dxf.handle} changed")


# ---- drawings ----

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
    offset = Vec3(centre[0] - mid.x, centre[1] - mid.y, 0)
    m = Matrix44.translate(offset.x, offset.y, 0)
    for entity in list(msp):
        if entity.dxftype() == "MTEXT":
            # ezdxf's transform would write a rotation as a direction vector
            entity.dxf.insert = Vec3(entity.dxf.insert) + offset
            continue
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
    kept, skipping = [lines[start]], False
    for i in range(start + 1, len(lines) - 1, 2):
        if lines[i].strip() == b"0":
            skipping = lines[i + 1].strip() == b"GEODATA"
        if not skipping:
            kept += lines[i:i + 2]
    return b"\n".join(kept)


def told_arcs(text):
    """(count, metres) of the bent arcs a conversion's warnings tell, or None."""
    told = re.search(r"curva (\d+) arco\(s\) .*? ficam até ([0-9.]+) m", text, re.S)
    return (int(told.group(1)), float(told.group(2))) if told else None


def check_drawing(cli, converter, route, original, work):
    """(tally, note) for one drawing on one route."""
    source, target, centre, options = ROUTES[route]
    moved = os.path.join(work, "moved.dxf")
    converted = os.path.join(work, "converted.dxf")
    tally = Tally()
    try:
        doc = ezdxf.readfile(original)
    except Exception as error:
        # ezdxf cannot read it, so it cannot be moved; it must still convert
        # on a route whose arithmetic covers any point.
        if route in GRID_ROUTES:
            return tally, f"not read by ezdxf ({error}); grid route not tried"
        status, text = run(converter, "-q", *options, "--from", source, "--to", target, original,
                           converted)
        if status != 0:
            tally.problem("refused", f"refused: {text.strip()}")
        return tally, "not read by ezdxf"
    span = move(doc, centre)
    if route in GRID_ROUTES and (span[0] > GRID_SPAN[0] or span[1] > GRID_SPAN[1]):
        return tally, (f"spans {span[0] / 1000:.0f} x {span[1] / 1000:.0f} km: "
                       "no place inside the grid")
    doc.saveas(moved)
    status, text = run(converter, "-q", *options, "--from", source, "--to", target, moved,
                       converted)
    if status != 0:
        tally.problem("refused", f"refused: {text.strip()}")
        return tally, ""
    before_doc = ezdxf.readfile(moved)
    after_doc = ezdxf.readfile(converted)
    t = Transformation(cli, source, target, options, work)
    judge = Judge(t, tally, told_arcs(text))
    once, dimension = block_uses(before_doc, moved)
    walker = Walker(judge, once)
    after_by_handle = {e.dxf.handle: e for e in after_doc.modelspace()}

    unchecked = set()
    for entity in before_doc.modelspace():
        other = after_by_handle.get(entity.dxf.handle)
        where = f"{entity.dxftype()} #{entity.dxf.handle}"
        if walker.entity(entity, other, judge.world, where) is None:
            unchecked.add(entity.dxftype())
    for name in sorted(dimension):
        block, other = before_doc.blocks.get(name), after_doc.blocks.get(name)
        if block is None or other is None:
            continue
        for n, (a, b) in enumerate(zip(block, other)):
            walker.entity(a, b, judge.world, f"dimension block {name} {a.dxftype()} {n}")
    t.need(judge.needed())
    judge.judge()
    if converter == cli:  # the model of the conversion tells nothing
        for name, miss in sorted(judge.shared_misses.items()):
            if miss > TOLD_MISS and f'o bloco "{name}"'.lower() not in text.lower():
                tally.problem("untold", f"block {name} moved as a whole: its content lies up to "
                              f"{miss * 1000:.1f} mm from T, and the conversion does not say so")
    judge.judge_told()
    copied_blocks(before_doc, after_doc, once | dimension, tally)

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
                tally.problem("paper space",
                              f"paper space {entity.dxftype()} #{entity.dxf.handle} changed",
                              etype=entity.dxftype())
    if objects_text(moved) != objects_text(converted):
        tally.problem("objects", "the OBJECTS section changed")
    note = f"unchecked types: {', '.join(sorted(unchecked))}" if unchecked else ""
    return tally, note


def main():
    args = sys.argv[1:]
    survey_only = "--survey-only" in args
    reference = "--reference" in args
    args = [a for a in args if a not in ("--survey-only", "--reference")]
    if len(args) < 3:
        print(__doc__)
        return 2
    cli, corpus, work = args[:3]
    routes = args[3:] or list(ROUTES)
    os.makedirs(work, exist_ok=True)
    drawings = []
    if not survey_only:
        if os.path.isdir(corpus):
            drawings = [os.path.join(corpus, n) for n in sorted(os.listdir(corpus))
                        if n.lower().endswith(".dxf")]
        else:
            print(f"no corpus at {corpus}: the survey drawings only")
    drawings += make_survey.make(os.path.join(work, "survey"))
    converter = [cli]
    if reference:
        converter = [sys.executable, os.path.join(HERE, "reference_pass.py"), cli]
    failed = 0
    checked = 0
    misses = {}  # (kind, type): [count, worst, drawings]
    for route in routes:
        for path in drawings:
            name = os.path.basename(path)
            try:
                tally, note = check_drawing([cli], converter, route, path, work)
            except Exception as error:  # a fault of the check itself counts too
                tally, note = Tally(), ""
                tally.problem("check", f"check failed: {error!r}")
            checked += 1
            problems = tally.problems
            status = "FAIL" if problems else "ok"
            summary = "; ".join(p for p in (note, tally.summary()) if p)
            print(f"{status} {route} {name}" + (f": {summary}" if summary else ""))
            for (kind, etype), (count, worst) in sorted(tally.misses.items()):
                unit = Tally.UNITS.get(kind, "")
                print(f"    missed: {kind} {etype} x{count}"
                      + (f", worst {fmt(worst, unit)}" if kind in Tally.UNITS else ""))
                entry = misses.setdefault((kind, etype), [0, 0.0, set()])
                entry[0] += count
                entry[1] = max(entry[1], worst)
                entry[2].add(f"{route} {name}")
            for problem in problems[:10]:
                print("    " + problem)
            if len(problems) > 10:
                print(f"    ... {len(problems) - 10} more")
            failed += bool(problems)
    if misses:
        print("misses by kind and entity type:")
        for (kind, etype), (count, worst, where) in sorted(misses.items()):
            unit = Tally.UNITS.get(kind, "")
            worst_text = f", worst {fmt(worst, unit)}" if kind in Tally.UNITS else ""
            print(f"    {kind} {etype}: {count} in {len(where)} drawings{worst_text}")
    print(f"{checked - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
