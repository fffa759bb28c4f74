#!/usr/bin/python3
"""The files a drawing refers to, through kelvrin-cli, judged by ezdxf.

A survey in a folder with accents, in an AutoCAD 2000 drawing (Windows-1252)
and a 2013 one (UTF-8), refers to a reference plan (XREF, by a relative and
by an absolute path), a drawing not converted, an orthophoto and a cadastre
PDF. Converted alone, each file is listed once; converted with the plan in
one --output-dir run, the references to the plan point to its converted copy
(read back by ezdxf) and are told; --literal lists the same files and writes
what it writes without the batch.

Usage: check_external_files.py KELVRIN_CLI FOLDER
"""
import os
import shutil
import subprocess
import sys

try:
    import ezdxf
except ImportError:
    print("SKIPPED: python3-ezdxf is not installed")
    sys.exit(77)

ROUTE = ["--from", "tm06", "--to", "datum73"]


def make_drawings(folder):
    survey_folder = os.path.join(folder, "Obra de Évora")
    plan_folder = os.path.join(folder, "Plantas São Brás")
    os.makedirs(survey_folder)
    os.makedirs(plan_folder)
    plan = os.path.join(plan_folder, "base ção.dxf")
    doc = ezdxf.new("R2000")
    doc.modelspace().add_line((-50000, -100000), (-49990, -99990))
    doc.saveas(plan)
    surveys = []
    for version in ("R2000", "R2013"):
        doc = ezdxf.new(version)
        msp = doc.modelspace()
        doc.add_xref_def("..\\Plantas São Brás\\base ção.dxf", "PLANTA")
        doc.add_xref_def(plan, "PLANTA_FIXA")
        doc.add_xref_def("..\\Plantas São Brás\\base ção.dxf", "PLANTA_OUTRA")
        doc.add_xref_def("vizinho.dwg", "VIZINHO")
        msp.add_blockref("PLANTA", (0, 0))
        image = doc.add_image_def("Orto\\ortofoto Ção.jpg", (100, 100))
        msp.add_image(image, (-50000, -100000), (10, 10))
        msp.add_image(image, (-50100, -100000), (10, 10))
        underlay = doc.add_underlay_def("cadastro €.pdf", fmt="pdf", name="1")
        msp.add_underlay(underlay, (-50000, -100000))
        msp.add_line((-50000, -100000), (-49990, -99990))
        surveys.append(os.path.join(survey_folder, "levantamento %s.dxf" % version))
        doc.saveas(surveys[-1])
    return surveys, plan


LISTED = [
    "  desenho (XREF): ..\\Plantas São Brás\\base ção.dxf",
    "  desenho (XREF): %s",
    "  desenho (XREF): vizinho.dwg",
    "  imagem: Orto\\ortofoto Ção.jpg",
    "  subjacente (PDF, DWF, DGN): cadastro €.pdf",
]


def run(cli, arguments):
    done = subprocess.run([cli] + ROUTE + arguments, capture_output=True)
    err = done.stderr.decode("utf-8")
    if done.returncode != 0:
        raise SystemExit("kelvrin-cli %s: %d\n%s" % (arguments, done.returncode, err))
    return err


def listed(err, survey):
    lines = err.splitlines()
    head = "Aviso: o desenho \"%s\" refere " % survey
    starts = [i for i, line in enumerate(lines) if line.startswith(head)]
    if len(starts) != 1:
        return None
    files = []
    for line in lines[starts[0] + 1:]:
        if not line.startswith("  "):
            break
        files.append(line)
    return files


def xref_paths(path):
    doc = ezdxf.readfile(path)
    return {b.name: b.block.dxf.xref_path for b in doc.blocks if b.block.dxf.flags & 4}


def read(path):
    with open(path, "rb") as f:
        return f.read()


def main():
    cli, folder = sys.argv[1], os.path.abspath(sys.argv[2])
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    surveys, plan = make_drawings(folder)
    expected = [line.replace("%s", plan) for line in LISTED]
    failures = []

    def check(what, ok):
        print(("ok    " if ok else "FAIL  ") + what)
        if not ok:
            failures.append(what)

    for survey in surveys:
        name = os.path.basename(survey)
        alone = os.path.join(folder, "só " + name)
        err = run(cli, [survey, alone])
        check("%s: each file listed once, in order" % name, listed(err, survey) == expected)
        check("%s: references as they were" % name,
              set(xref_paths(alone).values()) == set(xref_paths(survey).values()))
        literal = os.path.join(folder, "literal " + name)
        err = run(cli, ["--literal", survey, literal])
        check("%s: --literal lists them too" % name, listed(err, survey) == expected)

    out = os.path.join(folder, "Convertidos à parte")
    err = run(cli, ["--output-dir", out] + surveys + [plan])
    converted_plan = os.path.join(out, os.path.basename(plan))
    for survey in surveys:
        name = os.path.basename(survey)
        copy = os.path.join(out, name)
        paths = xref_paths(copy)
        check("%s: relative reference to the converted plan" % name,
              paths["PLANTA"] == "base ção.dxf" and paths["PLANTA_OUTRA"] == "base ção.dxf")
        check("%s: absolute reference to the converted plan" % name,
              paths["PLANTA_FIXA"] == converted_plan)
        check("%s: the drawing not converted left as it was" % name,
              paths["VIZINHO"] == "vizinho.dwg")
        check("%s: the plan no longer listed" % name,
              listed(err, survey) == [expected[2], expected[3], expected[4]])
        told = [line for line in err.splitlines()
                if line.startswith("A referência de \"%s\"" % survey)]
        check("%s: one line per reference rewritten" % name,
              told == ["A referência de \"%s\" a \"%s\" passa a apontar para a sua cópia "
                       "convertida: \"%s\"." % (survey, source, target)
                       for source, target in (("..\\Plantas São Brás\\base ção.dxf", "base ção.dxf"),
                                              (plan, converted_plan),
                                              ("..\\Plantas São Brás\\base ção.dxf", "base ção.dxf"))])

    literal_out = os.path.join(folder, "Literal à parte")
    err = run(cli, ["--literal", "--output-dir", literal_out] + surveys + [plan])
    for survey in surveys:
        name = os.path.basename(survey)
        check("%s: --literal in a batch writes what it writes alone" % name,
              read(os.path.join(literal_out, name)) == read(os.path.join(folder, "literal " + name)))
        check("%s: --literal in a batch lists every file" % name, listed(err, survey) == expected)

    if failures:
        print("%d failed" % len(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
