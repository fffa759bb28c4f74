// Large drawings are converted in pieces by helper threads. What is written
// and what is reported must be what one pass over the whole file gives,
// whatever the drawing holds where a piece begins or ends; and whatever the
// size of the read buffer.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "dxf/rewrite_dxf.hpp"
#include "tests/test_support.hpp"

namespace kelvrin::dxf {
namespace {

using testing::read_file;
using testing::write_file;

// Points and vectors told apart; far west lies outside what it covers, and
// the far north outside where it is meant to be used.
class Shift final : public transform::PointOperation {
 public:
  PointResult forward(PlanarPoint p) const override {
    if (p.x < -1e6) return {PointStatus::rejected, p};
    return {PointStatus::ok, {p.x + 0.123456, 2 * p.y - 7}, p.y > 90000};
  }
};

constexpr double far_west = -2e6;

// About `megabytes` MB of entities of every kind the passes treat apart,
// shuffled, so that pieces begin and end next to each of them; with
// `rejected_at` above zero, a point outside the operation's reach there.
std::string mixed_drawing(std::size_t megabytes, double rejected_at = 0.0) {
  std::mt19937 random(1988);
  std::string text;
  bool padded = false;  // codes right-aligned in three columns, as most writers put them
  const auto tag = [&](int code, const std::string& value, const char* end = "\r\n") {
    const std::string digits = std::to_string(code);
    text += (padded && digits.size() < 3 ? std::string(3 - digits.size(), ' ') : "") + digits +
            end + value + end;
  };
  const auto number = [&random] {
    return std::to_string(static_cast<int>(random() % 200000) - 100000) + "." +
           std::to_string(random() % 1000);
  };
  const auto point = [&](int code) {
    tag(code, number());
    tag(code + 10, number());
  };
  tag(0, "SECTION");
  tag(2, "ENTITIES");
  const std::size_t size = megabytes * 1000 * 1000;
  bool planted = rejected_at <= 0.0;
  while (text.size() < size) {
    if (!planted && static_cast<double>(text.size()) > rejected_at * static_cast<double>(size)) {
      tag(0, "LINE");
      tag(10, std::to_string(far_west));
      tag(20, "1.5");
      planted = true;
    }
    padded = random() % 2 == 0;
    switch (random() % 9) {
      case 0:
        tag(0, "LINE");
        point(10);
        point(11);
        break;
      case 1:
        tag(0, "LWPOLYLINE");
        for (auto i = random() % 30; i > 0; --i) point(10);
        break;
      case 2:
        tag(0, "POLYLINE");
        tag(70, "0");
        tag(210, "0");
        tag(220, "0");
        tag(230, "-1");
        for (auto i = random() % 6; i > 0; --i) {
          tag(0, "VERTEX");
          point(10);
        }
        tag(0, "SEQEND");
        break;
      case 3:  // a title block in paper space, then the model's text
        tag(0, "INSERT");
        tag(67, "1");
        tag(2, "CARIMBO");
        point(10);
        tag(0, "TEXT");
        point(10);
        tag(1, "Rua");
        break;
      case 4:
        tag(0, "INSERT");
        tag(67, random() % 2 == 0 ? "1" : "0");
        tag(66, "1");
        point(10);
        tag(0, "ATTRIB");
        point(10);
        tag(0, "SEQEND");
        break;
      case 5:
        tag(0, "ZZ_" + std::to_string(random() % 20));
        point(10);
        break;
      case 6:  // an X without its Y, the first one far into the drawing
        tag(0, "LINE");
        if (text.size() > size / 5 * 3) tag(10, number());
        point(11);
        break;
      case 7:  // written by another program
        tag(0, "TEXT", "\n");
        tag(10, number(), random() % 2 == 0 ? "\n" : "\r");
        tag(20, number(), "\n");
        break;
      default:
        tag(0, "MTEXT");
        point(10);
        point(11);
        break;
    }
  }
  tag(0, "ENDSEC");
  tag(0, "SECTION");
  tag(2, "OBJECTS");
  tag(0, "GEODATA");
  point(10);
  tag(0, "ENDSEC");
  tag(0, "EOF");
  return text;
}

struct Converted {
  PassResult result;
  std::string output;
};

class Pieces : public ::testing::Test {
 protected:
  Converted convert(const std::string& drawing, PassOptions options,
                    const transform::PointOperation& operation = Shift{}) {
    write_file(folder_.file("in.dxf"), drawing);
    Converted converted;
    converted.result =
        rewrite_dxf(folder_.file("in.dxf"), folder_.file("out.dxf"), operation, options);
    converted.output = read_file(folder_.file("out.dxf"));
    return converted;
  }

