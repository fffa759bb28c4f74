#!/usr/bin/python3
"""A model of the DXF-aware conversion, written with ezdxf from the rules that
check_corpus.py judges by, for the entity types of the survey drawings. It
exists to check the checker: its output must pass, and with a rule left out
(KELVRIN_REFERENCE_WITHOUT=similarity,blocks,planes) it must fail the way a
pass without that rule would. T comes from kelvrin-cli --literal, as for the
checker.

- similarity: angles turn and sizes scale with T's derivative at the
  entity's own point; an ARC (and a HATCH arc edge) on a flat plane becomes
  the arc through where T takes its start, middle and end, so that a long
  arc still meets the lines it joins (KELVRIN_REFERENCE_ARCS=centre carries
  it by the similarity at its centre instead); so does a polyline's bulge,
  the arc to its next vertex; an arc whose points along it T puts more than
  1 mm off its new circle is told, as kelvrin-cli tells it;
- blocks: a block shown once is converted as world geometry through its
  insert, or the chain of inserts that shows it, which keep their
  placements; a shared block moves with its inserts;
- planes: on a tilted plane the elevation follows the entity's own point,
  whose world Z is kept.

Usage: reference_pass.py KELVRIN_CLI [-q] [--method M] --from S --to T IN OUT
"""
import math
import os
import sys

import ezdxf
from ezdxf.math import Vec3, bulge_3_points, bulge_to_arc

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True  # nothing written into the source tree
import check_corpus as cc  # noqa: E402

WITHOUT = set(filter(None, os.environ.get("KELVRIN_REFERENCE_WITHOUT", "").split(",")))
CENTRED_ARCS = os.environ.get("KELVRIN_REFERENCE_ARCS") == "centre"
BENT = []  # how far each arc told lies from T along it, metres


def note_bent(t, ocs, arc, circle):
    """Tells the arc (centre, radius, start, end) whose points along it T puts
    more than 1 mm off the plane's `circle` ((x, y), r)."""
    (cx, cy), r = circle
    miss = 0.0
    for p in cc.arc_points(ocs, *arc, eighths=cc.ALONG):
        q = ocs.from_wcs(Vec3(*t(p.x, p.y), p.z))
        miss = max(miss, abs(math.hypot(q.x - cx, q.y - cy) - r))
    if miss > cc.POINT_TOLERANCE:
        BENT.append(miss)


class Recorder:
    """T's stand-in while the points it will be asked for are gathered."""

    def __init__(self):
        self.points = []

    def __call__(self, x, y):
        self.points.append((x, y))
        return x, y

    def jacobian(self, x, y):
        self.points += cc.stencil(x, y)
        return 1.0, 0.0, 0.0, 1.0


class Local:
    """T's derivative near one point p, and the scale s = sqrt|det J| there."""

    def __init__(self, t, p):
        self.j = t.jacobian(*p)
        self.s = cc.scale_of(self.j)

    def turned(self, degrees, ocs):
        """An angle of the plane, its direction carried by the derivative."""
        if "similarity" in WITHOUT:
            return degrees
        w = ocs.to_wcs(Vec3.from_deg_angle(degrees))
        x, y = cc.apply(self.j, w.x, w.y)
        u = ocs.from_wcs(Vec3(x, y, w.z))
        return degrees + math.degrees(math.remainder(
            math.atan2(u.y, u.x) - math.radians(degrees), 2 * math.pi))

    def sized(self, value):
        return value if "similarity" in WITHOUT else value * self.s


class Carrier:
    """Points of one entity: its own point by T with its world Z kept, which
    fixes the elevation of a tilted plane; the others by T in plan, lifted
    along Z onto that plane."""

    def __init__(self, t, ocs):
        self.t, self.ocs = t, ocs
        self.elevation = None

    def __call__(self, v):
        w = self.ocs.to_wcs(Vec3(v))
        x, y = self.t(w.x, w.y)
        n = self.ocs.uz
        if self.elevation is None:
            if "planes" in WITHOUT:
                self.elevation = Vec3(v).z
            else:
                self.elevation = self.ocs.from_wcs(Vec3(x, y, w.z)).z
        z = (self.elevation - n.x * x - n.y * y) / n.z
        u = self.ocs.from_wcs(Vec3(x, y, z))
        return Vec3(u.x, u.y, self.elevation)


