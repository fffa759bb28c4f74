#pragma once

namespace kelvrin::ui {

// The window is designed with Windows fonts. "MS Sans Serif" and "Microsoft
// Sans Serif" do not exist here: they become a close sans-serif of the same
// size and weight, and "Arial" its metric-compatible twin.
void install_font_substitutes();

}  // namespace kelvrin::ui