  // The same conversion in pieces on three helpers and in one pass.
  void expect_as_one_pass(const std::string& drawing, PassOptions options) {
    options.helper_threads = 0;
    const Converted alone = convert(drawing, options);
    if (alone.result.completed()) {
      EXPECT_GT(alone.result.report.points_outside_area, 0u);
    }
    options.helper_threads = 3;
    expect_same(convert(drawing, options), alone);
  }

  static void expect_same(const Converted& pieces, const Converted& alone) {
    EXPECT_EQ(pieces.result.failure, alone.result.failure);
    EXPECT_EQ(pieces.result.line, alone.result.line);
    EXPECT_EQ(pieces.result.source_point.x, alone.result.source_point.x);
    const PassReport& got = pieces.result.report;
    const PassReport& wanted = alone.result.report;
    EXPECT_EQ(got.unknown_entities, wanted.unknown_entities);
    EXPECT_EQ(got.unknown_types, wanted.unknown_types);
    EXPECT_EQ(got.unpaired_coordinates, wanted.unpaired_coordinates);
    EXPECT_EQ(got.first_unpaired_line, wanted.first_unpaired_line);
    EXPECT_EQ(got.unconverted_entities, wanted.unconverted_entities);
    EXPECT_EQ(got.geodata, wanted.geodata);
    EXPECT_EQ(got.points_outside_area, wanted.points_outside_area);
    EXPECT_EQ(got.first_outside_line, wanted.first_outside_line);
    EXPECT_EQ(got.first_outside_point.x, wanted.first_outside_point.x);
    EXPECT_EQ(got.first_outside_point.y, wanted.first_outside_point.y);
    EXPECT_EQ(got.bent_arcs, wanted.bent_arcs);
    EXPECT_EQ(got.first_bent_arc_line, wanted.first_bent_arc_line);
    EXPECT_EQ(got.largest_arc_miss, wanted.largest_arc_miss);
    ASSERT_EQ(got.external_files.size(), wanted.external_files.size());
    for (std::size_t i = 0; i < got.external_files.size(); ++i) {
      EXPECT_EQ(got.external_files[i].path, wanted.external_files[i].path);
    }
    if (alone.result.completed()) {
      EXPECT_TRUE(pieces.output == alone.output) << "the drawings written differ";
    }
  }

