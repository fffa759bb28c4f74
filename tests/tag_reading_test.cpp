// The reading under both passes on its own: the scan of line ends, the tag
// reader with plain runs read straight from its buffer, and the survey of
// blocks made before the DXF-aware pass.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "dxf/drawing_survey.hpp"
#include "dxf/line_ends.hpp"
#include "dxf/plain_tags.hpp"
#include "dxf/tag_reader.hpp"
#include "tests/test_support.hpp"

namespace kelvrin::dxf {
namespace {

// Lines of random lengths (some over two blocks) with CR LF ends, and now
// and then a lone LF or CR.
std::string random_lines(std::mt19937_64& random, int count, int irregular_in) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    const std::size_t length = random() % 8 == 0 ? random() % 200 : random() % 20;
    for (std::size_t k = 0; k < length; ++k) text += static_cast<char>('a' + random() % 26);
    const auto end = random() % static_cast<unsigned>(irregular_in);
    text += end == 0 ? "\n" : end == 1 ? "\r" : "\r\n";
  }
  return text;
}

// Every LF the scan gives ends a CR LF line that the text has, in order,
// none longer than two blocks; where it stops, the block it names really
// has another line end or none, or the text ends within a block.
TEST(CrlfLines, GivesTheCrLfLineEndsOfRegularBlocksOnly) {
  std::mt19937_64 random(11);
  for (int round = 0; round < 300; ++round) {
    const std::string text = random_lines(random, 200, round % 2 == 0 ? 1000 : 40);
    const char* const begin = text.data();
    CrlfLines lines(begin, begin + text.size());
    const char* line = begin;
    const char* lf = nullptr;
    while (lines.next(lf)) {
      ASSERT_EQ(*lf, '\n');
      ASSERT_EQ(lf[-1], '\r');
      ASSERT_EQ(
          std::string_view(line, static_cast<std::size_t>(lf - 1 - line)).find_first_of("\r\n"),
          std::string_view::npos);
      ASSERT_LT(lf - line, 2 * static_cast<std::ptrdiff_t>(CrlfLines::block));
      line = lf + 1;
    }
    const char* const irregular = lines.irregular_until();
    if (irregular != nullptr) {
      const char* const block = irregular - CrlfLines::block;
      bool other_end =
          std::string_view(block, CrlfLines::block).find('\n') == std::string_view::npos;
      // A lone CR as the block before's last byte shows in this one.
      for (const char* p = block == begin ? block : block - 1; p != irregular; ++p) {
        const bool lone_lf = *p == '\n' && (p == begin || p[-1] != '\r');
        const bool lone_cr = *p == '\r' && (p + 1 == begin + text.size() || p[1] != '\n');
        other_end = other_end || lone_lf || lone_cr;
      }
      EXPECT_TRUE(other_end);
      EXPECT_LE(line, block + 1);
    } else {
      EXPECT_LT(begin + text.size() - line, 3 * static_cast<std::ptrdiff_t>(CrlfLines::block));
    }
  }
}

TEST(FindLineEnd, IsTheFirstCrOrLf) {
  std::mt19937_64 random(5);
  for (int round = 0; round < 200; ++round) {
    const std::string text = random_lines(random, 20, 3);
    for (std::size_t from = 0; from < text.size(); from += 1 + random() % 7) {
      const std::size_t expected = std::min(text.find_first_of("\r\n", from), text.size());
      ASSERT_EQ(find_line_end(text.data() + from, text.data() + text.size()) - text.data(),
                static_cast<std::ptrdiff_t>(expected));
    }
  }
}

struct ReadTag {
  std::string code;
  std::string value;
  std::uint64_t line;
  bool operator==(const ReadTag&) const = default;
};

// The tags of `text`, read through a TagReader with `buffer_size` bytes,
// plain runs and single tags taking turns as a pass would use them.
std::vector<ReadTag> read_tags(const std::string& path, std::size_t buffer_size) {
  TagReader in(buffer_size);
  EXPECT_TRUE(in.open(PassFile(path)));
  std::vector<ReadTag> tags;
  Tag tag;
  for (int turn = 0;; ++turn) {
    in.mark();
    if (turn % 3 != 0) {
      const std::uint64_t first_line = in.last_line() + 1;
      PlainRun run(in);
      PlainTag plain;
      while (run.next(plain)) {
        tags.push_back({std::string(plain.code_line()), std::string(plain.value_line()),
                        first_line + run.line_count()});
        run.take(plain);
        if (turn % 5 == 0 && tags.size() % 7 == 0) break;  // stop before the next one
      }
    }
    if (in.next(tag) != TagReader::Next::tag) break;
    tags.push_back({std::string(in.code_text(tag)), std::string(in.value_text(tag)), tag.line});
  }
  return tags;
}

