// Conversions between termios speed codes and baud rates (POSIX only; the
// codes travel as unsigned integers so that this header needs no termios).
#pragma once

namespace danvore::platform {

// 0 for a code that is not in the table.
int SpeedToBaud(unsigned int speedCode);
// False for a rate that has no code.
bool BaudToSpeed(int baud, unsigned int& speedCode);

}  // namespace danvore::platform
