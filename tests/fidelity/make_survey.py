#!/usr/bin/python3
"""Survey drawings made with ezdxf, for check_corpus.py beside the corpus.

The corpus has few of the things a surveyor's drawing is made of: road
curves of hundreds of metres of radius between tangents, parcels bounded by
lines and arcs and hatched, one survey-mark block inserted everywhere, a
reference plan bound in as a block at 0,0, texts along the road, entities on
mirrored and tilted planes, plans holding blocks of their own. These drawings have them, at local coordinates
near (100 km, 50 km); check_corpus.py moves them into each route's area as it
moves the corpus.

Usage: make_survey.py FOLDER   (writes FOLDER/survey-*.dxf)
"""
import math
import os
import sys

import ezdxf
from ezdxf.math import OCS, Vec3
from ezdxf.render import mleader

ORIGIN = Vec3(100000.0, 50000.0, 0.0)
TILTED = Vec3(0.1, 0.2, 0.97).normalize()


def heading_vector(heading):
    return Vec3(math.cos(heading), math.sin(heading), 0.0)


def left_of(heading):
    return Vec3(-math.sin(heading), math.cos(heading), 0.0)


def alignment():
    """The road's elements in order, each a dict: a tangent (start, end,
    heading) or a curve (centre, radius, start and end angle of the ARC as
    drawn counter-clockwise, turn: +1 left, -1 right, entry heading)."""
    plan = [("tangent", 400.0), ("curve", 800.0, 25.0), ("tangent", 300.0),
            ("curve", 2000.0, -12.0), ("tangent", 250.0), ("curve", 300.0, 40.0),
            ("tangent", 200.0)]
    here, heading = ORIGIN + Vec3(-600.0, -300.0, 0.0), math.radians(20.0)
    elements = []
    for item in plan:
        if item[0] == "tangent":
            end = here + heading_vector(heading) * item[1]
            elements.append({"kind": "tangent", "start": here, "end": end, "heading": heading})
            here = end
            continue
        radius, turn_deg = item[1], item[2]
        side = 1 if turn_deg > 0 else -1
        centre = here + left_of(heading) * (side * radius)
        entry = math.degrees(heading) - 90.0 * side  # angle of `here` seen from the centre
        leave = entry + turn_deg
        start, end = (entry, leave) if side > 0 else (leave, entry)
        elements.append({"kind": "curve", "centre": centre, "radius": radius, "start": start,
                         "end": end, "side": side, "heading": heading,
                         "turn": math.radians(turn_deg)})
        heading += math.radians(turn_deg)
        here = centre + Vec3.from_deg_angle(leave) * radius
    return elements


def station(elements, distance):
    """Point and heading at a distance along the road."""
    for e in elements:
        if e["kind"] == "tangent":
            length = (e["end"] - e["start"]).magnitude
            if distance <= length:
                return e["start"] + heading_vector(e["heading"]) * distance, e["heading"]
        else:
            length = e["radius"] * abs(e["turn"])
            if distance <= length:
                heading = e["heading"] + e["side"] * distance / e["radius"]
                entry = math.degrees(e["heading"]) - 90.0 * e["side"]
                angle = entry + math.degrees(e["side"] * distance / e["radius"])
                return e["centre"] + Vec3.from_deg_angle(angle) * e["radius"], heading
        distance -= length
    raise ValueError("past the end of the road")


def road_length(elements):
    return sum((e["end"] - e["start"]).magnitude if e["kind"] == "tangent"
               else e["radius"] * abs(e["turn"]) for e in elements)