def carried_arc(t, ocs, centre, radius, start, end, carry):
    """(centre, radius, start, end) of an arc after T."""
    span = (end - start) % 360.0 or 360.0
    if CENTRED_ARCS or not cc.is_flat(ocs) or "similarity" in WITHOUT or span == 360.0:
        local = Local(t, own(ocs, centre))
        return (carry(centre), local.sized(radius), local.turned(start, ocs),
                local.turned(end, ocs))
    z = Vec3(centre).z
    (x1, y1), (x2, y2), (x3, y3) = (ocs.from_wcs(Vec3(*t(p.x, p.y), p.z)).vec2
                                    for p in cc.arc_points(ocs, centre, radius, start, end))
    # the centre, where the bisectors of the two chords meet, from the start
    # (far from the origin, squares of the coordinates would lose millimetres)
    bx, by, cx, cy = x2 - x1, y2 - y1, x3 - x1, y3 - y1
    d = 2 * (bx * cy - by * cx)
    ux = (cy * (bx * bx + by * by) - by * (cx * cx + cy * cy)) / d
    uy = (bx * (cx * cx + cy * cy) - cx * (bx * bx + by * by)) / d
    new_start = math.degrees(math.atan2(-uy, -ux))
    new_span = (math.degrees(math.atan2(cy - uy, cx - ux)) - new_start) % 360.0
    note_bent(t, ocs, (centre, radius, start, end), ((x1 + ux, y1 + uy), math.hypot(ux, uy)))
    return (Vec3(x1 + ux, y1 + uy, z), math.hypot(ux, uy), new_start, new_start + new_span)


def carried_bulges(t, ocs, points, closed, z, carry):
    """The bulges of a polyline's (x, y, bulge) vertices after T: each the
    arc's through where T takes its ends and middle, on a flat plane."""
    bulges = [b for _, _, b in points]
    if CENTRED_ARCS or not cc.is_flat(ocs) or "similarity" in WITHOUT:
        return bulges
    for n, (x, y, bulge) in enumerate(points):
        if not bulge or (n + 1 == len(points) and not closed):
            continue
        nx, ny, _ = points[(n + 1) % len(points)]
        centre, start, end, radius = bulge_to_arc((x, y), (nx, ny), bulge)
        arc = (Vec3(centre.x, centre.y, z), radius, math.degrees(start), math.degrees(end))
        middle = ocs.from_wcs(cc.arc_points(ocs, *arc)[1])
        a, m, b = (carry((u, v, z)).vec2 for u, v in ((x, y), (middle.x, middle.y), (nx, ny)))
        bulges[n] = bulge_3_points(a, b, m)
        note_bent(t, ocs, arc, cc.circle_through(a, m, b))
    return bulges


