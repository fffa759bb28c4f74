#include <atomic>
#include <cstring>

#include "platform/new_file.hpp"
#include "platform/own_files.hpp"

namespace kelvrin::platform {
namespace {

// Fixed storage: an interruption's handler may neither allocate nor lock.
constexpr int slot_count = 8;
constexpr std::size_t longest_path = 4096;  // PATH_MAX on Linux; 32 767 UTF-16 units on Windows

struct Slot {
  std::atomic<bool> in_use{false};  // claimed by a conversion
  std::atomic<bool> filled{false};  // `path` is complete
  char path[longest_path];
};

Slot slots[slot_count];

}  // namespace

OwnFileName::OwnFileName(const std::string& path) {
  if (path.size() >= longest_path) return;
  for (int i = 0; i < slot_count; ++i) {
    bool expected = false;
    if (slots[i].in_use.compare_exchange_strong(expected, true)) {
      std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
      slots[i].filled.store(true, std::memory_order_release);
      slot_ = i;
      return;
    }
  }
}

OwnFileName::~OwnFileName() {
  if (slot_ < 0) return;
  slots[slot_].filled.store(false, std::memory_order_release);
  slots[slot_].in_use.store(false, std::memory_order_release);
}

void remove_own_files() noexcept {
  for (Slot& slot : slots) {
    if (slot.filled.load(std::memory_order_acquire)) remove_file(slot.path);
  }
}

}  // namespace kelvrin::platform
