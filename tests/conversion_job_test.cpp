#include "core/conversion_job.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/catalogue.hpp"
#include "platform/utf8_path.hpp"
#include "tests/test_support.hpp"
#include "transform/proj_library.hpp"

namespace kelvrin::core {
namespace {

using testing::dxf_lines;
using testing::read_file;
using testing::write_file;
using Messages = std::vector<std::string>;
namespace names = system_names;

const std::string point_drawing =
    dxf_lines({"0", "SECTION", "2", "ENTITIES", "0", "POINT", "10", "100000.0", "20", "200000.0",
               "30", "0.0", "0", "ENDSEC", "0", "EOF"});
const std::string converted_point =
    dxf_lines({"0", "SECTION", "2", "ENTITIES", "0", "POINT", "10", "100005.02816", "20",
               "199999.57661", "30", "0.0", "0", "ENDSEC", "0", "EOF"});

class ConversionJob : public ::testing::Test {
 protected:
  ConversionOutcome run(std::string source, std::string target, std::string input,
                        std::string output, std::string param_x = "", std::string param_y = "") {
    return run_conversion(host_, {folder_.path(), dxf::RewritePolicy::literal},
                          {std::move(source), std::move(target), std::move(input),
                           std::move(output), std::move(param_x), std::move(param_y)});
  }

  testing::TempFolder folder_;
  testing::RecordingHost host_;
  std::string input_ = folder_.file("planta.dxf");
  std::string output_ = folder_.file("saida.dxf");
};

TEST_F(ConversionJob, ChecksNeedASourceName) {
  EXPECT_EQ(run("", "", "", ""), ConversionOutcome::refused);
  EXPECT_EQ(host_.messages(), (Messages{"Definir o Sistema 1 !!", "Definir o Sistema 2 !!"}));
  EXPECT_EQ(host_.events.back(), "normal");
}

TEST_F(ConversionJob, QualquerWithNoPathsShowsAllFourChecksInOrder) {
  EXPECT_EQ(run("Qualquer", "", "", ""), ConversionOutcome::refused);
  EXPECT_EQ(host_.messages(), (Messages{"Escolher o ficheiro DXF no Sistema 1!!",
                                        "Definir o ficheiro DXF no Sistema 2!!",
                                        "Definir o ficheiro de parâmetros em X!!",
                                        "Definir o ficheiro de parâmetros em Y!!"}));
}

TEST_F(ConversionJob, OnlyTheFailedCheckIsShown) {
  run(std::string(names::datum_73), std::string(names::etrs89_tm06), "", output_);
  EXPECT_EQ(host_.messages(), (Messages{"Escolher o ficheiro DXF no Sistema 1!!"}));
}

TEST_F(ConversionJob, EmptyTargetIsReported) {
  write_file(input_, point_drawing);
  EXPECT_EQ(run(std::string(names::datum_73), "", input_, output_), ConversionOutcome::no_route);
  EXPECT_EQ(host_.messages(), (Messages{"Definir o Sistema 2 !!"}));
}

TEST_F(ConversionJob, PairWithoutRouteEndsSilently) {
  write_file(input_, point_drawing);
  EXPECT_EQ(run(std::string(names::datum_73), std::string(names::utm26_itrf93), input_, output_),
            ConversionOutcome::no_route);
  EXPECT_EQ(host_.events, (std::vector<std::string>{"normal"}));
  EXPECT_FALSE(std::filesystem::exists(output_));
}

TEST_F(ConversionJob, NamesAreComparedExactly) {
  for (const std::string source : {"ETRS89 TM06 ", "etrs89 tm06", "UTM 26 ITRF93"}) {
    host_.events.clear();
    run(source, std::string(names::datum_73), input_, output_);
    EXPECT_EQ(host_.messages(), (Messages{"Definir o Sistema 1 !!"})) << source;
  }
}

TEST_F(ConversionJob, OneStepRouteCompletesAndClosesTheWindow) {
  write_file(input_, point_drawing);
  // Used as entered, blank included; Windows refuses such a name (the
  // Windows tests show how).
  const std::string typed_output = output_ + (testing::on_windows ? "" : " ");
  EXPECT_EQ(
      run(std::string(names::etrs89_tm06), std::string(names::datum_73), input_, typed_output),
      ConversionOutcome::completed);
  EXPECT_EQ(read_file(typed_output), converted_point);
  EXPECT_EQ(read_file(input_), point_drawing);
  EXPECT_EQ(host_.events,
            (std::vector<std::string>{
                "busy", "normal", "message [Veltra - Kelvrin] Criado o ficheiro: " + typed_output,
                "close"}));
  EXPECT_EQ(folder_.listing(),
            (std::vector<std::string>{
                "planta.dxf", platform::utf8_of(platform::path_of(typed_output).filename())}));
}

TEST_F(ConversionJob, OutputMayBeTheInputItself) {
  write_file(input_, point_drawing);
  EXPECT_EQ(run(std::string(names::etrs89_tm06), std::string(names::datum_73), input_, input_),
            ConversionOutcome::completed);
  EXPECT_EQ(read_file(input_), converted_point);
  EXPECT_EQ(folder_.listing(), (std::vector<std::string>{"planta.dxf"}));
}

TEST_F(ConversionJob, ReplacedOutputKeepsItsPermissions) {
  if (testing::on_windows) GTEST_SKIP() << "Windows keeps an access list, not mode bits";
  write_file(input_, point_drawing);
  write_file(output_, "old");
  std::filesystem::permissions(output_, std::filesystem::perms(0640));
  run(std::string(names::etrs89_tm06), std::string(names::datum_73), input_, output_);
  EXPECT_EQ(std::filesystem::status(output_).permissions(), std::filesystem::perms(0640));
}

// A host that asks for nothing more, as the window, has a ballpark operation
// refused; allowed, what it is worth is told after the completion.
TEST_F(ConversionJob, ABallparkOperationOnlyWhenTheRequestAllowsIt) {
  write_file(input_, point_drawing);
  ConversionRequest request{"EPSG:27493", "EPSG:5015", input_, output_, "", ""};
  request.proj_systems = true;
  if (transform::ProjError why; !transform::proj_library(why))
    GTEST_SKIP() << "PROJ is not beside this program";
  EXPECT_EQ(run_conversion(host_, {folder_.path()}, request), ConversionOutcome::failed);
  ASSERT_EQ(host_.messages().size(), 1u);
  EXPECT_TRUE(host_.messages()[0].starts_with(
      "Conversão de \"EPSG:27493\" para \"EPSG:5015\" recusada: o PROJ só conhece a "
      "transformação aproximada \"Inverse of Modified Portuguese Grid + Ballpark"))
      << host_.messages()[0];
  EXPECT_EQ(folder_.listing(), (std::vector<std::string>{"planta.dxf"}));

  host_.events.clear();
  request.allow_ballpark = true;
  request.source_name = std::string(names::datum_73);
  request.target_name = std::string(names::utm26_itrf93);
  EXPECT_EQ(run_conversion(host_, {folder_.path()}, request), ConversionOutcome::completed);
  const Messages told = host_.messages();
  ASSERT_EQ(told.size(), 3u);
  EXPECT_TRUE(
      told[0].starts_with("Transformação do PROJ de \"Hayford-Gauss Datum 73\" para "
                          "\"UTM 26 ITRF93\": "))
      << told[0];
  EXPECT_EQ(told[1], "Criado o ficheiro: " + output_);
  EXPECT_TRUE(
      told[2].starts_with("Aviso: a conversão de \"Hayford-Gauss Datum 73\" para "
                          "\"UTM 26 ITRF93\" usou a transformação aproximada"))
      << told[2];
  EXPECT_EQ(host_.events.back(), "close");
}

// For every way a route can fail, the user is told why, the input and a file
// already at the output path are as before, and no file of ours is left.
struct FailureCase {
  const char* name;
  std::string input_bytes;  // empty: no input file at all
  const char* output_name;
  const char* message_part;
  friend void PrintTo(const FailureCase& row, std::ostream* out) { *out << row.name; }
};

class RouteFailure : public ConversionJob, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(RouteFailure, LosesNothing) {
  const FailureCase& failure = GetParam();
  if (!failure.input_bytes.empty()) write_file(input_, failure.input_bytes);
  const std::string output = folder_.file(failure.output_name);
  if (std::string(failure.output_name) == "saida.dxf") write_file(output, "previous drawing");
  if (std::string(failure.output_name) == "pasta") std::filesystem::create_directory(output);
  const auto before = folder_.listing();

