// Checks and error conversion shared by the three transports.
#pragma once

#include <cstddef>
#include <exception>
#include <utility>

#include "link/econnect.h"

namespace danvore {

// One read step never returns more than this (a full frame is 65553 bytes),
// so a peer that never stops sending cannot hold a read forever.
constexpr std::size_t kMaxReadBytes = 128 * 1024;

// Raises EConnect "User Canceled" once the application is shutting down.
void CheckAppRunning();

// Runs one device step; any failure of the device layer becomes EConnect
// with the same message.
template <typename Step>
decltype(auto) AsEConnect(Step&& step) {
  try {
    return std::forward<Step>(step)();
  } catch (const EConnect&) {
    throw;
  } catch (const std::exception& error) {
    throw EConnect(error.what());
  }
}

}  // namespace danvore
