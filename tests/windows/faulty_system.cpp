#include "tests/windows/faulty_system.hpp"

#include <cstring>
#include <map>
#include <mutex>

namespace kelvrin::testing {
namespace {

using CreateFileCall = HANDLE(WINAPI*)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD,
                                       HANDLE);
using WriteFileCall = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
using HandleCall = BOOL(WINAPI*)(HANDLE);
using MoveFileCall = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);

// The system's own functions, called through the layer.
template <typename Call>
Call system_function(const char* name) {
  return reinterpret_cast<Call>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

struct State {
  std::recursive_mutex lock;
  Fault fault;
  std::function<void(HANDLE)> first_write;
  std::map<HANDLE, unsigned long long> written;  // the matching files open, and their bytes
  int fired = 0;
};
State* state = nullptr;

bool matches(LPCWSTR path) {
  return path != nullptr && std::wcsstr(path, state->fault.path_part.c_str()) != nullptr;
}

bool fail(SystemCall call) {
  if (state->fault.error == 0 || state->fault.call != call) return false;
  ++state->fired;
  SetLastError(state->fault.error);
  return true;
}

HANDLE WINAPI create_file(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                          DWORD disposition, DWORD flags, HANDLE model) {
  static const auto system = system_function<CreateFileCall>("CreateFileW");
  const std::lock_guard<std::recursive_mutex> held(state->lock);
  const bool ours = matches(path);
  if (ours && disposition == CREATE_NEW && fail(SystemCall::create)) return INVALID_HANDLE_VALUE;
  const HANDLE file = system(path, access, share, security, disposition, flags, model);
  if (ours && file != INVALID_HANDLE_VALUE) state->written[file] = 0;
  return file;
}

BOOL WINAPI write_file(HANDLE file, LPCVOID data, DWORD size, LPDWORD put, LPOVERLAPPED at) {
  static const auto system = system_function<WriteFileCall>("WriteFile");
  {
    const std::lock_guard<std::recursive_mutex> held(state->lock);
    const auto found = state->written.find(file);
    if (found != state->written.end()) {
      if (found->second == 0 && size > 0 && state->first_write) state->first_write(file);
      if (state->fault.call == SystemCall::write && state->fault.error != 0) {
        const unsigned long long room =
            state->fault.bytes > found->second ? state->fault.bytes - found->second : 0;
        if (room == 0) {
          if (put != nullptr) *put = 0;
          return !fail(SystemCall::write);
        }
        if (size > room) size = static_cast<DWORD>(room);
      }
      found->second += size;
    }
  }
  return system(file, data, size, put, at);
}

BOOL WINAPI flush_file(HANDLE file) {
  static const auto system = system_function<HandleCall>("FlushFileBuffers");
  {
    const std::lock_guard<std::recursive_mutex> held(state->lock);
    if (state->written.contains(file) && fail(SystemCall::flush)) return FALSE;
  }
  return system(file);
}

BOOL WINAPI move_file(LPCWSTR from, LPCWSTR to, DWORD flags) {
  static const auto system = system_function<MoveFileCall>("MoveFileExW");
  {
    const std::lock_guard<std::recursive_mutex> held(state->lock);
    if (matches(from) && fail(SystemCall::rename)) return FALSE;
  }
  return system(from, to, flags);
}

// A handle's number is given again once it is closed.
BOOL WINAPI close_handle(HANDLE handle) {
  static const auto system = system_function<HandleCall>("CloseHandle");
  {
    const std::lock_guard<std::recursive_mutex> held(state->lock);
    state->written.erase(handle);
  }
  return system(handle);
}

// Points every import of `name` in this program's import table at
// `replacement`, or back at the system's function when that is null.
void redirect(const char* name, void* replacement) {
  auto* const base = reinterpret_cast<unsigned char*>(GetModuleHandleW(nullptr));
  const auto* const dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* const headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  void* const target =
      replacement != nullptr
          ? replacement
          : reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name));
  for (auto* library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       library->Name != 0; ++library) {
    const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(
        base +
        (library->OriginalFirstThunk != 0 ? library->OriginalFirstThunk : library->FirstThunk));
    auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slot) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* by_name =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(by_name->Name), name) != 0) continue;
      DWORD protection = 0;
      VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection);
      slot->u1.Function = reinterpret_cast<ULONG_PTR>(target);
      VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
    }
  }
}

struct Redirection {
  const char* name;
  void* replacement;
};
const Redirection redirections[] = {
    {"CreateFileW", reinterpret_cast<void*>(create_file)},
    {"WriteFile", reinterpret_cast<void*>(write_file)},
    {"FlushFileBuffers", reinterpret_cast<void*>(flush_file)},
    {"MoveFileExW", reinterpret_cast<void*>(move_file)},
    {"CloseHandle", reinterpret_cast<void*>(close_handle)},
};

}  // namespace

FaultySystem::FaultySystem(Fault fault, std::function<void(HANDLE)> first_write) {
  state = new State;
  state->fault = std::move(fault);
  state->first_write = std::move(first_write);
  for (const Redirection& redirection : redirections) {
    redirect(redirection.name, redirection.replacement);
  }
}

FaultySystem::~FaultySystem() {
  for (const Redirection& redirection : redirections) redirect(redirection.name, nullptr);
  delete state;
  state = nullptr;
}

int FaultySystem::fired() const {
  const std::lock_guard<std::recursive_mutex> held(state->lock);
  return state->fired;
}

}  // namespace kelvrin::testing
