// A full disk and a failing one on Windows, met by the real engine through a
// fault layer at the system's door (faulty_system.hpp): the user is told in
// the words Linux uses for the same failure, and the input, a file already at
// the output path and both folders are as they were. And who may read the
// conversion's own files: their owner alone while they are written; once
// placed, the output has the access list of the file it replaced, or the one
// its folder gives a new file.

#include <gtest/gtest.h>
#include <windows.h>
// after windows.h, which they need
#include <aclapi.h>
#include <sddl.h>

#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/catalogue.hpp"
#include "core/conversion_job.hpp"
#include "platform/utf8_path.hpp"
#include "platform/windows/wide_text.hpp"
#include "tests/test_support.hpp"
#include "tests/windows/faulty_system.hpp"

namespace kelvrin::core {
namespace {

using testing::Fault;
using testing::FaultySystem;
using testing::read_file;
using testing::SystemCall;
using testing::write_file;
namespace fs = std::filesystem;
namespace names = system_names;

// Big enough for several writes of a small buffer, as Linux's fault tests.
std::string drawing() {
  std::vector<std::string> lines = {"0", "SECTION", "2", "ENTITIES"};
  for (int i = 0; i < 2000; ++i) {
    lines.insert(lines.end(), {"0", "POINT", "10", std::to_string(-87000 + i) + ".125", "20",
                               std::to_string(-105000 - i) + ".5", "30", "0.0"});
  }
  lines.insert(lines.end(), {"0", "ENDSEC", "0", "EOF"});
  return testing::dxf_lines(lines);
}

// The scratch file beside the output, and the file without a name between
// the two steps of a route through Datum 73.
const std::wstring scratch_file = L"\\.saida.dxf.kelvrin-";
const std::wstring intermediate_file = L"\\kelvrin-";

class Conversions : public ::testing::Test {
 protected:
  Conversions() {
    fs::create_directory(folder_.file("in"));
    fs::create_directory(folder_.file("out"));
    write_file(input_, drawing());
  }

  ConversionOutcome convert(std::string_view to) {
    host_.events.clear();
    return run_conversion(
        host_, {KELVRIN_DATA_DIR, dxf::RewritePolicy::dxf_aware},
        {std::string(names::etrs89_tm06), std::string(to), input_, output_, "", ""});
  }
  std::vector<std::string> messages() const { return host_.messages(); }

  // Every file of both folders, hidden ones too, with its bytes.
  std::map<std::string, std::string> snapshot() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder_.path())) {
      const std::string name = platform::utf8_of(entry.path().lexically_relative(folder_.path()));
      files[name] = entry.is_regular_file() ? read_file(platform::utf8_of(entry.path())) : "folder";
    }
    return files;
  }

  testing::TempFolder folder_;
  testing::RecordingHost host_;
  std::string input_ = folder_.file("in/planta.dxf");
  std::string output_ = folder_.file("out/saida.dxf");
};

struct FaultRow {
  const char* name;
  SystemCall call;
  const std::wstring* path_part;
  DWORD error;
  unsigned long long bytes;
  std::string_view to;
  // What Linux says for the same failure (kelvrin-cli under the preloaded
  // injector of tests/fault_injection), before and after the output's path.
  const char* message_start;
  const char* message_end;
  friend void PrintTo(const FaultRow& row, std::ostream* out) { *out << row.name; }
};

class DiskFaults : public Conversions, public ::testing::WithParamInterface<FaultRow> {};

TEST_P(DiskFaults, ToldAsOnLinuxAndNothingLost) {
  const FaultRow& row = GetParam();
  write_file(output_, "the previous drawing");
  const auto before = snapshot();
  ConversionOutcome outcome{};
  {
    const FaultySystem faulty({row.call, *row.path_part, row.error, row.bytes});
    outcome = convert(row.to);
    EXPECT_GT(faulty.fired(), 0) << "the fault never happened";
  }
  EXPECT_NE(outcome, ConversionOutcome::completed);
  EXPECT_EQ(messages(), (std::vector<std::string>{row.message_start + output_ + row.message_end}));
  EXPECT_EQ(snapshot(), before);
}

