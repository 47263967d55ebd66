#include <termios.h>

#include <iterator>

#include "platform/termios_speed.h"

namespace danvore::platform {

namespace {

struct TSpeed {
  speed_t Code;
  int Baud;
};

constexpr TSpeed kSpeeds[] = {
    {B1200, 1200},     {B2400, 2400},     {B4800, 4800},     {B9600, 9600},
    {B19200, 19200},   {B38400, 38400},   {B57600, 57600},   {B115200, 115200},
    {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
};

}  // namespace

int SpeedToBaud(unsigned int speedCode) {
  for (const TSpeed& speed : kSpeeds) {
    if (speed.Code == speedCode) return speed.Baud;
  }
  return 0;
}

bool BaudToSpeed(int baud, unsigned int& speedCode) {
  for (const TSpeed& speed : kSpeeds) {
    if (speed.Baud == baud) {
      speedCode = speed.Code;
      return true;
    }
  }
  return false;
}

}  // namespace danvore::platform
