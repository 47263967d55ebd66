// Kept apart from the termios code: the kernel's termios2 header clashes
// with the C library's <termios.h>.
#include "platform/serial_custom_baud.h"

#if defined(__linux__)
#include <asm/ioctls.h>
#include <asm/termbits.h>

extern "C" int ioctl(int fd, unsigned long request, ...);
#endif

namespace danvore::platform {

#if defined(__linux__)
bool SetCustomBaudRate(int fd, int rate) {
  struct termios2 settings {};
  if (ioctl(fd, TCGETS2, &settings) != 0) return false;
  settings.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
  settings.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  settings.c_ispeed = static_cast<speed_t>(rate);
  settings.c_ospeed = static_cast<speed_t>(rate);
  return ioctl(fd, TCSETS2, &settings) == 0;
}
#else
bool SetCustomBaudRate(int, int) {
  return false;
}
#endif

}  // namespace danvore::platform
