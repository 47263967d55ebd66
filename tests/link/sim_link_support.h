// A link and an in-process register simulator, for the end-to-end tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/errors.h"
#include "ecr-sim/simulator.h"
#include "link/hecr_link.h"
#include "link/link_test_support.h"

namespace danvore::test {

constexpr std::int32_t kStatusId = 20000;

inline sim::TSimOptions SimOptions(std::vector<std::string> commands = {}) {
  sim::TSimOptions options;
  options.EcrId = 123456;
  options.Commands = std::move(commands);
  return options;
}

// A register that never answers in time: two attempts of 500 ms, each with
// its "Send:" line and a retry line that carries its number.
inline void ExpectSilentRegisterTimesOut(THecrLink& link, const TLogCapture& log) {
  TBytes buffer;
  const TResult result = link.SendBuffer(kStatusId, buffer, 0, 0, 500, 1, "123456");
  EXPECT_EQ(result.Code, rcTimeOut);
  EXPECT_EQ(result.Msg, SysErrorMessage(ERROR_TIMEOUT_CODE));
  EXPECT_EQ(log.Starting("Send:").size(), 2u);
  const std::string text = SysErrorMessage(ERROR_TIMEOUT_CODE);
  EXPECT_EQ(log.Starting("Send Data"),
            (std::vector<std::string>{"Send Data Error, " + text + ", Retry:0",
                                      "Send Data Error, " + text + ", Retry:1"}));
  EXPECT_TRUE(log.Starting("Receive:").empty());
}

}  // namespace danvore::test
