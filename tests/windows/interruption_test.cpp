// Ctrl+C, Ctrl+Break and a closed console in the middle of a conversion by
// kelvrin-cli.exe: the input, the file already at the output path and both
// folders are as they were, and the program ends with the status a POSIX
// shell gives the same interruption (128 + SIGINT, + SIGBREAK, + SIGHUP).
//
// The conversion is caught in the middle: once its scratch file is in the
// output folder the program is suspended, the file is seen to be still there
// (nothing finished), the event is sent and the program resumed. Ctrl+C goes
// the way a console sends it (GenerateConsoleCtrlEvent to the console the
// program was given). Wine delivers no other console event, so Ctrl+Break
// and the console's closing go the way Windows itself delivers every one of
// them: a thread started in the program at kernelbase's CtrlRoutine with the
// event, which runs the program's handlers.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "platform/utf8_path.hpp"
#include "platform/windows/wide_text.hpp"
#include "tests/test_support.hpp"

namespace kelvrin {
namespace {

using testing::read_file;
using testing::write_file;
namespace fs = std::filesystem;
using platform::windows::wide_of;
using platform::windows::wide_path;

// Points across mainland Portugal, about `megabytes` of them, as the Linux
// interruption tests convert.
std::string drawing(std::size_t megabytes) {
  std::string text = "0\r\nSECTION\r\n2\r\nENTITIES\r\n";
  for (int i = 0; text.size() < (megabytes << 20) || i == 0; ++i) {
    text += "0\r\nPOINT\r\n8\r\n0\r\n10\r\n" + std::to_string(-87000 + i % 1000) +
            ".125\r\n20\r\n" + std::to_string(-105000 - i % 1000) + ".5\r\n30\r\n0.0\r\n";
  }
  return text + "0\r\nENDSEC\r\n0\r\nEOF\r\n";
}

enum class Delivery { console, thread };

struct Interruption {
  const char* name;
  DWORD event;
  Delivery delivery;
  const char* to;           // datum73: one step; lisboa: two
  const char* file_prefix;  // the conversion's file to wait for in the output folder
  DWORD status;
  friend void PrintTo(const Interruption& row, std::ostream* out) { *out << row.name; }
};

class Handle {
 public:
  explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
  ~Handle() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

using ProcessCall = LONG(NTAPI*)(HANDLE);
ProcessCall ntdll_function(const char* name) {
  return reinterpret_cast<ProcessCall>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

class Interrupted : public ::testing::TestWithParam<Interruption> {
 protected:
  Interrupted() {
    fs::create_directory(in_);
    fs::create_directory(out_);
  }

  // Every file of both folders, hidden ones too, with a hash of its bytes.
  std::map<std::string, std::string> snapshot() const {
    std::map<std::string, std::string> files;
    for (const fs::path& folder : {in_, out_}) {
      for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string bytes = read_file(platform::utf8_of(entry.path()));
        files[platform::utf8_of(entry.path().lexically_relative(folder_.path()))] =
            std::to_string(bytes.size()) + " bytes, hash " +
            std::to_string(std::hash<std::string>{}(bytes));
      }
    }
    return files;
  }

  bool in_output_folder(const std::string& prefix) const {
    for (const auto& entry : fs::directory_iterator(out_)) {
      if (platform::utf8_of(entry.path().filename()).starts_with(prefix)) return true;
    }
    return false;
  }

  testing::TempFolder folder_;
  fs::path in_ = folder_.path() / "in";
  fs::path out_ = folder_.path() / "out";
};

TEST_P(Interrupted, LeavesTheFoldersAsTheyWere) {
  const Interruption& row = GetParam();
  const std::string input = platform::utf8_of(in_ / "planta.dxf");
  const std::string output = platform::utf8_of(out_ / "saida.dxf");
  write_file(input, drawing(40));
  write_file(output, "the previous drawing");
  const auto before = snapshot();

  const Handle changes(FindFirstChangeNotificationW(wide_path(platform::utf8_of(out_)).c_str(),
                                                    FALSE, FILE_NOTIFY_CHANGE_FILE_NAME));
  ASSERT_NE(changes.get(), INVALID_HANDLE_VALUE);

  // A console of its own, as a program started from a command window has,
  // but no window for it; its messages go to a file beside the folders.
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  const Handle messages(CreateFileW(wide_path(folder_.file("stderr.txt")).c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr));
  const Handle nothing(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inherited, OPEN_EXISTING, 0, nullptr));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nothing.get();
  startup.hStdOutput = messages.get();
  startup.hStdError = messages.get();
  std::wstring command = L"\"" + wide_path(KELVRIN_CLI_PATH) + L"\" --from tm06 --to " +
                         wide_of(row.to) + L" \"" + wide_path(input) + L"\" \"" +
                         wide_path(output) + L"\"";
  PROCESS_INFORMATION started{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                             nullptr, nullptr, &startup, &started))
      << GetLastError();
  const Handle process(started.hProcess);
  const Handle thread(started.hThread);