def convert(entity, t, once_blocks=()):
    """Converts one world entity in place."""
    kind = entity.dxftype()
    d = entity.dxf
    ocs = cc.ocs_of(entity)
    carry = Carrier(t, ocs)
    if kind == "LINE":
        for name in ("start", "end"):
            v = Vec3(d.get(name))
            d.set(name, Vec3(*t(v.x, v.y), v.z))
    elif kind == "ARC":
        d.center, d.radius, d.start_angle, d.end_angle = carried_arc(
            t, ocs, d.center, d.radius, d.start_angle, d.end_angle, carry)
    elif kind == "CIRCLE":
        local = Local(t, own(ocs, d.center))
        d.center = carry(d.center)
        d.radius = local.sized(d.radius)
    elif kind in ("TEXT", "ATTRIB", "ATTDEF"):
        local = Local(t, own(ocs, d.insert))
        d.insert = carry(d.insert)
        if d.hasattr("align_point"):
            d.align_point = carry(d.align_point)
        d.rotation = local.turned(d.rotation, ocs)
        d.height = local.sized(d.height)
    elif kind == "MTEXT":
        p = Vec3(d.insert)
        local = Local(t, (p.x, p.y))
        d.insert = Vec3(*t(p.x, p.y), p.z)
        if d.hasattr("text_direction"):
            v = Vec3(d.text_direction)
            d.text_direction = Vec3(*cc.apply(local.j, v.x, v.y), v.z)
        elif d.hasattr("rotation"):
            d.rotation = local.turned(d.rotation, ocs)
        elif "similarity" not in WITHOUT:
            d.rotation = local.turned(0.0, ocs)
        d.char_height = local.sized(d.char_height)
        if d.hasattr("width"):
            d.width = local.sized(d.width)
    elif kind == "INSERT":
        for attrib in entity.attribs:
            convert(attrib, t)
        if d.name.upper() in once_blocks and "blocks" not in WITHOUT:
            return  # its content is converted instead
        local = Local(t, own(ocs, d.insert))
        d.insert = carry(d.insert)
        if "blocks" in WITHOUT:
            return
        d.rotation = local.turned(d.rotation, ocs)
        d.xscale, d.yscale = local.sized(d.xscale), local.sized(d.yscale)
        if entity.mcount > 1:
            d.column_spacing = local.sized(d.column_spacing)
            d.row_spacing = local.sized(d.row_spacing)
    elif kind == "LWPOLYLINE":
        points = list(entity.get_points("xyseb"))
        local = Local(t, own(ocs, (points[0][0], points[0][1], d.elevation)))
        moved = []
        for x, y, start, end, bulge in points:
            v = carry((x, y, d.elevation))
            moved.append((v.x, v.y, local.sized(start), local.sized(end), bulge))
        bulges = carried_bulges(t, ocs, [(x, y, b) for x, y, _, _, b in points], entity.closed,
                                d.elevation, carry)
        moved = [(*m[:4], b) for m, b in zip(moved, bulges)]
        entity.set_points(moved, format="xyseb")
        d.elevation = carry.elevation
        if d.hasattr("const_width"):
            d.const_width = local.sized(d.const_width)
    elif kind == "POLYLINE":
        first = entity.vertices[0].dxf.location
        local = Local(t, own(ocs, first))
        if entity.is_2d_polyline:
            points = [(v.dxf.location.x, v.dxf.location.y, v.dxf.get("bulge", 0.0))
                      for v in entity.vertices]
            bulges = carried_bulges(t, ocs, points, entity.is_closed, d.elevation.z, carry)
            for vertex, bulge in zip(entity.vertices, bulges):
                if bulge:
                    vertex.dxf.bulge = bulge
        for vertex in entity.vertices:
            vertex.dxf.location = carry(vertex.dxf.location)
            for name in ("start_width", "end_width"):
                if vertex.dxf.hasattr(name):
                    vertex.dxf.set(name, local.sized(vertex.dxf.get(name)))
        for name in ("default_start_width", "default_end_width"):
            if d.hasattr(name):
                d.set(name, local.sized(d.get(name)))
        d.elevation = Vec3(0, 0, carry.elevation)
    elif kind == "HATCH":
        convert_hatch(entity, t, ocs, carry)
    elif kind == "MULTILEADER":
        c = entity.context
        moved = lambda v: Vec3(*t(v.x, v.y), v.z)
        c.base_point, c.plane_origin = moved(c.base_point), moved(c.plane_origin)
        for leader in c.leaders:
            leader.last_leader_point = moved(leader.last_leader_point)
            for line in leader.lines:
                line.vertices = [moved(v) for v in line.vertices]
        if c.mtext is not None:
            raise NotImplementedError("MULTILEADER text is not modelled")
        if c.block is not None:
            c.block.insert = moved(c.block.insert)
    else:
        raise NotImplementedError(f"{kind} is not modelled")


def own(ocs, v):
    w = ocs.to_wcs(Vec3(v))
    return w.x, w.y


