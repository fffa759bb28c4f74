#include "platform/standard_streams.hpp"

#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include "platform/windows/wide_text.hpp"

namespace kelvrin::platform {

FileHandle standard_input() noexcept { return windows::file_of(GetStdHandle(STD_INPUT_HANDLE)); }

FileHandle standard_output() noexcept { return windows::file_of(GetStdHandle(STD_OUTPUT_HANDLE)); }

bool standard_error_is_terminal() noexcept {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

void write_text(TextStream stream, std::string_view text) {
  const HANDLE handle =
      GetStdHandle(stream == TextStream::output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(handle, &mode)) {
    // The progress line goes back with the terminal sequences a Linux
    // terminal takes.
    SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    const std::wstring wide = windows::wide_of(text);
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::vector<std::string> program_arguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv + 1, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(windows::utf8_of(wide[i]));
  LocalFree(wide);
  return arguments;
}

}  // namespace kelvrin::platform
