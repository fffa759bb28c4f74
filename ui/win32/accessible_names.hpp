#pragma once

#include <windows.h>

#include <string_view>
#include <vector>

struct IAccPropServices;

namespace kelvrin::ui::win32 {

// Names that screen readers say for controls, where the control's text or
// the label before it would say something else ("Procurar..." four times),
// given by the system's dynamic annotation. The names go before the
// windows do.
class AccessibleNames {
 public:
  AccessibleNames();
  ~AccessibleNames();
  AccessibleNames(const AccessibleNames&) = delete;
  AccessibleNames& operator=(const AccessibleNames&) = delete;

  void name(HWND window, std::string_view name);
  void clear();

 private:
  IAccPropServices* services_ = nullptr;
  std::vector<HWND> named_;
};

}  // namespace kelvrin::ui::win32