  testing::TempFolder folder_;
};

TEST_F(Pieces, WriteAndReportWhatOnePassDoes) {
  const std::string drawing = mixed_drawing(9);
  PassOptions aware;
  expect_as_one_pass(drawing, aware);
  PassOptions literal;
  literal.policy = RewritePolicy::literal;
  expect_as_one_pass(drawing, literal);
  literal.x_code_line = XCodeLine::held_for_y_pair;
  expect_as_one_pass(drawing, literal);
}

TEST_F(Pieces, AFailureFarIntoTheDrawingNamesTheSameLine) {
  const std::string drawing = mixed_drawing(9, 0.8);
  PassOptions aware;
  expect_as_one_pass(drawing, aware);
  PassOptions literal;
  literal.policy = RewritePolicy::literal;
  expect_as_one_pass(drawing, literal);
}

// Plain stretches of a drawing are read in one loop up to the end of what
// the reader holds, and the tag by tag reading goes on from there: wherever
// that hand-over falls, what is written and reported stays the same. Buffers
// of 16 bytes leave the literal pass no stretch to read so.
TEST_F(Pieces, WhereverTheReadBufferEnds) {
  for (const double rejected_at : {0.0, 0.7}) {
    const std::string drawing = mixed_drawing(1, rejected_at);
    for (const RewritePolicy policy : {RewritePolicy::dxf_aware, RewritePolicy::literal}) {
      PassOptions options;
      options.policy = policy;
      options.helper_threads = 0;
      options.buffer_size = 16;
      const Converted tag_by_tag = convert(drawing, options);
      for (const std::size_t buffer_size : {100, 1000, 4099, 65536}) {
        options.buffer_size = buffer_size;
        expect_same(convert(drawing, options), tag_by_tag);
      }
    }
  }
}

// Lines, and from past the middle of the drawing on, arcs and bulged
// polylines a kilometre across that the bending bends: each piece counts
// its own, the first one's line counted from the piece's start.
TEST_F(Pieces, BentArcsAreToldAsOnePassTellsThem) {
  std::mt19937 random(25);
  std::string text = "0\r\nSECTION\r\n2\r\nENTITIES\r\n";
  const std::size_t size = 9 * 1000 * 1000;  // large enough for pieces
  while (text.size() < size) {
    const std::string x = std::to_string(40000 + random() % 20000);
    const std::string y = std::to_string(10000 + random() % 20000);
    const bool arcs = text.size() > size / 2 && random() % 500 == 0;
    if (arcs && random() % 2 == 0) {
      text += "0\r\nARC\r\n10\r\n" + x + "\r\n20\r\n" + y + "\r\n40\r\n" +
              std::to_string(500 + random() % 1000) + "\r\n50\r\n10\r\n51\r\n140\r\n";
    } else if (arcs) {
      text += "0\r\nLWPOLYLINE\r\n90\r\n2\r\n70\r\n1\r\n10\r\n" + x + "\r\n20\r\n" + y +
              "\r\n42\r\n0.6\r\n10\r\n" + x + "\r\n20\r\n" + std::to_string(std::stoi(y) + 1500) +
              "\r\n42\r\n0.2\r\n";
    } else {
      text += "0\r\nLINE\r\n10\r\n" + x + "\r\n20\r\n" + y + "\r\n11\r\n" + y + "\r\n21\r\n" + x +
              "\r\n";
    }
  }
  text += "0\r\nENDSEC\r\n0\r\nEOF\r\n";
  PassOptions options;
  options.helper_threads = 0;
  const Converted alone = convert(text, options, testing::CubicBending{});
  ASSERT_TRUE(alone.result.completed());
  EXPECT_GT(alone.result.report.bent_arcs, 10u);
  EXPECT_GT(alone.result.report.first_bent_arc_line, 100000u);
  options.helper_threads = 3;
  expect_same(convert(text, options, testing::CubicBending{}), alone);
}

// The header says how the paths are written; a helper converting the piece
// that holds them never reads it, yet reads them as the pass alone does.
TEST_F(Pieces, ExternalFilesReadInTheHeadersEncoding) {
  std::string text =
      "0\r\nSECTION\r\n2\r\nHEADER\r\n9\r\n$ACADVER\r\n1\r\nAC1015\r\n9\r\n$DWGCODEPAGE\r\n3\r\n"
      "ANSI_1252\r\n0\r\nENDSEC\r\n0\r\nSECTION\r\n2\r\nENTITIES\r\n";
  while (text.size() < 9 * 1000 * 1000) {
    text += "0\r\nLINE\r\n10\r\n1000.5\r\n20\r\n2000.25\r\n11\r\n1500\r\n21\r\n2500\r\n";
  }
  text +=
      "0\r\nENDSEC\r\n0\r\nSECTION\r\n2\r\nOBJECTS\r\n0\r\nIMAGEDEF\r\n5\r\n2A\r\n1\r\n"
      "C:\\Obra \xC3\xA9\\ortofoto.tif\r\n0\r\nENDSEC\r\n0\r\nEOF\r\n";
  PassOptions options;
  options.helper_threads = 0;
  const Converted alone = convert(text, options);
  ASSERT_TRUE(alone.result.completed());
  ASSERT_EQ(alone.result.report.external_files.size(), 1u);
  // Two bytes that UTF-8 would read as one letter are two in Windows-1252.
  EXPECT_EQ(alone.result.report.external_files[0].path, "C:\\Obra Ã©\\ortofoto.tif");
  options.helper_threads = 3;
  expect_same(convert(text, options), alone);
}

}  // namespace
}  // namespace kelvrin::dxf
