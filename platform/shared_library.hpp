#pragma once

#include <string>

namespace kelvrin::platform {

// A library loaded while the program runs. It is never unloaded: what it
// hands out lives in function pointers for the life of the program.
class SharedLibrary {
 public:
  // Loads `name` (a soname here), resolving all of its symbols at once so
  // that a broken installation fails now rather than in the middle of a
  // conversion; loaded() says false and `error` says why when it cannot.
  SharedLibrary(const char* name, std::string& error);

  bool loaded() const noexcept { return handle_ != nullptr; }
  // The address of `symbol`, or nullptr when the library has none.
  void* symbol(const char* symbol) const noexcept;

 private:
  void* handle_ = nullptr;
};

}  // namespace kelvrin::platform