  // Until the conversion's file is there; each wait ends with a change of
  // the folder or with the program, and a program that hangs fails the test.
  bool writing = false;
  bool ended = false;
  while (!writing && !ended) {
    const HANDLE either[] = {changes.get(), process.get()};
    const DWORD woken = WaitForMultipleObjects(2, either, FALSE, 120'000);
    ASSERT_NE(woken, static_cast<DWORD>(WAIT_TIMEOUT)) << "no file in the output folder";
    ended = woken == WAIT_OBJECT_0 + 1;
    writing = in_output_folder(row.file_prefix);
    FindNextChangeNotification(changes.get());
  }
  ASSERT_FALSE(ended) << "the conversion ended before it was interrupted: "
                      << read_file(folder_.file("stderr.txt"));

  ASSERT_EQ(ntdll_function("NtSuspendProcess")(process.get()), 0);
  const bool still_writing = in_output_folder(row.file_prefix);
  bool sent = false;
  if (row.delivery == Delivery::console) {
    // Only a program on the same console may send it one of its events; this
    // one ignores them meanwhile.
    FreeConsole();
    if (AttachConsole(started.dwProcessId)) {
      SetConsoleCtrlHandler(nullptr, TRUE);
      sent = GenerateConsoleCtrlEvent(row.event, 0);
      FreeConsole();
    }
    AttachConsole(ATTACH_PARENT_PROCESS);
  } else {
    const auto routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernelbase.dll"), "CtrlRoutine")));
    ASSERT_NE(routine, nullptr);
    const Handle handler(CreateRemoteThread(process.get(), nullptr, 0, routine,
                                            reinterpret_cast<void*>(std::uintptr_t{row.event}), 0,
                                            nullptr));
    sent = handler.get() != nullptr;
  }
  ASSERT_EQ(ntdll_function("NtResumeProcess")(process.get()), 0);
  const DWORD waited = WaitForSingleObject(process.get(), 120'000);
  if (waited != WAIT_OBJECT_0) TerminateProcess(process.get(), 99);

  EXPECT_TRUE(still_writing) << "the conversion was not under way when the event came";
  EXPECT_TRUE(sent) << GetLastError();
  ASSERT_EQ(waited, static_cast<DWORD>(WAIT_OBJECT_0)) << "the event did not end the program";
  DWORD status = 0;
  GetExitCodeProcess(process.get(), &status);
  EXPECT_EQ(status, row.status) << read_file(folder_.file("stderr.txt"));
  EXPECT_EQ(snapshot(), before);
  EXPECT_EQ(read_file(output), "the previous drawing");
}

INSTANTIATE_TEST_SUITE_P(
    Events, Interrupted,
    ::testing::Values(Interruption{"ctrl_c", CTRL_C_EVENT, Delivery::console, "datum73",
                                   ".saida.dxf.kelvrin-", 128 + 2},
                      Interruption{"ctrl_c_two_steps", CTRL_C_EVENT, Delivery::console, "lisboa",
                                   "kelvrin-", 128 + 2},
                      Interruption{"ctrl_break", CTRL_BREAK_EVENT, Delivery::thread, "datum73",
                                   ".saida.dxf.kelvrin-", 128 + 21},
                      Interruption{"ctrl_break_two_steps", CTRL_BREAK_EVENT, Delivery::thread,
                                   "lisboa", ".saida.dxf.kelvrin-", 128 + 21},
                      Interruption{"console_closed", CTRL_CLOSE_EVENT, Delivery::thread, "datum73",
                                   ".saida.dxf.kelvrin-", 128 + 1}),
    testing::CaseName());

}  // namespace
}  // namespace kelvrin
