// "Qualquer": the parameter-file reader and the user-defined conversion.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/conversion_job.hpp"
#include "tests/test_support.hpp"
#include "transform/parameter_file.hpp"

namespace kelvrin {
namespace {

using testing::dxf_lines;
using testing::read_file;
using testing::write_file;
using Messages = std::vector<std::string>;

const std::string drawing =
    dxf_lines({"0", "SECTION", "2", "ENTITIES", "0", "LINE", "10", "100000.0", "20", "200000.0",
               "11", "-12.5", "21", "7", "0", "EOF"});

// Coefficients of the ETRS89 TM06 -> Datum 73 polynomial, as published.
const char* const transf_01_x =
    "\"ETRS89 TM06 - Datum 73\",\"eixo X\",X\n0,0\n0,0\n200000,300000\n"
    "-0.289668974294758\n200001.27734443\n5.64530095899816\n-0.763567042558132\n"
    "1.4478460420534\n1.40377501273145\n";
const char* const transf_01_y =
    "\"ETRS89 TM06 - Datum 73\",\"eixo Y\",Y\n0,0\n0,0\n200000,300000\n"
    "0.088665491830128 -3.68625888548256 300002.234428869 -0.358351440787635 "
    "-1.8313445194994 1.21835116863588\n";

class Qualquer : public ::testing::Test {
 protected:
  core::ConversionOutcome run(const std::string& x_path, const std::string& y_path,
                              const std::string& target = "Qualquer") {
    return core::run_conversion(host_, {folder_.path(), dxf::RewritePolicy::literal},
                                {"Qualquer", target, input_, output_, x_path, y_path});
  }
  std::string file(const std::string& name, const std::string& text) {
    write_file(folder_.file(name), text);
    return folder_.file(name);
  }