// However the reading is split between plain runs and single tags, and
// wherever the buffer ends, the tags are the file's, with their line numbers.
TEST(TagReader, PlainRunsAndSingleTagsReadTheSameTags) {
  std::mt19937_64 random(29);
  testing::TempFolder folder;
  for (int round = 0; round < 20; ++round) {
    std::vector<ReadTag> expected;
    std::string text;
    for (std::uint64_t line = 1; line < 3000; line += 2) {
      const std::string code = std::to_string(random() % 3 == 0 ? 0 : random() % 1072);
      const std::string padded = std::string(3 - std::min<std::size_t>(3, code.size()), ' ') + code;
      std::string value(random() % 8 == 0 ? random() % 150 : random() % 12, 'v');
      const bool odd_end = round % 2 == 1 && random() % 50 == 0;
      text += padded + (odd_end ? "\n" : "\r\n") + value + "\r\n";
      expected.push_back({padded, value, line});
    }
    const std::string path = folder.file("tags.dxf");
    testing::write_file(path, text);
    for (const std::size_t buffer_size :
         {std::size_t{16}, std::size_t{1000}, std::size_t{1} << 20}) {
      ASSERT_EQ(read_tags(path, buffer_size), expected) << round << " " << buffer_size;
    }
  }
}

// Which blocks the DXF-aware pass converts through their one insert, which
// move with their inserts, and which dimension blocks hold world geometry.
TEST(DrawingSurvey, DecidesEveryBlockByItsUses) {
  testing::TempFolder folder;
  const std::vector<std::string> block = {"0",  "BLOCK", "2",  "",     "70", "0",     "10", "5",
                                          "20", "6",     "0",  "LINE", "10", "1",     "20", "2",
                                          "11", "8",     "21", "9",    "0",  "ENDBLK"};
  const auto named = [&](const std::string& name, int flags = 0) {
    std::vector<std::string> lines = block;
    lines[3] = name;
    lines[5] = std::to_string(flags);
    return lines;
  };
  const auto insert = [](const std::string& name, const std::string& extra = "") {
    std::vector<std::string> lines = {"0", "INSERT", "2", name, "10", "100", "20", "200"};
    if (!extra.empty()) lines.insert(lines.end(), {"67", extra});
    return lines;
  };
  std::vector<std::string> lines = {"0", "SECTION", "2", "BLOCKS"};
  for (const auto& part :
       {named("Once"), named("Twice"), named("Paper"), named("*D1"), named("Outside", 4)}) {
    lines.insert(lines.end(), part.begin(), part.end());
  }
  lines.insert(lines.end(), {"0", "ENDSEC", "0", "SECTION", "2", "ENTITIES"});
  for (const auto& part :
       {insert("ONCE"), insert("Twice"), insert("twice"), insert("Paper", "1"), insert("Outside"),
        std::vector<std::string>{"0", "DIMENSION", "2", "*D1", "10", "0", "20", "0"}}) {
    lines.insert(lines.end(), part.begin(), part.end());
  }
  lines.insert(lines.end(), {"0", "ENDSEC", "0", "EOF"});
  const std::string path = folder.file("blocks.dxf");
  testing::write_file(path, testing::dxf_lines(lines));
  const DrawingSurvey survey = survey_drawing(path, 64);
  ASSERT_EQ(survey.blocks_placed_once.size(), 1u);
  const PlanarPoint base = survey.blocks_placed_once.at("ONCE").apply({5.0, 6.0});
  EXPECT_EQ(base.x, 100.0);
  EXPECT_EQ(base.y, 200.0);
  EXPECT_EQ(survey.shared_blocks.count("TWICE"), 1u);
  EXPECT_EQ(survey.shared_blocks.count("PAPER"), 1u);    // paper space moves it as a whole
  EXPECT_EQ(survey.shared_blocks.count("OUTSIDE"), 0u);  // an external reference
  const BlockExtent& twice = survey.shared_blocks.at("TWICE");
  EXPECT_EQ(twice.base.x, 5.0);
  EXPECT_EQ(twice.low.x, 1.0);
  EXPECT_EQ(twice.high.y, 9.0);
  EXPECT_EQ(survey.model_dimension_blocks, std::set<std::string>{"*D1"});
}