  // A folder is refused before the conversion starts; the rest fail in it.
  EXPECT_EQ(run(std::string(names::etrs89_tm06), std::string(names::datum_73), input_, output),
            std::string(failure.output_name) == "pasta" ? ConversionOutcome::refused
                                                        : ConversionOutcome::failed);

  ASSERT_EQ(host_.messages().size(), 1u);
  EXPECT_NE(host_.messages()[0].find(failure.message_part), std::string::npos)
      << host_.messages()[0];
  EXPECT_EQ(folder_.listing(), before);
  if (!failure.input_bytes.empty()) {
    EXPECT_EQ(read_file(input_), failure.input_bytes);
  }
  if (std::string(failure.output_name) == "saida.dxf") {
    EXPECT_EQ(read_file(output), "previous drawing");
  }
  EXPECT_EQ(host_.events.back(), "normal");
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RouteFailure,
    ::testing::Values(FailureCase{"missing_input", "", "saida.dxf", "não existe"},
                      FailureCase{"odd_line_count", dxf_lines({"0", "SECTION", "0"}), "saida.dxf",
                                  "número ímpar de linhas: a linha 3"},
                      FailureCase{"number_too_large",
                                  dxf_lines({"2", "ENTITIES", "10", "1e999", "20", "0"}),
                                  "saida.dxf", "Número demasiado grande na linha 4"},
                      FailureCase{"arithmetic",
                                  dxf_lines({"2", "ENTITIES", "10", "1e300", "20", "0"}),
                                  "saida.dxf", "Erro aritmético"},
                      FailureCase{"binary", std::string("AutoCAD Binary DXF\r\n\x1a", 21),
                                  "saida.dxf", "DXF binário"},
                      FailureCase{"output_folder_missing", point_drawing, "nenhuma/saida.dxf",
                                  "nenhuma/saida.dxf"},
                      FailureCase{"output_is_a_folder", point_drawing, "pasta", "é uma pasta"}),
    testing::CaseName());

}  // namespace
}  // namespace kelvrin::core
