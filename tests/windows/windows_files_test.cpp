// What only Windows does to the conversion's files: other programs holding
// them open, names it will not give a file, paths beyond MAX_PATH, accents
// in paths, read-only files, an interruption from the console, and the
// patterns of file names a Windows program expands itself.

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/catalogue.hpp"
#include "core/conversion_job.hpp"
#include "platform/file.hpp"
#include "platform/file_pattern.hpp"
#include "platform/utf8_path.hpp"
#include "platform/windows/wide_text.hpp"
#include "tests/test_support.hpp"

namespace kelvrin::core {
namespace {

using testing::dxf_lines;
using testing::read_file;
using testing::write_file;
namespace names = system_names;

const std::string drawing =
    dxf_lines({"0", "SECTION", "2", "ENTITIES", "0", "POINT", "10", "100000.0", "20", "200000.0",
               "30", "0.0", "0", "ENDSEC", "0", "EOF"});
const std::string converted =
    dxf_lines({"0", "SECTION", "2", "ENTITIES", "0", "POINT", "10", "100005.02816", "20",
               "199999.57661", "30", "0.0", "0", "ENDSEC", "0", "EOF"});
const std::string older_output = "um desenho que lá estava\r\n";

// Another program's handle on a file, as a CAD program holds a drawing it
// has open: shared for reading at most.
class HeldOpen {
 public:
  HeldOpen(const std::string& path, DWORD share)
      : handle_(CreateFileW(platform::windows::wide_path(path).c_str(),
                            GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~HeldOpen() { CloseHandle(handle_); }
  bool held() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

DWORD attributes_of(const std::string& path) {
  return GetFileAttributesW(platform::windows::wide_path(path).c_str());
}

class WindowsFiles : public ::testing::Test {
 protected:
  ConversionOutcome convert(const std::string& input, const std::string& output) {
    host_.events.clear();
    return run_conversion(
        host_, {KELVRIN_DATA_DIR, dxf::RewritePolicy::literal},
        {std::string(names::etrs89_tm06), std::string(names::datum_73), input, output, "", ""});
  }
  std::string message() const {
    const auto messages = host_.messages();
    return messages.empty() ? std::string() : messages.front();
  }

  testing::TempFolder folder_;
  testing::RecordingHost host_;
  std::string input_ = folder_.file("planta.dxf");
  std::string output_ = folder_.file("saida.dxf");
};

TEST_F(WindowsFiles, ReplacesAnOutputAndLeavesAnOrdinaryFileAlone) {
  write_file(input_, drawing);
  write_file(output_, older_output);
  ASSERT_EQ(convert(input_, output_), ConversionOutcome::completed) << message();
  EXPECT_EQ(read_file(output_), converted);
  // The scratch file was hidden; the output it became is not.
  EXPECT_EQ(attributes_of(output_) & FILE_ATTRIBUTE_HIDDEN, 0u);
  EXPECT_EQ(folder_.listing(), (std::vector<std::string>{"planta.dxf", "saida.dxf"}));
}

TEST_F(WindowsFiles, AFileHeldOpenByAnotherProgramIsToldAndNothingChanges) {
  write_file(input_, drawing);
  write_file(output_, older_output);
  {
    const HeldOpen cad(output_, FILE_SHARE_READ);
    ASSERT_TRUE(cad.held());
    EXPECT_NE(convert(input_, output_), ConversionOutcome::completed);
    EXPECT_NE(message().find("está aberto noutro programa"), std::string::npos) << message();
    EXPECT_NE(message().find("saida.dxf"), std::string::npos) << message();
  }
  EXPECT_EQ(read_file(output_), older_output);
  EXPECT_EQ(folder_.listing(), (std::vector<std::string>{"planta.dxf", "saida.dxf"}));
  {
    const HeldOpen cad(input_, 0);
    ASSERT_TRUE(cad.held());
    EXPECT_NE(convert(input_, output_), ConversionOutcome::completed);
    EXPECT_NE(message().find("está aberto noutro programa"), std::string::npos) << message();
  }
  EXPECT_EQ(read_file(output_), older_output);
}

TEST_F(WindowsFiles, AReadOnlyOutputIsRefused) {
  write_file(input_, drawing);
  write_file(output_, older_output);
  SetFileAttributesW(platform::windows::wide_path(output_).c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_NE(convert(input_, output_), ConversionOutcome::completed);
  EXPECT_NE(message().find("sem permissão de acesso"), std::string::npos) << message();
  SetFileAttributesW(platform::windows::wide_path(output_).c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(read_file(output_), older_output);
  EXPECT_EQ(folder_.listing(), (std::vector<std::string>{"planta.dxf", "saida.dxf"}));
}

TEST_F(WindowsFiles, NamesWindowsWillNotGiveAFileAreRefused) {
  write_file(input_, drawing);
  for (const char* name : {"CON", "nul.dxf", "COM1.dxf", "Lpt9", "saida.", "saida "}) {
    EXPECT_NE(convert(input_, folder_.file(name)), ConversionOutcome::completed) << name;
    EXPECT_NE(message().find("nome que o Windows não aceita"), std::string::npos) << message();
  }
  EXPECT_NE(convert(folder_.file("aux.dxf"), output_), ConversionOutcome::completed);
  EXPECT_NE(message().find("nome que o Windows não aceita"), std::string::npos) << message();
  EXPECT_EQ(folder_.listing(), (std::vector<std::string>{"planta.dxf"}));
}

TEST_F(WindowsFiles, AccentedAndLongPathsWork) {
  const std::string accented = folder_.file("Ação");
  std::filesystem::create_directory(platform::path_of(accented));
  const std::string input = accented + "/planta ç.dxf";
  const std::string output = accented + "/saída ã.dxf";
  write_file(input, drawing);
  ASSERT_EQ(convert(input, output), ConversionOutcome::completed) << message();
  EXPECT_EQ(read_file(output), converted);

  std::string deep = folder_.file("");
  while (deep.size() < 300) {
    deep += "/pasta com um nome comprido";
    ASSERT_TRUE(CreateDirectoryW(platform::windows::wide_path(deep).c_str(), nullptr)) << deep;
  }
  const std::string deep_output = deep + "/saida.dxf";
  ASSERT_EQ(convert(input, deep_output), ConversionOutcome::completed) << message();
  const HANDLE file = CreateFileW(platform::windows::wide_path(deep_output).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  LARGE_INTEGER size{};
  GetFileSizeEx(file, &size);
  CloseHandle(file);
  EXPECT_EQ(static_cast<std::size_t>(size.QuadPart), converted.size());
}

// "*" and "?" in the last part of a name, as cmd hands them over: files only,
// sorted, the folder part as typed, and not the names that only a short 8.3
// name would match.
TEST(WindowsPatterns, ExpandFilesInTheLastPart) {
  testing::TempFolder folder;
  for (const char* name : {"b.dxf", "A.DXF", "ç.dxf", "a.dxf2", "notas.txt"}) {
    write_file(folder.file(name), "0\r\nEOF\r\n");
  }
  ASSERT_FALSE(platform::create_folder(folder.file("pasta.dxf")));
  ASSERT_FALSE(platform::create_folder(folder.file("pasta.dxf")));  // there already: no error
  const std::string base = folder.file("");
  const auto all = platform::expand_file_pattern(base + "*.dxf");
  ASSERT_TRUE(all);
  EXPECT_EQ(*all, (std::vector<std::string>{base + "A.DXF", base + "b.dxf", base + "ç.dxf"}));
  const auto one = platform::expand_file_pattern(base + "?.DxF");
  ASSERT_TRUE(one);
  EXPECT_EQ(one->size(), 3u);
  const auto none = platform::expand_file_pattern(base + "nada*.dxf");
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->empty());
  EXPECT_FALSE(platform::expand_file_pattern(base + "b.dxf"));  // a plain name
  EXPECT_TRUE(platform::create_folder(folder.file("falta/pasta")));
}

}  // namespace
}  // namespace kelvrin::core