constexpr const char* disk_full = "\" (disco cheio).";
constexpr const char* disk_failure = "\" (erro de entrada/saída no disco).";

INSTANTIATE_TEST_SUITE_P(
    Faults, DiskFaults,
    ::testing::Values(
        FaultRow{"disk_full_in_the_output_folder", SystemCall::write, &scratch_file,
                 ERROR_DISK_FULL, 5000, names::datum_73, "Erro ao escrever o ficheiro \"",
                 disk_full},
        FaultRow{"disk_full_in_the_intermediate_file", SystemCall::write, &intermediate_file,
                 ERROR_DISK_FULL, 5000, names::datum_lisboa, "Erro ao escrever o ficheiro \"",
                 disk_full},
        FaultRow{"disk_full_at_once", SystemCall::write, &scratch_file, ERROR_HANDLE_DISK_FULL, 0,
                 names::datum_73, "Erro ao escrever o ficheiro \"", disk_full},
        FaultRow{"write_fails", SystemCall::write, &scratch_file, ERROR_WRITE_FAULT, 5000,
                 names::datum_73, "Erro ao escrever o ficheiro \"", disk_failure},
        FaultRow{"no_room_for_the_intermediate_file", SystemCall::create, &intermediate_file,
                 ERROR_DISK_FULL, 0, names::datum_lisboa, "Não foi possível criar o ficheiro \"",
                 disk_full},
        FaultRow{"no_room_for_the_scratch_file", SystemCall::create, &scratch_file, ERROR_DISK_FULL,
                 0, names::datum_73, "Não foi possível criar o ficheiro \"", disk_full},
        FaultRow{"disk_full_when_flushed", SystemCall::flush, &scratch_file, ERROR_DISK_FULL, 0,
                 names::datum_73, "Não foi possível gravar o ficheiro \"", disk_full},
        FaultRow{"disk_fails_when_flushed_two_steps", SystemCall::flush, &scratch_file,
                 ERROR_IO_DEVICE, 0, names::datum_lisboa, "Não foi possível gravar o ficheiro \"",
                 disk_failure},
        FaultRow{"final_rename_fails", SystemCall::rename, &scratch_file, ERROR_IO_DEVICE, 0,
                 names::datum_73, "Não foi possível gravar o ficheiro \"", disk_failure}),
    testing::CaseName());

// --- Access lists -----------------------------------------------------------

// The access list of a file as SDDL ("D:..."), by handle or by name.
std::string access_list(PSECURITY_DESCRIPTOR descriptor) {
  wchar_t* text = nullptr;
  if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(
          descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
    return "unreadable";
  }
  std::string result = platform::windows::utf8_of(text);
  LocalFree(text);
  return result;
}

std::string access_list_of(const std::string& path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(platform::windows::wide_path(path).c_str(), SE_FILE_OBJECT,
                            DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr,
                            &descriptor) != ERROR_SUCCESS) {
    return "unreadable";
  }
  std::string result = access_list(descriptor);
  LocalFree(descriptor);
  return result;
}

std::string sid_text(PSID sid) {
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(sid, &text)) return "?";
  std::string result = platform::windows::utf8_of(text);
  LocalFree(text);
  return result;
}

// Everyone the open file's access list lets in at all.
std::set<std::string> admitted(HANDLE file) {
  PACL list = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  std::set<std::string> who;
  if (GetSecurityInfo(file, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &list,
                      nullptr, &descriptor) != ERROR_SUCCESS) {
    return {"unreadable"};
  }
  if (list == nullptr) who.insert("everyone: no access list");
  for (DWORD i = 0; list != nullptr && i < list->AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(list, i, &entry)) continue;
    const auto* header = static_cast<const ACE_HEADER*>(entry);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    who.insert(sid_text(&allowed->SidStart));
  }
  LocalFree(descriptor);
  return who;
}

std::string current_user() {
  HANDLE token = nullptr;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
  alignas(TOKEN_USER) unsigned char user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, user, sizeof user, &size);
  CloseHandle(token);
  return sid_text(reinterpret_cast<TOKEN_USER*>(user)->User.Sid);
}

