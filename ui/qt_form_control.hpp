#pragma once

#include <QString>
#include <functional>
#include <string_view>

#include "ui/form_layout.hpp"

class QWidget;

namespace kelvrin::ui {

// A row of form_layout's table as a widget of `window`: its kind, object
// name, place, font, colours, caption and accessible name. Enter in an
// editable list neither picks an entry nor presses a button; it runs
// `on_enter` instead, where there is one.
QWidget* make_form_control(const ControlRow& row, QWidget* window,
                           std::function<void()> on_enter = {});

// The form's UTF-8 texts in Qt's terms.
QString from_utf8(std::string_view text);

}  // namespace kelvrin::ui
