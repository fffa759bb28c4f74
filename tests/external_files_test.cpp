// The files a drawing refers to: their paths read in the drawing's own
// encoding, listed by both policies, and a batch's references pointed to the
// converted copies.

#include "dxf/external_files.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/batch_references.hpp"
#include "dxf/rewrite_dxf.hpp"
#include "tests/test_support.hpp"

namespace kelvrin {
namespace {

using dxf::DrawingText;
using dxf::ExternalKind;
using testing::dxf_lines;
using testing::read_file;
using testing::write_file;

DrawingText text_of(const char* version, const char* code_page) {
  DrawingText text;
  text.note_header("$ACADVER", version);
  text.note_header("$DWGCODEPAGE", code_page);
  return text;
}

TEST(DrawingText, ReadsAndWritesEachEncoding) {
  const DrawingText ansi = text_of("AC1015", "ANSI_1252");
  EXPECT_EQ(ansi.readable("S\xE3o \x80 \\U+00E7\\U+0150"), "São € çŐ");
  EXPECT_EQ(ansi.written("São € ç Ő"), "S\xE3o \x80 \xE7 \\U+0150");

  // From 2007 on, UTF-8 whatever the code page says.
  const DrawingText unicode = text_of("AC1027", "ANSI_1252");
  EXPECT_EQ(unicode.readable("Ligações\\U+00C7"), "LigaçõesÇ");
  EXPECT_EQ(unicode.written("Ligações"), "Ligações");

  // A code page this program does not read: marked, and written escaped.
  const DrawingText cyrillic = text_of("AC1015", "ANSI_1251");
  EXPECT_EQ(cyrillic.readable("a\xE3"), "a\xEF\xBF\xBD");
  EXPECT_EQ(cyrillic.written("ã"), "\\U+00E3");

  // No header: UTF-8 when the bytes are, else Windows-1252.
  const DrawingText unsaid;
  EXPECT_EQ(unsaid.readable("ção"), "ção");
  EXPECT_EQ(unsaid.readable("\xE7\xE3o"), "ção");
}

// The batch of kelvrin-cli: inputs in two folders, outputs in a third.
TEST(BatchReferences, PointsToTheConvertedCopyOfADrawingOfTheRun) {
  testing::TempFolder folder;
  const std::string a = folder.file("obra/a.dxf");
  const std::string b = folder.file("plantas/b.dxf");
  const std::vector<core::BatchDrawing> batch = {{a, folder.file("out/a.dxf")},
                                                 {b, folder.file("out/b.dxf")}};
  const core::BatchReferences references(a, folder.file("out/a.dxf"), batch);

  EXPECT_EQ(references.converted("..\\plantas\\b.dxf"), "b.dxf");
  EXPECT_EQ(references.converted("../obra/../plantas/b.dxf"), "b.dxf");
  EXPECT_EQ(references.converted(".\\a.dxf"), ".\\a.dxf");
  EXPECT_EQ(references.converted(b), folder.file("out/b.dxf"));
  EXPECT_EQ(references.converted("../plantas/c.dxf"), "");
  EXPECT_EQ(references.converted("b.dxf"), "");
  // Only Windows names files without regard to case.
  EXPECT_EQ(references.converted("../PLANTAS/B.DXF"), testing::on_windows ? "b.dxf" : "");

  // A converted drawing elsewhere than the copies it refers to.
  const core::BatchReferences deeper(b, folder.file("out/sub/b.dxf"), batch);
  EXPECT_EQ(deeper.converted("../obra/a.dxf"), "../a.dxf");
}

std::vector<std::string> drawing(const std::string& xref_path) {
  return {"0",  "SECTION",  "2",  "HEADER",        "9",  "$ACADVER",
          "1",  "AC1015",   "9",  "$DWGCODEPAGE",  "3",  "ANSI_1252",
          "0",  "ENDSEC",   "0",  "SECTION",       "2",  "BLOCKS",
          "0",  "BLOCK",    "2",  "PLANTA",        "70", "4",
          "10", "0.0",      "20", "0.0",           "1",  xref_path,
          "0",  "ENDBLK",   "0",  "BLOCK",         "2",  "LEGENDA",
          "70", "0",        "10", "0.0",           "20", "0.0",
          "1",  "notas",    "0",  "ENDBLK",        "0",  "ENDSEC",
          "0",  "SECTION",  "2",  "ENTITIES",      "0",  "POINT",
          "10", "1.0",      "20", "2.0",           "0",  "ENDSEC",
          "0",  "SECTION",  "2",  "OBJECTS",       "0",  "IMAGEDEF",
          "1",  "foto.jpg", "10", "640.0",         "0",  "IMAGEDEF",
          "1",  "foto.jpg", "0",  "PDFDEFINITION", "1",  "S\xE3o Br\xE1s.pdf",
          "2",  "1",        "0",  "ENDSEC",        "0",  "EOF"};
}

class Shift final : public transform::PointOperation {
 public:
  transform::PointResult forward(transform::PlanarPoint p) const override {
    return {transform::PointStatus::ok, {p.x + 10, p.y + 20}};
  }
};

class OneTarget final : public dxf::ReferenceTargets {
 public:
  std::string converted(std::string_view path) const override {
    return path == "..\\Ligações\\base.dxf" ? "Convertidos\\base ã.dxf" : "";
  }
};

TEST(ExternalFiles, ListedByBothPoliciesAndPointedToTheirCopies) {
  testing::TempFolder folder;
  write_file(folder.file("in.dxf"), dxf_lines(drawing("..\\Liga\xE7\xF5"
                                                      "es\\base.dxf")));
  // Each file as "kind path".
  const auto paths = [](const dxf::PassResult& result) {
    std::vector<std::string> listed;
    for (const auto& file : result.report.external_files) {
      listed.push_back(std::to_string(static_cast<int>(file.kind)) + " " + file.path);
    }
    return listed;
  };
  const std::vector<std::string> expected_paths = {"0 ..\\Ligações\\base.dxf", "1 foto.jpg",
                                                   "2 São Brás.pdf"};

  const dxf::PassResult aware =
      dxf::rewrite_dxf(folder.file("in.dxf"), folder.file("aware.dxf"), Shift{});
  ASSERT_TRUE(aware.completed());
  EXPECT_EQ(paths(aware), expected_paths);

  dxf::PassOptions literal_options;
  literal_options.policy = dxf::RewritePolicy::literal;
  literal_options.list_external_files = true;
  const dxf::PassResult literal =
      dxf::rewrite_dxf(folder.file("in.dxf"), folder.file("literal.dxf"), Shift{}, literal_options);
  ASSERT_TRUE(literal.completed());
  EXPECT_EQ(paths(literal), expected_paths);

  // Pointed to its copy, the reference is written in the drawing's code
  // page and is no longer listed; nothing else of the drawing changes.
  const OneTarget target;
  dxf::PassOptions batch_options;
  batch_options.references = &target;
  const dxf::PassResult batch =
      dxf::rewrite_dxf(folder.file("in.dxf"), folder.file("batch.dxf"), Shift{}, batch_options);
  ASSERT_TRUE(batch.completed());
  EXPECT_EQ(paths(batch),
            std::vector<std::string>(expected_paths.begin() + 1, expected_paths.end()));
  ASSERT_EQ(batch.report.moved_references.size(), 1u);
  EXPECT_EQ(batch.report.moved_references[0].from, "..\\Ligações\\base.dxf");
  EXPECT_EQ(batch.report.moved_references[0].to, "Convertidos\\base ã.dxf");
  write_file(folder.file("moved.dxf"), dxf_lines(drawing("Convertidos\\base \xE3.dxf")));
  dxf::rewrite_dxf(folder.file("moved.dxf"), folder.file("expected.dxf"), Shift{});
  EXPECT_EQ(read_file(folder.file("batch.dxf")), read_file(folder.file("expected.dxf")));
}

// The second read of a literal conversion passes over the entities by a
// search for their ENDSEC: a text that says ENDSEC is no end, and wherever
// the reader's buffer ends the same files are found.
TEST(ExternalFiles, TheLiteralListingFindsTheEndOfTheEntities) {
  testing::TempFolder folder;
  std::vector<std::string> lines = drawing("base.dxf");
  const auto entities = std::find(lines.begin(), lines.end(), "ENTITIES");
  ASSERT_NE(entities, lines.end());
  std::vector<std::string> decoys;
  for (int i = 0; i < 200; ++i) {
    decoys.insert(decoys.end(), {"0", "TEXT", "10", "1.0", "20", "2.0", "1", "ENDSEC", "0", "MTEXT",
                                 "1", "  ENDSEC", "3", "ENDSECTION"});
  }
  lines.insert(entities + 1, decoys.begin(), decoys.end());
  write_file(folder.file("in.dxf"), dxf_lines(lines));
  for (const std::size_t buffer_size : {16, 100, 1000, 65536}) {
    const auto files = dxf::list_external_files(folder.file("in.dxf"), buffer_size);
    ASSERT_EQ(files.size(), 3u) << buffer_size;
    EXPECT_EQ(files[0].path, "base.dxf");
    EXPECT_EQ(files[2].path, "São Brás.pdf");
  }
}

}  // namespace
}  // namespace kelvrin
