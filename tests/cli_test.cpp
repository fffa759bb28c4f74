// kelvrin-cli end to end: the real executable, its streams and exit status.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/cli_runner.hpp"
#include "tests/test_support.hpp"

namespace kelvrin {
namespace {

using testing::dxf_lines;
using testing::read_file;
using testing::write_file;

std::string point(const std::string& x, const std::string& y) {
  return dxf_lines({"0", "SECTION", "2", "ENTITIES", "0", "POINT", "10", x, "20", y, "30", "0.0",
                    "0", "ENDSEC", "0", "EOF"});
}

class Cli : public ::testing::Test {
 protected:
  testing::TempFolder folder_;
};

TEST_F(Cli, MainlandCheckValuesThroughARealDrawing) {
  write_file(folder_.file("a.dxf"), point("100000.0", "200000.0"));
  const testing::CliRun forward = testing::run_cli(
      folder_, "--from 3763 --to datum73 " + folder_.file("a.dxf") + " " + folder_.file("b.dxf"));
  EXPECT_EQ(forward.status, 0) << forward.err;
  EXPECT_EQ(forward.out, "Criado o ficheiro: " + folder_.file("b.dxf") + "\n");
  EXPECT_EQ(read_file(folder_.file("b.dxf")), point("100005.02816", "199999.57661"));

  const testing::CliRun back =
      testing::run_cli(folder_, "--from 'Hayford-Gauss Datum 73' --to 'ETRS89 TM06' " +
                                    folder_.file("a.dxf") + " " + folder_.file("c.dxf"));
  EXPECT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(read_file(folder_.file("c.dxf")), point("99994.97187", "200000.42326"));
}

TEST_F(Cli, BatchGoesOnAfterAFailure) {
  write_file(folder_.file("one.dxf"), point("0", "0"));
  write_file(folder_.file("two.dxf"), dxf_lines({"0", "SECTION", "0"}));
  std::filesystem::create_directory(folder_.file("out"));
  const testing::CliRun run =
      testing::run_cli(folder_, "--from tm06 --to datum73 --output-dir " + folder_.file("out") +
                                    " " + folder_.file("two.dxf") + " " + folder_.file("one.dxf"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("número ímpar de linhas"), std::string::npos) << run.err;
  EXPECT_EQ(read_file(folder_.file("out/one.dxf")), point("-0.28967", "0.08867"));
  EXPECT_FALSE(std::filesystem::exists(folder_.file("out/two.dxf")));
  EXPECT_TRUE(run.out.ends_with("1 de 2 desenhos convertidos, 1 com falha.\n")) << run.out;
}

// Every usage error is one line that points at --help, exit status 2, and
// nothing written.
TEST_F(Cli, UsageErrorsAreOneLineWithTheirOwnStatus) {
  write_file(folder_.file("a.dxf"), point("0", "0"));
  const std::string files = " " + folder_.file("a.dxf") + " " + folder_.file("b.dxf");
  const std::pair<std::string, std::string> cases[] = {
      {"--to datum73" + files, "falta --from SISTEMA"},
      {"--from tm06" + files, "falta --to SISTEMA"},
      {"--from 'Datum 73' --to tm06" + files,
       "sistema desconhecido em --from: \"Datum 73\" (talvez datum73,"},
      {"--from tm06 --to lisbon" + files,
       "sistema desconhecido em --to: \"lisbon\" (talvez lisboa,"},
      {"--from tm06 --to datum73 --param-x x.txt" + files,
       "--param-x e --param-y só servem para o sistema Qualquer"},
      {"--from tm06 --to datum73 only-one.dxf", "são precisos dois ficheiros"},
      {"-v --from tm06 --to datum73" + files, "opção desconhecida: -v"},
      {"--threads 0 --from tm06 --to datum73" + files, "--threads espera um número de 1 a 64: 0"},
      {"--threads=dois --from tm06 --to datum73" + files, "--threads espera um número"},
      {"--from tm06 --to datum73 --output-dir " + folder_.path().string() + " -",
       "\"-\" não pode ser uma ENTRADA"},
  };
  for (const auto& [arguments, error] : cases) {
    const testing::CliRun run = testing::run_cli(folder_, arguments);
    EXPECT_EQ(run.status, 2) << arguments;
    EXPECT_TRUE(run.err.starts_with("kelvrin-cli: ")) << run.err;
    EXPECT_NE(run.err.find(error), std::string::npos) << run.err;
    EXPECT_TRUE(run.err.ends_with(" (ver kelvrin-cli --help)\n")) << run.err;
    EXPECT_EQ(run.out, "");
  }
  EXPECT_EQ(folder_.listing(), (std::vector<std::string>{"a.dxf"}));

  // Faial has no EPSG code of its own, so PROJ cannot stand in for a route.
  const testing::CliRun no_route = testing::run_cli(folder_, "--from faial --to datum73" + files);
  EXPECT_EQ(no_route.status, 1);
  EXPECT_NE(no_route.err.find("--list"), std::string::npos);
}

TEST_F(Cli, ShortOptionsAndQuiet) {
  EXPECT_NE(testing::run_cli(folder_, "-h").out.find("Utilização:"), std::string::npos);
  EXPECT_EQ(testing::run_cli(folder_, "-V").out, "kelvrin-cli " KELVRIN_VERSION "\n");
  write_file(folder_.file("a.dxf"), point("100000.0", "200000.0"));
  const testing::CliRun quiet =
      testing::run_cli(folder_, "-q --from tm06 --to datum73 " + folder_.file("a.dxf") + " " +
                                    folder_.file("b.dxf"));
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.out + quiet.err, "");
  EXPECT_EQ(read_file(folder_.file("b.dxf")), point("100005.02816", "199999.57661"));
}

// "-" reads standard input and writes standard output; every word of the
// program's own goes to stderr, so a pipe carries the drawing alone.
TEST_F(Cli, StandardStreams) {
  write_file(folder_.file("a.dxf"), point("100000.0", "200000.0"));
  const testing::CliRun piped =
      testing::run_cli(folder_, "--from tm06 --to lisboa - - <" + folder_.file("a.dxf"));
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_TRUE(piped.out.starts_with("0\r\nSECTION\r\n"));
  EXPECT_EQ(piped.err, "Criado o ficheiro: (saída padrão)\n");
  const testing::CliRun from_file = testing::run_cli(
      folder_, "--from tm06 --to lisboa " + folder_.file("a.dxf") + " " + folder_.file("c.dxf"));
  EXPECT_EQ(piped.out, read_file(folder_.file("c.dxf")));

  const testing::CliRun bad = testing::run_cli(folder_, "--from tm06 --to datum73 - - </dev/null");
  EXPECT_EQ(bad.status, 0);  // an empty drawing converts to an empty one
  const testing::CliRun odd =
      testing::run_cli(folder_, "--from tm06 --to datum73 - " + folder_.file("d.dxf"),
                       "printf '0\\r\\nSECTION\\r\\n2\\r\\n' |");
  EXPECT_EQ(odd.status, 1);
  EXPECT_NE(odd.err.find("O ficheiro \"(entrada padrão)\" tem um número ímpar de linhas"),
            std::string::npos)
      << odd.err;
  EXPECT_FALSE(std::filesystem::exists(folder_.file("d.dxf")));
}

// The grid files are found beside the executable itself, not beside a link
// to it or in the working folder.
TEST_F(Cli, GridFilesAreFoundBesideTheResolvedExecutable) {
  write_file(folder_.file("a.dxf"), point("100005.02816", "199999.57661"));
  std::filesystem::create_symlink(KELVRIN_CLI_PATH, folder_.file("kelvrin-link"));
  const std::string command = "cd / && " + folder_.file("kelvrin-link") +
                              " --from datum73 --to lisboa " + folder_.file("a.dxf") + " " +
                              folder_.file("b.dxf") + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(read_file(folder_.file("b.dxf")), point("100004.83775", "200001.96382"));
}

TEST_F(Cli, ListShowsAliasesAndRoutes) {
  const testing::CliRun run = testing::run_cli(folder_, "--list");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("ETRS89 TM06: tm06, 3763, EPSG:3763 (ETRS89 / Portugal TM06)"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("ETRS89 TM06 -> Hayford-Gauss Datum 73: transf_01"), std::string::npos);
}

}  // namespace
}  // namespace kelvrin
