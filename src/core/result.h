// Outcome of every register operation and the link's transport settings.
#pragma once

#include <cstdint>
#include <string>

namespace danvore {

enum TRetCode : std::uint8_t {
  rcSuccess = 0,         // done
  rcEConnect = 1,        // the transport failed
  rcInvalidCommand = 2,  // an unknown command
  rcTimeOut = 3,         // no reply within the attempts
  rcEVastel = 4,         // the register answered with its error reply
  rcError = 5,           // any other failure
};

struct TResult {
  TRetCode Code = rcSuccess;
  std::string Msg;
  std::int32_t ExParams = 0;
};

void SetResult(TRetCode Code, const std::string& Msg, std::int32_t ExParams, TResult& Result);

const char* RetCodeName(TRetCode Code);

enum TConnMode : std::uint8_t { cmCOM = 0, cmTCPClient = 1, cmHID = 2 };

// cmCOM: Host = port name, Port = baud rate. cmTCPClient: Host = address,
// Port = TCP port (low 16 bits). cmHID: Host = product id as decimal text,
// Port = vendor id.
struct TConnParams {
  TConnMode Mode = cmCOM;
  std::string Host;
  std::int32_t Port = 0;
};

}  // namespace danvore
