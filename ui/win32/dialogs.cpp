#include "ui/win32/dialogs.hpp"

#include <commdlg.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>

#include "platform/windows/wide_text.hpp"
#include "points/point_list_file.hpp"

namespace kelvrin::ui::win32 {
namespace {

using platform::windows::utf8_of;
using platform::windows::wide_of;

// Room for a path as long as the wide API takes (the program is
// longPathAware).
constexpr std::size_t path_room = 32768;

// Filters are pairs of a description and its patterns, each ended by a
// null, the list by one more: the literals' own null ends the last.
constexpr wchar_t drawing_filters[] =
    L"Desenhos DXF (*.dxf)\0*.dxf\0Listas de pontos (*.csv *.txt)\0*.csv;*.txt\0"
    L"Todos os ficheiros (*.*)\0*.*\0";
// The same for a point list's output, the lists first.
constexpr wchar_t point_list_filters[] =
    L"Listas de pontos (*.csv *.txt)\0*.csv;*.txt\0Desenhos DXF (*.dxf)\0*.dxf\0"
    L"Todos os ficheiros (*.*)\0*.*\0";
constexpr wchar_t any_file_filter[] = L"Todos os ficheiros (*.*)\0*.*\0";

std::wstring with_backslashes(std::string_view utf8) {
  std::wstring wide = wide_of(utf8);
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  return wide;
}

std::wstring file_buffer(const std::wstring& initial) {
  std::wstring buffer(path_room, L'\0');
  if (initial.size() < path_room) initial.copy(buffer.data(), initial.size());
  return buffer;
}

// Where a dialog opens when its file name names no folder (the first one,
// or a save without an input): the user's documents, not the folder the
// program happened to start in (its own, from the Start menu). Given the
// same folder each time, Windows opens the one the user last chose instead.
std::wstring documents_folder() {
  PWSTR path = nullptr;
  std::wstring folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &path))) folder = path;
  CoTaskMemFree(path);
  return folder;
}

bool names_a_folder(const std::wstring& path) {
  return path.find_first_of(L"\\:") != std::wstring::npos;
}

std::string chosen_path(const std::wstring& buffer) {
  return utf8_of(std::wstring_view(buffer.c_str()));
}

// A preset the dialog cannot show (a folder gone since, a name Windows
// refuses) would keep it from opening at all: it opens without one then.
template <typename Show>
std::optional<std::string> run_file_dialog(OPENFILENAMEW& dialog, std::wstring& buffer, Show show) {
  if (show(&dialog)) return chosen_path(buffer);
  if (CommDlgExtendedError() == FNERR_INVALIDFILENAME) {
    std::fill(buffer.begin(), buffer.end(), L'\0');
    dialog.lpstrInitialDir = nullptr;
    if (show(&dialog)) return chosen_path(buffer);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> open_file_dialog(HWND owner, std::string_view preset, FileKind kind) {
  std::wstring buffer = file_buffer(with_backslashes(preset));
  const std::wstring documents = names_a_folder(buffer.c_str()) ? L"" : documents_folder();
  OPENFILENAMEW dialog{};
  if (!documents.empty()) dialog.lpstrInitialDir = documents.c_str();
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kind == FileKind::drawing ? drawing_filters : any_file_filter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                 OFN_NOCHANGEDIR | OFN_ENABLESIZING;
  return run_file_dialog(dialog, buffer, GetOpenFileNameW);
}

// The suggested path whole: a path in the file name is where the dialog
// opens, whatever folder it last showed, and its name what it proposes.
std::optional<std::string> save_drawing_dialog(HWND owner, std::string_view suggested) {
  std::wstring buffer = file_buffer(with_backslashes(suggested));
  const std::wstring documents = names_a_folder(buffer.c_str()) ? L"" : documents_folder();
  OPENFILENAMEW dialog{};
  if (!documents.empty()) dialog.lpstrInitialDir = documents.c_str();
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  // A point list's output keeps the list's extension.
  const bool list = points::has_point_list_extension(suggested);
  const std::size_t dot = buffer.find_last_of(L'.');
  const std::wstring extension =
      list && dot != std::wstring::npos ? std::wstring(buffer.c_str() + dot + 1) : L"dxf";
  dialog.lpstrFilter = list ? point_list_filters : drawing_filters;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  dialog.lpstrDefExt = extension.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                 OFN_NOCHANGEDIR | OFN_ENABLESIZING;
  return run_file_dialog(dialog, buffer, GetSaveFileNameW);
}

void message_box(HWND owner, std::string_view text, std::string_view title) {
  MessageBoxW(owner, wide_of(text).c_str(), wide_of(title).c_str(), MB_OK);
}

bool question_box(HWND owner, std::string_view text, std::string_view title) {
  return MessageBoxW(owner, wide_of(text).c_str(), wide_of(title).c_str(),
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

}  // namespace kelvrin::ui::win32
