// Every way a conversion can fail after it started, made to happen with an
// interposed file layer under the real kelvrin-cli: the user is told the
// cause, the input and a file already at the output path are byte for byte
// as before, and nothing of the conversion is left in either folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "tests/cli_runner.hpp"
#include "tests/test_support.hpp"

namespace kelvrin {
namespace {

using testing::dxf_lines;
using testing::read_file;
using testing::write_file;
namespace fs = std::filesystem;

// The environment that preloads the injector with one rule under kelvrin-cli.
std::string with_fault(const std::string& rule) {
  return std::string("LD_PRELOAD=") + KELVRIN_FAULT_INJECTOR +
         " ASAN_OPTIONS=verify_asan_link_order=0 KELVRIN_FAULT='" + rule + "'";
}

// Big enough for several reads and writes of a small buffer.
std::string drawing() {
  std::vector<std::string> lines = {"0", "SECTION", "2", "ENTITIES"};
  for (int i = 0; i < 2000; ++i) {
    lines.insert(lines.end(), {"0", "POINT", "10", std::to_string(-87000 + i) + ".125", "20",
                               std::to_string(-105000 - i) + ".5", "30", "0.0"});
  }
  lines.insert(lines.end(), {"0", "ENDSEC", "0", "EOF"});
  return dxf_lines(lines);
}

struct Fault {
  const char* name;
  const char* rule;  // KELVRIN_FAULT, empty for a fault made by hand
  const char* to;    // target system: datum73 (one step) or lisboa (two steps)
  const char* message_part;
  friend void PrintTo(const Fault& row, std::ostream* out) { *out << row.name; }
};

class FaultInjection : public ::testing::TestWithParam<Fault> {
 protected:
  // Every file of both folders with the size and a hash of its bytes.
  std::map<std::string, std::string> snapshot() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder_.path())) {
      const std::string name = entry.path().lexically_relative(folder_.path()).string();
      if (name == ".stderr") continue;
      if (!entry.is_regular_file()) {
        files[name] = "folder";
        continue;
      }
      const std::string bytes = read_file(entry.path().string());
      files[name] = std::to_string(bytes.size()) + " bytes, hash " +
                    std::to_string(std::hash<std::string>{}(bytes));
    }
    return files;
  }

  testing::TempFolder folder_;
};

TEST_P(FaultInjection, ToldAndNothingLost) {
  const Fault& fault = GetParam();
  fs::create_directory(folder_.file("in"));
  fs::create_directory(folder_.file("out"));
  const std::string input = folder_.file("in/planta.dxf");
  std::string output = folder_.file("out/saida.dxf");
  write_file(input, drawing());
  write_file(output, "the previous drawing");
  for (const char* grid : {"et_lx_m.asc", "et_lx_p.asc", "lx_et_m.asc", "lx_et_p.asc"}) {
    ASSERT_TRUE(fs::exists(fs::path(KELVRIN_CLI_PATH).parent_path() / grid));
  }
  const std::string name = fault.name;
  if (name == "output_folder_missing") output = folder_.file("gone/saida.dxf");
  const auto before = snapshot();

  std::string environment;
  if (*fault.rule != '\0') {
    environment = with_fault(fault.rule);
  }
  const testing::CliRun run = testing::run_cli(
      folder_, std::string("--from tm06 --to ") + fault.to + " " + input + " " + output,
      environment);

  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.err.find(fault.message_part), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(snapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultInjection,
    ::testing::Values(
        Fault{"input_unreadable", "open-read:planta.dxf:EACCES", "datum73",
              "Não foi possível abrir o ficheiro \""},
        Fault{"read_error_midway", "read:planta.dxf:EIO:5000", "datum73", "Erro ao ler o ficheiro"},
        Fault{"no_room_for_the_intermediate_file", "open-write:/out:ENOSPC:once", "lisboa",
              "Não foi possível criar o ficheiro \""},
        Fault{"output_folder_missing", "", "datum73", "gone/saida.dxf"},
        Fault{"output_folder_read_only", "open-write:.saida.dxf.kelvrin-:EROFS", "datum73",
              "disco só de leitura"},
        Fault{"output_folder_read_only_two_steps", "open-write:/out:EACCES", "lisboa",
              "sem permissão de acesso"},
        Fault{"disk_full_in_the_output_folder", "write:.saida.dxf.kelvrin-:ENOSPC:5000", "datum73",
              "disco cheio"},
        Fault{"disk_full_in_the_intermediate_file", "write:/out:ENOSPC:5000", "lisboa",
              "Erro ao escrever o ficheiro \""},
        Fault{"disk_fails_when_synced", "fsync:.saida.dxf.kelvrin-:EIO", "datum73",
              "Não foi possível gravar"},
        Fault{"quota_when_synced_two_steps", "fsync:.saida.dxf.kelvrin-:EDQUOT", "lisboa",
              "disco cheio"},
        Fault{"final_rename_fails", "rename:.saida.dxf.kelvrin-:EIO", "datum73",
              "Não foi possível gravar"},
        Fault{"final_rename_fails_two_steps", "rename:saida.dxf:EIO", "lisboa",
              "Não foi possível gravar"},
        Fault{"every_rename_crosses_disks", "rename::EXDEV", "datum73", "Não foi possível gravar"},
        Fault{"grid_file_unreadable", "open-read:et_lx_p.asc:EACCES", "lisboa",
              "Os Ficheiros et_lx_m.asc e et_lx_p.asc não existem !!"},
        Fault{"grid_file_fails_while_loading", "read:et_lx_m.asc:EIO:5000", "lisboa",
              "Erro ao ler o ficheiro de grelha \""}),
    testing::CaseName());

// A parameter file that cannot be opened, or fails after its first bytes
// (the fields read so far would make a polynomial of nothing), is named.
TEST(FaultInjectionParameters, UnreadableParameterFileIsNamed) {
  const std::pair<const char*, const char*> faults[] = {
      {"open-read:qualquer_y.txt:EACCES",
       "Não foi possível abrir o ficheiro de parâmetros \"" KELVRIN_EXAMPLES_DIR
       "/qualquer_y.txt\" (sem permissão de acesso)."},
      {"read:qualquer_y.txt:EIO:100", "Erro ao ler o ficheiro de parâmetros \"" KELVRIN_EXAMPLES_DIR
                                      "/qualquer_y.txt\" (erro de entrada/saída no disco)."},
  };
  for (const auto& [rule, message] : faults) {
    testing::TempFolder folder;
    write_file(folder.file("planta.dxf"), drawing());
    const testing::CliRun run = testing::run_cli(
        folder,
        "--from qualquer --param-x " + std::string(KELVRIN_EXAMPLES_DIR) + "/qualquer_x.txt" +
            " --param-y " + KELVRIN_EXAMPLES_DIR + "/qualquer_y.txt " + folder.file("planta.dxf") +
            " " + folder.file("saida.dxf"),
        with_fault(rule));
    EXPECT_EQ(run.status, 1) << rule;
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_EQ(folder.listing(), (std::vector<std::string>{"planta.dxf"}));
  }
}

}  // namespace
}  // namespace kelvrin
