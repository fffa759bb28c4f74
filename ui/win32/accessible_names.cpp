#include "ui/win32/accessible_names.hpp"

// The GUIDs of oleacc.h defined here, where they are used.
#include <initguid.h>
// initguid.h first
#include <oleacc.h>

#include <string>

#include "platform/windows/wide_text.hpp"

namespace kelvrin::ui::win32 {

// Without the service (a system without it) the controls keep the names
// the system gives them.
AccessibleNames::AccessibleNames() {
  void* services = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IAccPropServices, &services))) {
    services_ = static_cast<IAccPropServices*>(services);
  }
}

AccessibleNames::~AccessibleNames() {
  clear();
  if (services_ != nullptr) services_->Release();
}

void AccessibleNames::name(HWND window, std::string_view name) {
  if (services_ == nullptr) return;
  std::wstring wide = platform::windows::wide_of(name);
  if (SUCCEEDED(services_->SetHwndPropStr(window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                          PROPID_ACC_NAME, wide.data()))) {
    named_.push_back(window);
  }
}

void AccessibleNames::clear() {
  if (services_ == nullptr) return;
  MSAAPROPID property = PROPID_ACC_NAME;
  for (HWND window : named_) {
    services_->ClearHwndProps(window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &property, 1);
  }
  named_.clear();
}

}  // namespace kelvrin::ui::win32
