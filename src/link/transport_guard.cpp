#include "link/transport_guard.h"

#include "core/config.h"

namespace danvore {

void CheckAppRunning() {
  if (!GetConfig().AppRunning) throw EConnect("User Canceled");
}

}  // namespace danvore
