#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "ui/form_view.hpp"

namespace kelvrin::ui::win32 {

// The system's own modal dialogs, owned by `owner`; texts are UTF-8.

// The open-file dialog with `preset` as its file name: drawings are offered
// the filter of DXF drawings first. The path chosen, or nothing on Cancel.
std::optional<std::string> open_file_dialog(HWND owner, std::string_view preset, FileKind kind);

// The save dialog for a converted drawing, in the folder and with the name
// of `suggested`; it asks before an existing file is replaced.
std::optional<std::string> save_drawing_dialog(HWND owner, std::string_view suggested);

// A message box with an OK button and no icon.
void message_box(HWND owner, std::string_view text, std::string_view title);

// A question with Yes and No, No the default: whether the user said Yes.
bool question_box(HWND owner, std::string_view text, std::string_view title);

}  // namespace kelvrin::ui::win32
