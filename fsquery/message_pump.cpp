#include "fsquery/message_pump.h"

#include <utility>

namespace fenmarrow {
namespace {

// One thread (the user-interface thread) installs and runs the pump.
std::function<void()>& InstalledPump() {
  static std::function<void()> pump;
  return pump;
}

}  // namespace

void SetMessagePump(std::function<void()> pump) { InstalledPump() = std::move(pump); }

void PumpPendingMessages() {
  // A copy, so that a handler run by the pump may replace or remove it safely.
  const std::function<void()> pump = InstalledPump();
  if (pump) pump();
}

}  // namespace fenmarrow