def convert_hatch(hatch, t, ocs, carry):
    z = hatch.dxf.elevation.z
    first = None
    for path in hatch.paths:
        if type(path).__name__ == "PolylinePath":
            first = path.vertices[0][:2] if first is None else first
            path.vertices = [(*carry((x, y, z)).vec2, b) for x, y, b in path.vertices]
            continue
        for edge in path.edges:
            kind = type(edge).__name__
            if kind == "LineEdge":
                first = edge.start if first is None else first
                edge.start, edge.end = carry((*edge.start, z)).vec2, carry((*edge.end, z)).vec2
            elif kind == "ArcEdge":
                first = edge.center if first is None else first
                centre, edge.radius, edge.start_angle, edge.end_angle = carried_arc(
                    t, ocs, (*edge.center, z), edge.radius, edge.start_angle, edge.end_angle,
                    carry)
                edge.center = centre.vec2
            else:
                raise NotImplementedError(f"HATCH {kind} is not modelled")
    hatch.seeds = [carry((x, y, z)).vec2 for x, y in hatch.seeds]
    hatch.dxf.elevation = Vec3(0, 0, carry.elevation if carry.elevation is not None else z)
    if hatch.dxf.solid_fill or hatch.pattern is None or first is None:
        return
    local = Local(t, own(ocs, (*first, z)))
    hatch.dxf.pattern_angle = local.turned(hatch.dxf.pattern_angle, ocs)
    hatch.dxf.pattern_scale = local.sized(hatch.dxf.pattern_scale)
    for line in hatch.pattern.lines:
        line.angle = local.turned(line.angle, ocs)
        if "similarity" not in WITHOUT:
            w = ocs.to_wcs(Vec3(line.offset))
            x, y = cc.apply(local.j, w.x, w.y)
            line.offset = ocs.from_wcs(Vec3(x, y, w.z)).vec2
        line.dash_length_items = [local.sized(dash) for dash in line.dash_length_items]


def convert_block(block, there, t, once):
    """A block shown once: each entity through the placement that shows it
    to the world, T, and back; the insert of a block shown once through it
    keeps its placement, and that block is converted through both."""
    back = there.copy()
    back.inverse()
    for entity in block:
        if entity.dxftype() == "INSERT" and entity.dxf.name.upper() in once:
            convert_block(entity.block(), entity.matrix44() @ there, t, once)
            continue
        entity.transform(there)
        convert(entity, t)
        entity.transform(back)


def convert_drawing(source, target, t):
    doc = ezdxf.readfile(source)
    once, dimension = cc.block_uses(doc, source)
    if dimension:
        raise NotImplementedError("dimensions are not modelled")
    if "blocks" in WITHOUT:
        once = set()
    for entity in doc.modelspace():
        convert(entity, t, once)
    for insert in doc.modelspace().query("INSERT"):
        if insert.dxf.name.upper() in once:
            convert_block(insert.block(), insert.matrix44(), t, once)
    doc.saveas(target)
    # ezdxf stamps the time of saving into the OBJECTS section: take the input's
    written = open(target, "rb").read().replace(b"\r\n", b"\n")
    start = written.index(b"\nOBJECTS\n")
    open(target, "wb").write(written[:start + 1] + cc.objects_text(source))


def main():
    cli, args = sys.argv[1], sys.argv[2:]
    options = [a for a in args if a != "-q"]
    method = options[options.index("--method"):options.index("--method") + 2] \
        if "--method" in options else []
    source = options[options.index("--from") + 1]
    target = options[options.index("--to") + 1]
    drawing_in, drawing_out = options[-2:]
    work = os.path.dirname(os.path.abspath(drawing_out))
    t = cc.Transformation([cli], source, target, method, work)
    recorder = Recorder()
    convert_drawing(drawing_in, drawing_out, recorder)
    t.need(recorder.points)
    BENT.clear()
    convert_drawing(drawing_in, drawing_out, t)
    if BENT:
        print(f"Aviso: a transformação curva {len(BENT)} arco(s) de \"{drawing_in}\" (o "
              "primeiro na linha 0) mais do que um círculo pode seguir: continuam arcos, com os "
              "extremos e o meio onde a transformação os põe, mas os outros pontos ficam até "
              f"{max(BENT):.4f} m de onde ela os poria.", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