def road(folder):
    doc = ezdxf.new("R2010")
    msp = doc.modelspace()
    elements = alignment()
    # Axis and edges: tangent LINEs joined by ARCs, 3.5 m either side.
    for offset, layer in ((0.0, "EIXO"), (3.5, "BERMA"), (-3.5, "BERMA")):
        for e in elements:
            if e["kind"] == "tangent":
                shift = left_of(e["heading"]) * offset
                msp.add_line(e["start"] + shift, e["end"] + shift, dxfattribs={"layer": layer})
            else:
                msp.add_arc(e["centre"], e["radius"] - e["side"] * offset, e["start"], e["end"],
                            dxfattribs={"layer": layer})
    # The axis again as one LWPOLYLINE with bulges and a width.
    points = []
    for e in elements:
        if e["kind"] == "tangent":
            points.append((e["start"].x, e["start"].y, 0.0))
        else:
            entry = e["centre"] + Vec3.from_deg_angle(
                math.degrees(e["heading"]) - 90.0 * e["side"]) * e["radius"]
            points.append((entry.x, entry.y, math.tan(e["turn"] / 4)))
    points.append((elements[-1]["end"].x, elements[-1]["end"].y, 0.0))
    msp.add_lwpolyline(points, format="xyb", dxfattribs={"layer": "EIXO_PL", "const_width": 0.3})
    # Chainage: a tick and a TEXT every 100 m, turned along the road.
    length = road_length(elements)
    for k in range(int(length // 100) + 1):
        p, heading = station(elements, k * 100.0)
        n = left_of(heading)
        msp.add_line(p - n * 2.0, p + n * 2.0, dxfattribs={"layer": "PK"})
        msp.add_text(f"{k // 10}+{k % 10}00", dxfattribs={
            "layer": "PK", "height": 2.5, "rotation": math.degrees(heading),
            "insert": p + n * 6.0})
    # Curve data at each curve's middle: MTEXT by rotation, one by direction.
    distance = 0.0
    for n_curve, e in enumerate(elements):
        if e["kind"] == "tangent":
            distance += (e["end"] - e["start"]).magnitude
            continue
        arc_length = e["radius"] * abs(e["turn"])
        p, heading = station(elements, distance + arc_length / 2)
        attribs = {"layer": "CURVAS", "char_height": 2.0, "width": 40.0,
                   "insert": p + left_of(heading) * 12.0}
        if n_curve == 3:
            attribs["text_direction"] = heading_vector(heading)
        else:
            attribs["rotation"] = math.degrees(heading)
        msp.add_mtext(f"R={e['radius']:.3f}\\PD={math.degrees(abs(e['turn'])):.4f}", attribs)
        distance += arc_length
    # The traffic direction: a 2D POLYLINE arrow of varying width.
    p, heading = station(elements, 150.0)
    arrow = msp.add_polyline2d([p, p + heading_vector(heading) * 8.0],
                               dxfattribs={"layer": "SETAS"})
    arrow.vertices[0].dxf.start_width = 1.5
    arrow.vertices[0].dxf.end_width = 0.0
    return save(doc, folder, "survey-road.dxf")


def parcels(folder):
    doc = ezdxf.new("R2010")
    msp = doc.modelspace()
    curve = next(e for e in alignment() if e["kind"] == "curve")  # R = 800, to the left
    centre, inner, outer = curve["centre"], curve["radius"] + 10.0, curve["radius"] + 45.0
    cuts = [curve["start"] + k * 5.0 for k in range(5)]
    for n, (a0, a1) in enumerate(zip(cuts, cuts[1:])):
        # The boundary as surveyed: LINE and ARC runs.
        msp.add_arc(centre, inner, a0, a1, dxfattribs={"layer": "PARCELAS"})
        msp.add_arc(centre, outer, a0, a1, dxfattribs={"layer": "PARCELAS"})
        for a in (a0, a1):
            msp.add_line(centre + Vec3.from_deg_angle(a) * inner,
                         centre + Vec3.from_deg_angle(a) * outer, dxfattribs={"layer": "PARCELAS"})
        # The same parcel hatched: its front counter-clockwise, its back clockwise.
        hatch = msp.add_hatch(color=n + 1, dxfattribs={"layer": "PARCELAS_H"})
        if n % 2:
            hatch.set_pattern_fill("ANSI31", scale=0.5, angle=15.0 + 20.0 * n)
        path = hatch.paths.add_edge_path()
        path.add_arc((centre.x, centre.y), inner, a0, a1, ccw=True)
        path.add_line(centre + Vec3.from_deg_angle(a1) * inner,
                      centre + Vec3.from_deg_angle(a1) * outer)
        path.add_arc((centre.x, centre.y), outer, a0, a1, ccw=False)
        path.add_line(centre + Vec3.from_deg_angle(a0) * outer,
                      centre + Vec3.from_deg_angle(a0) * inner)
        middle = centre + Vec3.from_deg_angle((a0 + a1) / 2) * ((inner + outer) / 2)
        msp.add_text(f"P{n + 1}", dxfattribs={"layer": "PARCELAS_T", "height": 3.0,
                                               "rotation": (a0 + a1) / 2 - 90.0, "insert": middle})
        msp.add_mtext(f"{n + 1}\\P{(outer**2 - inner**2) * math.radians(a1 - a0) / 2:.1f} m2",
                      dxfattribs={"layer": "PARCELAS_T", "char_height": 1.5,
                                  "rotation": (a0 + a1) / 2 - 90.0,
                                  "insert": middle + Vec3.from_deg_angle((a0 + a1) / 2) * -6.0})
    # A square parcel with a rounded corner (R = 5) on the other side of the road.
    corner = centre + Vec3.from_deg_angle(cuts[0]) * (curve["radius"] - 60.0)
    a, b = Vec3(40.0, 0.0, 0.0), Vec3(0.0, 30.0, 0.0)
    msp.add_line(corner, corner + a - Vec3(5.0, 0.0, 0.0))
    msp.add_arc(corner + a + Vec3(-5.0, 5.0, 0.0), 5.0, 270.0, 360.0)
    msp.add_line(corner + a + Vec3(0.0, 5.0, 0.0), corner + a + b)
    msp.add_line(corner + a + b, corner + b)
    msp.add_line(corner + b, corner)
    hatch = msp.add_hatch(color=3)
    hatch.set_pattern_fill("ANSI37", scale=0.8, angle=-30.0)
    path = hatch.paths.add_edge_path()
    path.add_line(corner, corner + a - Vec3(5.0, 0.0, 0.0))
    path.add_arc((corner.x + a.x - 5.0, corner.y + 5.0), 5.0, 270.0, 360.0, ccw=True)
    path.add_line(corner + a + Vec3(0.0, 5.0, 0.0), corner + a + b)
    path.add_line(corner + a + b, corner + b)
    path.add_line(corner + b, corner)
    return save(doc, folder, "survey-parcels.dxf")


def survey_mark(doc):
    """MARCO: a survey mark with its number as an attribute."""
    if "MARCO" in doc.blocks:
        return
    block = doc.blocks.new("MARCO")
    block.add_circle((0, 0), 0.3)
    block.add_line((-0.6, 0), (0.6, 0))
    block.add_line((0, -0.6), (0, 0.6))
    block.add_arc((0, 0), 0.45, 30.0, 150.0)
    block.add_text("M", dxfattribs={"height": 0.25, "insert": (0.35, 0.35), "rotation": 10.0})
    block.add_attdef("NUMERO", (0.4, -0.5), dxfattribs={"height": 0.3})


def marks(folder):
    doc = ezdxf.new("R2010")
    msp = doc.modelspace()
    survey_mark(doc)
    # 40 marks: various rotations and scales, two mirrored, two stretched.
    for k in range(40):
        place = ORIGIN + Vec3(37.0 * (k % 8) - 150.0, 41.0 * (k // 8) - 100.0, 0.0)
        sx = sy = (0.5, 1.0, 1.5, 2.0, 0.75)[k % 5]
        if k in (7, 23):
            sx = -sx
        if k in (11, 31):
            sy = sx * 1.5
        mark = msp.add_blockref("MARCO", place, dxfattribs={
            "rotation": (k * 37.0) % 360.0, "xscale": sx, "yscale": sy})
        mark.add_auto_attribs({"NUMERO": f"V{k + 1:02d}"})
    # A tree block used by one MINSERT only: still moved as a whole.
    tree = doc.blocks.new("ARVORE")
    tree.add_circle((0, 0), 2.0)
    tree.add_line((0, 0), (0, -2.5))
    msp.add_blockref("ARVORE", ORIGIN + Vec3(100.0, -120.0, 0.0), dxfattribs={
        "rotation": 12.0, "column_count": 3, "row_count": 2,
        "column_spacing": 8.0, "row_spacing": 6.0})
    # A north arrow inserted once in model space and once in paper space.
    north = doc.blocks.new("NORTE")
    north.add_lwpolyline([(0, 0), (-1.5, -1.0), (0, 4.0), (1.5, -1.0)], close=True)
    north.add_text("N", dxfattribs={"height": 1.2, "insert": (-0.4, 4.5)})
    msp.add_blockref("NORTE", ORIGIN + Vec3(160.0, 90.0, 0.0), dxfattribs={"rotation": -8.0})
    doc.layouts.get("Layout1").add_blockref("NORTE", (20.0, 20.0))
    # A detail used once, turned and scaled: its content is converted as world geometry.
    detail = doc.blocks.new("PORMENOR", base_point=(2.0, 1.0))
    detail.add_line((0, 0), (20, 0))
    detail.add_arc((10, 5), 6.0, 200.0, 340.0)
    detail.add_circle((10, 5), 1.5)
    detail.add_lwpolyline([(0, 0, 0.25), (20, 0, 0.25), (20, 12, 0.1), (0, 12, 0.1)],
                          format="xyseb", close=True)
    detail.add_text("PORMENOR A", dxfattribs={"height": 1.0, "insert": (1, 13), "rotation": 5.0})
    detail.add_mtext("escala 1:200", dxfattribs={"char_height": 0.6, "insert": (1, -1),
                                                 "rotation": -3.0, "width": 12.0})
    detail.add_attdef("DATA", (12, 13), dxfattribs={"height": 0.8})
    hatch = detail.add_hatch(color=5)
    path = hatch.paths.add_edge_path()
    path.add_line((4, 5), (16, 5))
    path.add_arc((10, 5), 6.0, 180.0, 360.0, ccw=False)
    one = msp.add_blockref("PORMENOR", ORIGIN + Vec3(-60.0, 130.0, 0.0), dxfattribs={
        "rotation": 35.0, "xscale": 2.5, "yscale": 2.5, "zscale": 2.5})
    one.add_auto_attribs({"DATA": "2024-05-01"})
    # A block used once by a mirrored insert (extrusion 0,0,-1).
    mirrored = doc.blocks.new("ESPELHO")
    mirrored.add_arc((0, 0), 4.0, 10.0, 120.0)
    mirrored.add_line((0, 0), (6, 2))
    mirrored.add_text("E", dxfattribs={"height": 1.5, "insert": (1, 1), "rotation": 20.0})
    ocs = OCS((0, 0, -1))
    msp.add_blockref("ESPELHO", ocs.from_wcs(ORIGIN + Vec3(40.0, 150.0, 0.0)), dxfattribs={
        "rotation": 30.0, "extrusion": (0, 0, -1)})
    return save(doc, folder, "survey-marks.dxf")


def reference_plan(folder):
    """A plan bound in as a block: its content at its own national
    coordinates, ~100 km from the base point, inserted once at 0,0."""
    doc = ezdxf.new("R2010")
    msp = doc.modelspace()
    survey_mark(doc)
    plan = doc.blocks.new("PLANTA_REF")
    here = ORIGIN + Vec3(300.0, 200.0, 0.0)
    for k in range(6):  # buildings along a street
        corner = here + Vec3(25.0 * k, 4.0 * k, 0.0)
        plan.add_lwpolyline([corner, corner + Vec3(18, 0), corner + Vec3(18, 12),
                             corner + Vec3(0, 12)],
                            close=True, dxfattribs={"layer": "EDIFICIOS"})
        plan.add_text(f"n.{2 * k + 1}", dxfattribs={"height": 1.8, "insert": corner + Vec3(6, 5),
                                                     "rotation": 9.0})
    plan.add_line(here + Vec3(-10, -8), here + Vec3(170, 28), dxfattribs={"layer": "ARRUAMENTOS"})
    plan.add_arc(here + Vec3(-10, 142), 150.0, 270.0, 300.0, dxfattribs={"layer": "ARRUAMENTOS"})
    plan.add_circle(here + Vec3(60, 40), 3.0, dxfattribs={"layer": "ARVORES"})
    plan.add_mtext("PLANTA DE LOCALIZACAO", dxfattribs={
        "char_height": 3.0, "insert": here + Vec3(0, 60), "rotation": 9.0, "width": 80.0})
    hatch = plan.add_hatch(color=8)
    hatch.set_pattern_fill("ANSI31", scale=1.0, angle=0.0)
    hatch.paths.add_polyline_path([here + Vec3(0, 20), here + Vec3(40, 20), here + Vec3(40, 35),
                                   here + Vec3(0, 35)], is_closed=True)
    for k in range(3):  # marks of the plan itself
        plan.add_blockref("MARCO", here + Vec3(50.0 * k, -15.0, 0.0),
                          dxfattribs={"rotation": 15.0 * k})
    msp.add_blockref("PLANTA_REF", (0.0, 0.0))
    # The surveyor's own work over the plan, in model space.
    msp.add_line(here + Vec3(-20, -20), here + Vec3(180, 20))
    msp.add_text("LEVANTAMENTO", dxfattribs={"height": 2.0, "insert": here + Vec3(0, -30),
                                             "rotation": 9.0})
    mark = msp.add_blockref("MARCO", here + Vec3(90, -25), dxfattribs={"rotation": 45.0})
    mark.add_auto_attribs({"NUMERO": "RP1"})
    return save(doc, folder, "survey-reference-plan.dxf")


def nested(folder):
    """Plans bound in as blocks that hold blocks of their own: a cadastral
    sheet, a north arrow and a legend used only inside the first plan (the
    legend holding a symbol of its own, on a mirrored plane), so each is
    shown once through the chain of inserts; a parcel used twice inside the second plan; and a
    block that an INSERT and a MULTILEADER both show."""
    doc = ezdxf.new("R2010")
    msp = doc.modelspace()
    # Defined before the plans that hold them: the order of BLOCKS is free.
    north = doc.blocks.new("NORTE_A", base_point=(0.0, 1.0))
    north.add_lwpolyline([(0, 0), (-1.5, -1.0), (0, 4.0), (1.5, -1.0)], close=True)
    north.add_text("N", dxfattribs={"height": 1.2, "insert": (-0.4, 4.5), "rotation": 3.0})
    north.add_circle((0, 1), 2.5)
    symbol = doc.blocks.new("SIMBOLO_L")
    symbol.add_arc((0, 0), 2.0, 0.0, 250.0)
    symbol.add_line((-2, -2), (2, 2))
    legend = doc.blocks.new("LEGENDA", base_point=(10.0, 5.0))
    legend.add_lwpolyline([(0, 0), (400, 0), (400, 250), (0, 250)], close=True)
    for k, label in enumerate(("EDIFICIOS", "ARRUAMENTOS", "LIMITES")):
        legend.add_line((20, 200 - 60 * k), (80, 200 - 60 * k))
        legend.add_text(label, dxfattribs={"height": 12.0, "insert": (100, 195 - 60 * k)})
    legend.add_blockref("SIMBOLO_L", (360, 40), dxfattribs={
        "rotation": 30.0, "xscale": 6.0, "yscale": 6.0, "zscale": 6.0,
        "extrusion": (0, 0, -1)})
    # A cadastral sheet bound into the plan as the plan is bound into the
    # drawing: at 0,0, its content at national coordinates.
    sheet = doc.blocks.new("CADASTRO")
    parcel_corner = ORIGIN + Vec3(-250.0, -420.0, 0.0)
    sheet.add_lwpolyline([parcel_corner + Vec3(x, y) for x, y in
                          ((0, 0), (90, 0), (95, 60), (0, 70))], close=True)
    sheet.add_arc(parcel_corner + Vec3(45, 35), 12.0, 0.0, 180.0)
    sheet.add_text("ART. 123", dxfattribs={"height": 2.5, "insert": parcel_corner + Vec3(30, 30),
                                           "rotation": 4.0})
    plan = doc.blocks.new("PLANTA_A")
    plan.add_blockref("CADASTRO", (0.0, 0.0))
    here = ORIGIN + Vec3(-400.0, -250.0, 0.0)
    for k in range(5):
        corner = here + Vec3(30.0 * k, 5.0 * k, 0.0)
        plan.add_lwpolyline([corner, corner + Vec3(20, 0), corner + Vec3(20, 14),
                             corner + Vec3(0, 14)], close=True)
    plan.add_line(here + Vec3(-10, -10), here + Vec3(160, 20))
    plan.add_blockref("NORTE_A", here + Vec3(250.0, 120.0, 0.0), dxfattribs={
        "rotation": 12.0, "xscale": 4.0, "yscale": 4.0, "zscale": 4.0})
    plan.add_blockref("LEGENDA", here + Vec3(-150.0, 60.0, 0.0), dxfattribs={
        "rotation": -5.0, "xscale": 0.5, "yscale": 0.5, "zscale": 0.5})
    msp.add_blockref("PLANTA_A", (0.0, 0.0))
    # The second plan: its parcel inserted twice moves as a whole, each time.
    parcel = doc.blocks.new("LOTE")
    parcel.add_lwpolyline([(0, 0), (180, 0), (180, 120), (0, 120)], close=True)
    parcel.add_text("LOTE", dxfattribs={"height": 5.0, "insert": (80, 60)})
    second = doc.blocks.new("PLANTA_B")
    there = ORIGIN + Vec3(300.0, -300.0, 0.0)
    second.add_line(there, there + Vec3(400, 0))
    second.add_blockref("LOTE", there + Vec3(10, 10), dxfattribs={"rotation": 0.0})
    second.add_blockref("LOTE", there + Vec3(400, 10), dxfattribs={"rotation": 90.0})
    msp.add_blockref("PLANTA_B", (0.0, 0.0))
    # A block that an INSERT and a MULTILEADER's block content both show:
    # converting it through the insert would move the leader's copy.
    box = doc.blocks.new("CAIXA")
    box.add_circle((0, 0), 1.0)
    box.add_lwpolyline([(-150, -100), (150, -100), (150, 100), (-150, 100)], close=True)
    msp.add_blockref("CAIXA", ORIGIN + Vec3(0.0, 300.0, 0.0), dxfattribs={"rotation": 20.0})
    leader = msp.add_multileader_block(style="Standard")
    leader.set_content(name="CAIXA", scale=0.2)
    leader.add_leader_line(mleader.ConnectionSide.left, [(ORIGIN + Vec3(-120.0, 260.0)).vec2])
    leader.build(insert=(ORIGIN + Vec3(-60.0, 280.0)).vec2)
    return save(doc, folder, "survey-nested.dxf")


def planes(folder):
    doc = ezdxf.new("R2010")
    msp = doc.modelspace()
    # Mirrored: extrusion (0, 0, -1), OCS x pointing west.
    down = OCS((0, 0, -1))
    at = ORIGIN + Vec3(-200.0, 0.0, 0.0)
    msp.add_arc(down.from_wcs(at), 25.0, 20.0, 110.0, dxfattribs={"extrusion": (0, 0, -1)})
    msp.add_circle(down.from_wcs(at + Vec3(60, 0)), 8.0, dxfattribs={"extrusion": (0, 0, -1)})
    msp.add_text("ESPELHADO", dxfattribs={"extrusion": (0, 0, -1), "height": 2.0, "rotation": 30.0,
                                          "insert": down.from_wcs(at + Vec3(0, 30))})
    for k, attribs in enumerate(({"rotation": 30.0}, {"text_direction": Vec3(-1, 1, 0)})):
        msp.add_mtext("ESPELHADO", dxfattribs={"extrusion": (0, 0, -1), "char_height": 2.0,
                                               "insert": at + Vec3(0, 40 + 10 * k), **attribs})
    msp.add_lwpolyline([down.from_wcs(at + Vec3(x, y)).vec2
                        for x, y in ((0, -40), (30, -40), (30, -20))],
                       dxfattribs={"extrusion": (0, 0, -1), "const_width": 0.4})
    # Tilted: a slope face at 25 m height and a circle on it.
    tilted = OCS(TILTED)
    at = ORIGIN + Vec3(150.0, 80.0, 25.0)
    corners = [tilted.from_wcs(at + Vec3(x, y, -(TILTED.x * x + TILTED.y * y) / TILTED.z))
               for x, y in ((0, 0), (60, 0), (60, 40), (0, 40))]
    msp.add_lwpolyline([(c.x, c.y) for c in corners], close=True,
                       dxfattribs={"extrusion": TILTED, "elevation": corners[0].z})
    centre = tilted.from_wcs(at + Vec3(30, 20, -(TILTED.x * 30 + TILTED.y * 20) / TILTED.z))
    msp.add_circle(centre, 6.0, dxfattribs={"extrusion": TILTED})
    msp.add_arc(centre, 9.0, 40.0, 160.0, dxfattribs={"extrusion": TILTED})
    msp.add_text("TALUDE", dxfattribs={"extrusion": TILTED, "height": 1.5, "rotation": 15.0,
                                       "insert": centre + Vec3(0, 12, 0)})
    # The face's crest as a 2D POLYLINE of some width, its fill as a HATCH,
    # and a survey mark set on it.
    crest = msp.add_polyline2d([(c.x, c.y) for c in corners[2:]], dxfattribs={
        "extrusion": TILTED, "elevation": (0, 0, corners[0].z), "default_start_width": 0.2,
        "default_end_width": 0.2})
    for vertex in crest.vertices:
        vertex.dxf.location = Vec3(vertex.dxf.location.x, vertex.dxf.location.y, corners[0].z)
    fill = msp.add_hatch(color=2, dxfattribs={"extrusion": TILTED,
                                              "elevation": (0, 0, corners[0].z)})
    fill.set_pattern_fill("ANSI31", scale=0.5, angle=30.0)
    fill.paths.add_polyline_path([(c.x, c.y) for c in corners], is_closed=True)
    survey_mark(doc)
    msp.add_blockref("MARCO", centre + Vec3(-10, -8, 0), dxfattribs={
        "extrusion": TILTED, "rotation": 25.0}).add_auto_attribs({"NUMERO": "T1"})
    msp.add_blockref("MARCO", at + Vec3(-40, 0, -25), dxfattribs={"rotation": 5.0})
    return save(doc, folder, "survey-planes.dxf")


def bent_arcs(folder):
    """A ring road's long curve, 90 degrees of 1.2 km radius, which the grid
    routes bend more than a circle can follow: as an ARC between its
    tangents, as the bulge of the axis drawn as an LWPOLYLINE, as the closing
    segment of a closed POLYLINE and as the arc edge of the hatched land
    inside it; and a roundabout's short arc, which they do not."""
    doc = ezdxf.new("R2010")
    msp = doc.modelspace()
    centre, radius = ORIGIN + Vec3(-2000.0, 1000.0, 0.0), 1200.0
    a, b = centre + Vec3(radius, 0.0, 0.0), centre + Vec3(0.0, radius, 0.0)
    msp.add_line(a + Vec3(0.0, -400.0, 0.0), a, dxfattribs={"layer": "EIXO"})
    msp.add_arc(centre, radius, 0.0, 90.0, dxfattribs={"layer": "EIXO"})
    msp.add_line(b, b + Vec3(-400.0, 0.0, 0.0), dxfattribs={"layer": "EIXO"})
    quarter = math.tan(math.pi / 8)  # the bulge of 90 degrees
    msp.add_lwpolyline([(a.x, a.y - 400.0, 0.0), (a.x, a.y, quarter), (b.x, b.y, 0.0),
                        (b.x - 400.0, b.y, 0.0)], format="xyb", dxfattribs={"layer": "EIXO_PL"})
    # Clockwise, from b back to a: its last vertex bends the closing segment.
    msp.add_polyline2d([(a.x, a.y, 0.0), (centre.x, centre.y, 0.0), (b.x, b.y, -quarter)],
                       format="xyb", close=True, dxfattribs={"layer": "LIMITE"})
    hatch = msp.add_hatch(color=3, dxfattribs={"layer": "TERRENO"})
    path = hatch.paths.add_edge_path()
    path.add_line(centre.vec2, a.vec2)
    path.add_arc(centre.vec2, radius, 0.0, 90.0, ccw=True)
    path.add_line(b.vec2, centre.vec2)
    msp.add_arc(a + Vec3(60.0, 0.0, 0.0), 25.0, 90.0, 270.0, dxfattribs={"layer": "ROTUNDA"})
    return save(doc, folder, "survey-bent-arcs.dxf")


def save(doc, folder, name):
    path = os.path.join(folder, name)
    doc.saveas(path)
    return path


def make(folder):
    """Writes the survey drawings into `folder`; returns their paths."""
    os.makedirs(folder, exist_ok=True)
    return [road(folder), parcels(folder), marks(folder), reference_plan(folder), planes(folder),
            nested(folder), bent_arcs(folder)]


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print(__doc__)
        sys.exit(2)
    for made in make(sys.argv[1]):
        print(made)