void set_access_list(const std::string& path, const wchar_t* sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                                   &descriptor, nullptr));
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL list = nullptr;
  GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted);
  std::wstring wide = platform::windows::wide_path(path);
  const DWORD error = SetNamedSecurityInfoW(
      wide.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
      nullptr, nullptr, list, nullptr);
  LocalFree(descriptor);
  ASSERT_EQ(error, static_cast<DWORD>(ERROR_SUCCESS));
}

// Who may open the conversion's files while they are written. Windows would
// show the user alone; wine derives access lists from the Unix permissions
// and shows SYSTEM beside the owner, and that is all it can show: nobody else.
class AccessLists : public Conversions {
 protected:
  std::function<void(HANDLE)> watch(std::vector<std::set<std::string>>& seen) {
    return [&seen](HANDLE file) { seen.push_back(admitted(file)); };
  }
  void expect_owner_only(const std::vector<std::set<std::string>>& seen) {
    ASSERT_FALSE(seen.empty()) << "no file was written";
    for (const auto& who : seen) {
      EXPECT_TRUE(who.contains(user_)) << ::testing::PrintToString(who);
      for (const std::string& sid : who) {
        EXPECT_TRUE(sid == user_ || sid == "S-1-5-18") << sid << " may open the file";
      }
    }
  }
  // What a file made in the output folder by any program gets.
  std::string plain_new_file() {
    const std::string plain = folder_.file("out/plain.txt");
    write_file(plain, "");
    std::string list = access_list_of(plain);
    fs::remove(platform::path_of(plain));
    return list;
  }

  std::string user_ = current_user();
};

TEST_F(AccessLists, ANewOutputIsItsOwnersWhileWrittenThenHasItsFoldersList) {
  // A folder that gives everyone the right to read what is made in it.
  set_access_list(folder_.file("out"),
                  (L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;" + platform::windows::wide_of(user_) +
                   L")(A;OICI;0x1200a9;;;WD)")
                      .c_str());
  std::vector<std::set<std::string>> scratch;
  {
    const FaultySystem watched({SystemCall::write, scratch_file, 0, 0}, watch(scratch));
    ASSERT_EQ(convert(names::datum_73), ConversionOutcome::completed)
        << ::testing::PrintToString(messages());
  }
  expect_owner_only(scratch);
  EXPECT_EQ(access_list_of(output_), plain_new_file());
  EXPECT_NE(access_list_of(output_).find(";;;WD)"), std::string::npos)
      << "the folder gives everyone its new files to read";
}

TEST_F(AccessLists, TheFileBetweenTwoStepsIsItsOwnersAlone) {
  std::vector<std::set<std::string>> intermediate;
  {
    const FaultySystem watched({SystemCall::write, intermediate_file, 0, 0}, watch(intermediate));
    ASSERT_EQ(convert(names::datum_lisboa), ConversionOutcome::completed)
        << ::testing::PrintToString(messages());
  }
  expect_owner_only(intermediate);
  EXPECT_EQ(access_list_of(output_), plain_new_file());
}

TEST_F(AccessLists, AReplacedOutputKeepsItsOwnList) {
  // A private drawing in a folder open to everyone.
  write_file(output_, "the previous drawing");
  set_access_list(output_, (L"D:P(A;;FA;;;" + platform::windows::wide_of(user_) + L")").c_str());
  const std::string private_list = access_list_of(output_);
  const bool lists_shown = private_list != plain_new_file();
  std::vector<std::set<std::string>> scratch;
  {
    const FaultySystem watched({SystemCall::write, scratch_file, 0, 0}, watch(scratch));
    ASSERT_EQ(convert(names::datum_73), ConversionOutcome::completed)
        << ::testing::PrintToString(messages());
  }
  expect_owner_only(scratch);
  EXPECT_NE(read_file(output_), "the previous drawing");
  if (!lists_shown) {
    GTEST_SKIP() << "this system turns an access list set on an existing file into one open to "
                    "everyone (wine: Unix permissions 0777 less the umask), so the list kept "
                    "cannot be seen: "
                 << private_list;
  }
  EXPECT_EQ(access_list_of(output_), private_list);
}

}  // namespace
}  // namespace kelvrin::core
