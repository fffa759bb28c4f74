// kelvrin-cli end to end: the real executable, its streams and exit status.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/cli_options.hpp"
#include "core/messages.hpp"
#include "platform/file_pattern.hpp"
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
      {"--threads 0 --from tm06 --to datum73" + files,
       "--threads espera um número inteiro positivo: 0"},
      {"--threads=dois --from tm06 --to datum73" + files, "--threads espera um número"},
      {"--from tm06 --to datum73 --output-dir " + folder_.path().string() + " -",
       "\"-\" não pode ser uma ENTRADA"},
      {"--from qualquer" + files, "o sistema Qualquer precisa de --param-x FICHEIRO e --param-y"},
      {"--from qualquer --param-x x.txt" + files, "o sistema Qualquer precisa de --param-x"},
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

// The batch's folder is made when it is missing, but only its last level:
// a mistyped parent is told by name and nothing is made.
TEST_F(Cli, OutputFolderIsMadeOneLevelDeep) {
  write_file(folder_.file("a.dxf"), point("100000.0", "200000.0"));
  write_file(folder_.file("b.dxf"), point("0", "0"));
  const std::string inputs = " " + folder_.file("a.dxf") + " " + folder_.file("b.dxf");
  const testing::CliRun made =
      testing::run_cli(folder_, "--from tm06 --to datum73 --threads 64 --output-dir " +
                                    folder_.file("out") + inputs);
  EXPECT_EQ(made.status, 0) << made.err;
  EXPECT_TRUE(made.out.starts_with("Criada a pasta: " + folder_.file("out") + "\n")) << made.out;
  EXPECT_EQ(read_file(folder_.file("out/a.dxf")), point("100005.02816", "199999.57661"));
  // Once there, it is used as it is.
  const testing::CliRun again = testing::run_cli(
      folder_, "-q --from tm06 --to datum73 --output-dir " + folder_.file("out") + inputs);
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.out + again.err, "");

  const testing::CliRun deep = testing::run_cli(
      folder_, "--from tm06 --to datum73 --output-dir " + folder_.file("no/out") + inputs);
  EXPECT_EQ(deep.status, 1);
  EXPECT_EQ(deep.err, "kelvrin-cli: não foi possível criar a pasta de saída " +
                          folder_.file("no/out") + ": a pasta " + folder_.file("no") +
                          " não existe\n");
  EXPECT_EQ(deep.out, "");
  const testing::CliRun on_file = testing::run_cli(
      folder_, "--from tm06 --to datum73 --output-dir " + folder_.file("b.dxf/out") + inputs);
  EXPECT_EQ(on_file.status, 1);
  EXPECT_NE(on_file.err.find(": " + folder_.file("b.dxf") + " não é uma pasta"), std::string::npos)
      << on_file.err;
  EXPECT_EQ(folder_.listing(), (std::vector<std::string>{"a.dxf", "b.dxf", "out"}));
}

// What Windows leaves to the program: the patterns among the file
// arguments, with a stand-in for the system's search.
// What a fault leaves on standard error, the same for every program but
// its name.
TEST(LastWords, NameTheProgram) {
  const std::string said =
      ": erro interno ou memória insuficiente: a conversão foi interrompida e os seus ficheiros "
      "removidos.\n";
  EXPECT_EQ(std::string(core::messages::last_words("kelvrin-cli")), "kelvrin-cli" + said);
  EXPECT_EQ(std::string(core::messages::last_words("kelvrin")), "kelvrin" + said);
}

TEST(FilePatterns, ExpandedAmongTheFileArguments) {
  const app::FilePatterns patterns = [](const std::string& argument) {
    std::optional<std::vector<std::string>> names;
    if (argument == "*.dxf") names = std::vector<std::string>{"a.dxf", "b.dxf"};
    if (argument == "c?.dxf") names.emplace();
    return names;
  };
  const auto batch = app::parse_command_line(
      {"--from", "tm06", "--to", "datum73", "--output-dir", "*.dxf", "*.dxf", "z.dxf"}, patterns);
  ASSERT_TRUE(batch.options) << batch.error;
  EXPECT_EQ(*batch.options->output_folder, "*.dxf");  // an option's value is taken as typed
  EXPECT_EQ(batch.options->inputs, (std::vector<std::string>{"a.dxf", "b.dxf", "z.dxf"}));

  const auto none = app::parse_command_line(
      {"--from", "tm06", "--to", "datum73", "--output-dir", "out", "c?.dxf"}, patterns);
  EXPECT_FALSE(none.options);
  EXPECT_EQ(none.error, "nenhum ficheiro corresponde a \"c?.dxf\"");
  // Two files from one pattern are not an input and an output.
  const auto single =
      app::parse_command_line({"--from", "tm06", "--to", "datum73", "*.dxf"}, patterns);
  ASSERT_TRUE(single.options) << single.error;
  EXPECT_EQ(single.options->inputs, (std::vector<std::string>{"a.dxf"}));
  EXPECT_EQ(single.options->output, "b.dxf");
}