// A block is shown once when a chain of single inserts leads to it from the
// model, in whatever order BLOCKS defines them; a loop, a second insert up
// the chain or a handle from a leader, a table or a dimension style makes it
// shared.
TEST(DrawingSurvey, FollowsChainsOfInsertsAndHandles) {
  testing::TempFolder folder;
  using Lines = std::vector<std::string>;
  const auto block = [](const std::string& name, const Lines& content, const std::string& owner) {
    Lines lines = {"0", "BLOCK", "330", owner, "2", name, "70", "0", "10", "1", "20", "2"};
    lines.insert(lines.end(), {"0", "LINE", "10", "0", "20", "0", "11", "3", "21", "4"});
    lines.insert(lines.end(), content.begin(), content.end());
    lines.insert(lines.end(), {"0", "ENDBLK"});
    return lines;
  };
  const auto insert = [](const std::string& name, const std::string& x, const std::string& turn) {
    return Lines{"0", "INSERT", "2", name, "10", x, "20", "0", "41", "2", "50", turn};
  };
  Lines twice = insert("Twice", "0", "0");
  const Lines again = insert("Twice", "5", "0");
  twice.insert(twice.end(), again.begin(), again.end());
  const Lines parts[] = {
      {"0", "SECTION", "2", "TABLES", "0", "TABLE", "2", "DIMSTYLE", "0", "DIMSTYLE"},
      {"2", "Standard", "342", "17", "0", "ENDTAB"},
      {"0", "TABLE", "2", "BLOCK_RECORD", "0", "BLOCK_RECORD", "5", "1F", "2", "Pointed"},
      {"0", "ENDTAB", "0", "ENDSEC", "0", "SECTION", "2", "BLOCKS"},
      block("Arrow", {}, "17"),
      block("North", {}, "10"),  // defined before the plan that holds it
      block("Plan", insert("North", "10", "90"), "11"),
      block("Twice", {}, "12"),
      block("Plan2", twice, "16"),
      block("Loop1", insert("Loop2", "0", "0"), "13"),
      block("Loop2", insert("Loop1", "0", "0"), "14"),
      block("Pointed", {}, "15"),
      block("Tabled", insert("InTable", "0", "0"), "2A"),
      block("InTable", {}, "2B"),
      {"0", "ENDSEC", "0", "SECTION", "2", "ENTITIES"},
      insert("Plan", "100", "0"),
      insert("Plan2", "300", "0"),
      insert("Pointed", "400", "0"),
      insert("Tabled", "500", "0"),
      insert("Arrow", "600", "0"),
      {"0", "MULTILEADER", "340", "9", "344", "1f", "0", "ACAD_TABLE", "343", "2A"},
      {"0", "ENDSEC", "0", "EOF"},
  };
  Lines lines;
  for (const Lines& part : parts) lines.insert(lines.end(), part.begin(), part.end());
  const std::string path = folder.file("chains.dxf");
  testing::write_file(path, testing::dxf_lines(lines));
  const DrawingSurvey survey = survey_drawing(path, 64);

  std::set<std::string> once;
  for (const auto& [name, placement] : survey.blocks_placed_once) once.insert(name);
  EXPECT_EQ(once, (std::set<std::string>{"NORTH", "PLAN", "PLAN2"}));
  // North's (4, 2): 3 from its base, twice as wide and turned to (0, 6) by
  // the insert at (10, 0) in the plan; 9 and 4 from the plan's base, the
  // 9 twice as wide, from the plan's insert at (100, 0).
  const PlanarPoint north = survey.blocks_placed_once.at("NORTH").apply({4.0, 2.0});
  EXPECT_NEAR(north.x, 118.0, 1e-9);
  EXPECT_NEAR(north.y, 4.0, 1e-9);
  for (const char* shared : {"TWICE", "LOOP1", "LOOP2", "POINTED", "TABLED", "INTABLE", "ARROW"}) {
    EXPECT_EQ(survey.shared_blocks.count(shared), 1u) << shared;
  }
}

// A shared block's box, which its warning measures, holds its hatches'
// boundaries and seeds, read in their parts; not the hatch's elevation point.
TEST(DrawingSurvey, BoxesAHatchByItsBoundariesAndSeeds) {
  testing::TempFolder folder;
  const std::vector<std::string> lines = {
      "0",  "SECTION", "2",  "BLOCKS", "0",  "BLOCK",   "2",  "Door",     "10", "5",
      "20", "5",       "0",  "HATCH",  "10", "0",       "20", "0",        "30", "0",
      "91", "1",       "92", "2",      "72", "0",       "73", "1",        "93", "2",
      "10", "500",     "20", "400",    "10", "501",     "20", "401",      "97", "0",
      "75", "0",       "76", "1",      "98", "1",       "10", "-300",     "20", "2",
      "0",  "ENDBLK",  "0",  "ENDSEC", "0",  "SECTION", "2",  "ENTITIES", "0",  "INSERT",
      "2",  "Door",    "0",  "INSERT", "2",  "Door",    "0",  "ENDSEC",   "0",  "EOF"};
  const std::string path = folder.file("hatch.dxf");
  testing::write_file(path, testing::dxf_lines(lines));
  const DrawingSurvey survey = survey_drawing(path, 64);
  const BlockExtent& door = survey.shared_blocks.at("DOOR");
  EXPECT_EQ(door.low.x, -300.0);
  EXPECT_EQ(door.low.y, 2.0);
  EXPECT_EQ(door.high.x, 501.0);
  EXPECT_EQ(door.high.y, 401.0);
}

}  // namespace
}  // namespace kelvrin::dxf
