// EConnect: every transport failure inside the link.
#pragma once

#include <stdexcept>
#include <string>

namespace danvore {

class EConnect : public std::runtime_error {
 public:
  // Without a message: the system text of error 1167 (device not connected).
  EConnect();
  explicit EConnect(const std::string& AMessage);
};

}  // namespace danvore