TEST(FilePatterns, MatchedAsWindowsMatchesNames) {
  const struct {
    const char* pattern;
    const char* name;
    bool matches;
  } cases[] = {
      {"*.dxf", "planta.dxf", true},
      {"*.dxf", "PLANTA.DXF", true},
      {"*.dxf", "planta.dxf2", false},
      {"*.dxf", ".dxf", true},
      {"p?anta.dxf", "planta.dxf", true},
      {"p?anta.dxf", "pçanta.dxf", true},
      {"p?anta.dxf", "panta.dxf", false},
      {"*a*a*.dxf", "casa_nova.dxf", true},
      {"*a*a*.dxf", "casa.dwg", false},
      {"*", "", true},
      {"a*b", "aXbXb", true},
      {"a*b", "aXbX", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::matches_file_pattern(c.pattern, c.name), c.matches)
        << c.pattern << " " << c.name;
  }
#ifndef _WIN32
  // The shell's work on POSIX: a pattern that reaches the program is a name.
  EXPECT_FALSE(platform::expand_file_pattern("*.dxf"));
#endif
}

// A drawing drawn in millimetres lands a thousand times too far from the
// origin: the official routes convert it, and say so after completion with
// the first point's place, and the units the header gives.
TEST_F(Cli, PointsOutsideAnOfficialRoutesAreaAreTold) {
  const auto drawing = [](const std::string& units, const std::string& x, const std::string& y) {
    return dxf_lines({"0",  "SECTION",  "2",  "HEADER",   "9", "$INSUNITS", "70", units,
                      "0",  "ENDSEC",   "0",  "SECTION",  "2", "ENTITIES",  "0",  "POINT",
                      "10", "100000.0", "20", "200000.0", "0", "POINT",     "10", x,
                      "20", y,          "0",  "ENDSEC",   "0", "EOF"});
  };
  const std::string input = folder_.file("mm.dxf");
  const std::string files = " " + input + " " + folder_.file("out.dxf");
  write_file(input, drawing("4", "-87412350.0", "-105934120.0"));
  const testing::CliRun mm = testing::run_cli(folder_, "--from tm06 --to datum73" + files);
  EXPECT_EQ(mm.status, 0) << mm.err;
  EXPECT_EQ(mm.err,
            "Aviso: 1 ponto(s) de \"" + input +
                "\" fora da área de uso da transformação de \"ETRS89 TM06\" para "
                "\"Hayford-Gauss Datum 73\" (o primeiro, (-87412350;-105934120), na linha 23) "
                "foram convertidos, mas o resultado aí pode não ser fiável.\n"
                "Aviso: o desenho \"" +
                input +
                "\" diz estar em milímetros ($INSUNITS = 4), mas as suas coordenadas foram lidas "
                "como metros: só estão certas se o desenho foi de facto desenhado em metros.\n");

  // Metres and no units say nothing; the two-step route tells the user's
  // own point; an island's set has its own area.
  write_file(input, drawing("6", "-87412.35", "-105934.12"));
  EXPECT_EQ(testing::run_cli(folder_, "--from tm06 --to datum73" + files).err, "");
  write_file(input, drawing("0", "-87412.35", "-1500000.0"));
  const testing::CliRun far = testing::run_cli(folder_, "--from tm06 --to lisboa" + files);
  EXPECT_EQ(far.status, 1);  // the grid of the second step refuses it
  write_file(input, drawing("0", "-87412.35", "-300000.0"));
  const testing::CliRun south = testing::run_cli(folder_, "--from lisboa --to tm06" + files);
  EXPECT_EQ(south.status, 0) << south.err;
  EXPECT_EQ(south.err, "");
  write_file(input, drawing("0", "320000.0", "3620000.0"));
  const testing::CliRun madeira =
      testing::run_cli(folder_, "--from madeira --to utm28-itrf93" + files);
  EXPECT_NE(madeira.err.find("Aviso: 1 ponto(s) de"), std::string::npos) << madeira.err;
  EXPECT_NE(madeira.err.find("(o primeiro, ( 100000; 200000), na linha 17)"), std::string::npos);
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
  // A pair too long for one line goes on two.
  EXPECT_NE(
      run.out.find("  Hayford-Gauss Datum 73\n"
                   "      -> Hayford-Gauss Datum Lisboa-Ponto Central (grelhas NTv2): ntv2_12\n"),
      std::string::npos)
      << run.out;
}

// A console 80 columns wide (Windows' by default) breaks longer lines
// mid-word, and one of exactly 80 adds an empty line.
TEST_F(Cli, ListAndHelpFitAConsole) {
  for (const char* option : {"--list", "--help"}) {
    const testing::CliRun run = testing::run_cli(folder_, option);
    EXPECT_EQ(run.status, 0);
    std::size_t start = 0;
    while (start < run.out.size()) {
      const std::size_t end = std::min(run.out.find('\n', start), run.out.size());
      const std::string line = run.out.substr(start, end - start);
      const auto characters = std::count_if(line.begin(), line.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
      });
      EXPECT_LE(characters, 79) << option << ": " << line;
      start = end + 1;
    }
  }
}

}  // namespace
}  // namespace kelvrin