  testing::TempFolder folder_;
  testing::RecordingHost host_;
  std::string input_ = file("in.dxf", drawing);
  std::string output_ = folder_.file("out.dxf");
};

TEST_F(Qualquer, OfficialCoefficientsConvertExactlyAsTheBuiltInSet) {
  ASSERT_EQ(run(file("x.txt", transf_01_x), file("y.txt", transf_01_y)),
            core::ConversionOutcome::completed);
  const std::string by_parameters = read_file(output_);

  testing::RecordingHost other;
  core::run_conversion(
      other, {folder_.path(), dxf::RewritePolicy::literal},
      {"ETRS89 TM06", "Hayford-Gauss Datum 73", input_, folder_.file("b.dxf"), "", ""});
  EXPECT_EQ(by_parameters, read_file(folder_.file("b.dxf")));
  EXPECT_NE(by_parameters.find("100005.02816"), std::string::npos);
  // Silent: no message, the window stays open.
  EXPECT_EQ(host_.events, (std::vector<std::string>{"busy", "normal", "normal"}));
}

TEST_F(Qualquer, IdentityRewritesWithFiveDecimalsAndEmptyTargetIsReportedAfterwards) {
  ASSERT_EQ(run(file("x.txt", "a,b,x\n0,0,0,0,1,1,0,1,0,0,0,0"),
                file("y.txt", "a,b,y\n0,0,0,0,1,1,0,0,1,0,0,0"), ""),
            core::ConversionOutcome::completed);
  EXPECT_EQ(read_file(output_),
            dxf_lines({"0", "SECTION", "2", "ENTITIES", "0", "LINE", "10", "100000.00000", "20",
                       "200000.00000", "11", "-12.50000", "21", "7.00000", "0", "EOF"}));
  EXPECT_EQ(host_.messages(), (Messages{"Definir o Sistema 2 !!"}));
}

TEST_F(Qualquer, MarkersAreCheckedInOrder) {
  const std::string x = file("x.txt", transf_01_x);
  const std::string y = file("y.txt", transf_01_y);
  const Messages x_error = {"Erro! Esperado 'X' no ficheiro de parâmetros -X"};
  const Messages y_error = {"Erro! Esperado 'Y' no ficheiro de parâmetros -Y"};

  run(x, x);
  EXPECT_EQ(host_.messages(), y_error);
  host_.events.clear();
  run(y, x);
  EXPECT_EQ(host_.messages(), x_error);
  host_.events.clear();
  // The Y file is not even opened once the X file is wrong.
  run(y, folder_.file("missing.txt"));
  EXPECT_EQ(host_.messages(), x_error);
  EXPECT_EQ(host_.events[1], "message [Veltra - Kelvrin] " + x_error[0]);
  EXPECT_FALSE(std::filesystem::exists(output_));
  EXPECT_FALSE(std::filesystem::exists(input_ + "_tmp"));
}

TEST_F(Qualquer, OnlyTheYFileNormalisationCounts) {
  const std::string x =
      std::string(transf_01_x).replace(std::string(transf_01_x).find("200000,"), 7, "0,");
  ASSERT_EQ(run(file("x.txt", x), file("y.txt", transf_01_y)), core::ConversionOutcome::completed);
  EXPECT_NE(read_file(output_).find("100005.02816"), std::string::npos);
}

TEST_F(Qualquer, ZeroScaleInTheYFileIsAnArithmeticFailureThatLosesNothing) {
  write_file(output_, "previous");
  const std::string y =
      std::string(transf_01_y).replace(std::string(transf_01_y).find("200000,"), 7, "0,");
  EXPECT_EQ(run(file("x.txt", transf_01_x), file("y.txt", y)), core::ConversionOutcome::failed);
  ASSERT_EQ(host_.messages().size(), 1u);
  EXPECT_NE(host_.messages()[0].find("Erro aritmético"), std::string::npos);
  EXPECT_EQ(read_file(output_), "previous");
  EXPECT_FALSE(std::filesystem::exists(input_ + "_tmp"));
}

TEST_F(Qualquer, UnusableParameterFilesAreRefusedBeforeAnyDrawingIsOpened) {
  const std::string y = file("y.txt", transf_01_y);
  run(file("short.txt", "a,b,X\n1,2,3"), y);
  run(file("word.txt", "a,b,X\n1,2,3,4,um,6,7,8,9,10,11,12"), y);
  run(folder_.file("absent.txt"), y);
  EXPECT_EQ(host_.messages(),
            (Messages{"O ficheiro de parâmetros \"" + folder_.file("short.txt") +
                          "\" termina antes do campo 7 (são precisos 15 campos).",
                      "O campo 8 do ficheiro de parâmetros \"" + folder_.file("word.txt") +
                          "\" não é um número: \"um\".",
                      "Não foi possível abrir o ficheiro de parâmetros \"" +
                          folder_.file("absent.txt") + "\" (o ficheiro ou a pasta não existe)."}));
  EXPECT_FALSE(std::filesystem::exists(output_));
}

TEST(ParameterFile, FieldsSpreadOverLinesReadTheSame) {
  testing::TempFolder folder;
  const std::vector<std::string> layouts = {
      "\"um, dois\",\"tres\",X\n1,2\n3,4\n5,6\n7\n8\n9\n10\n11\n12\n",
      "  livre  \n\n outro,  X  \r\n1 2 3 4 5 6\r\n7 8 9 10 11 12 13 14 15\r\n",
      "\"a\"ignored, b ,\"X\"\n1,\n2\n3\t4, 5 ,6 7,8,9,10,11,12",
      // Blank lines enough that a quoted field and the numbers after it
      // straddle the first block read from the disk.
      std::string(16380, '\n') + "\"um, dois\",tres,X,1,2,3,4,5,6,7,8,9,10,11,12",
  };
  for (const std::string& layout : layouts) {
    write_file(folder.file("p.txt"), layout);
    const auto read = transform::read_parameter_file(folder.file("p.txt"));
    ASSERT_EQ(read.error, transform::ParameterFileError::none) << layout;
    EXPECT_EQ(read.file.marker, "X");
    EXPECT_EQ(read.file.xc, 1.0);
    EXPECT_EQ(read.file.sy, 6.0);
    EXPECT_EQ(read.file.coefficients, (std::array<double, 6>{7, 8, 9, 10, 11, 12}));
  }
}

TEST(ParameterFile, NumbersMustBeWholeDecimalNumbers) {
  testing::TempFolder folder;
  for (const char* bad : {"inf", "nan", "0x10", "1e999", "1.5.2", "-", "1,5x", "+-5", "-+5"}) {
    write_file(folder.file("p.txt"), std::string("a,b,X,") + bad + ",0,0,0,1,1,0,0,0,0,0,0");
    const auto read = transform::read_parameter_file(folder.file("p.txt"));
    EXPECT_EQ(read.error, transform::ParameterFileError::not_a_number) << bad;
  }
  write_file(folder.file("p.txt"), "a,b,X,+1.5e3,-.5,0,0,1,1,0,0,0,0,0,0");
  const auto read = transform::read_parameter_file(folder.file("p.txt"));
  EXPECT_EQ(read.file.xc, 1500.0);
  EXPECT_EQ(read.file.yc, -0.5);
}

// A field beyond the bound is refused as a whole, never read by its beginning.
TEST(ParameterFile, AnOverLongFieldIsRefusedNamingIt) {
  testing::TempFolder folder;
  const std::string digits(transform::longest_parameter_field + 1, '1');
  for (int field : {3, 7}) {
    std::string text;
    for (int i = 1; i <= 15; ++i) {
      text += i == field ? digits : i == 3 ? "X" : "1";
      text += ',';
    }
    write_file(folder.file("p.txt"), text);
    const auto read = transform::read_parameter_file(folder.file("p.txt"));
    EXPECT_EQ(read.error, transform::ParameterFileError::too_long);
    EXPECT_EQ(read.field, field);
  }
}

}  // namespace
}  // namespace kelvrin
