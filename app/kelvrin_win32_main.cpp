// kelvrin.exe: the main window of the conversion tool, in the Windows API.

#include <windows.h>
// windows.h first
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include "core/conversion_job.hpp"
#include "core/executable_folder.hpp"
#include "core/messages.hpp"
#include "platform/own_files.hpp"
#include "platform/windows/wide_text.hpp"
#include "ui/win32/main_window.hpp"

namespace {

// A drawing given on the command line or by Explorer's "Abrir com", as the
// system holds it (UTF-16), whatever the code page.
std::wstring first_argument() {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr) return {};
  std::wstring first = count > 1 ? arguments[1] : L"";
  LocalFree(arguments);
  return first;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
  // A fault that ends the program takes the conversion's files with it.
  kelvrin::platform::install_interruption_handlers(kelvrin::core::messages::last_words("kelvrin"));
  // The file dialogs and the screen readers' names are COM objects.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  const kelvrin::core::JobSettings settings{kelvrin::core::grid_folder()};
  int status = 0;
  {
    kelvrin::ui::win32::MainWindow window(
        instance,
        [&settings](kelvrin::core::JobHost& host, const kelvrin::core::ConversionRequest& request) {
          kelvrin::core::run_conversion(host, settings, request);
        });
    const std::wstring input = first_argument();
    if (!input.empty()) window.set_input_file(kelvrin::platform::windows::utf8_of(input));
    window.show(show_command);
    status = window.run();
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return status;
}
