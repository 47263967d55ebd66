#include "core/result.h"

namespace danvore {

void SetResult(TRetCode Code, const std::string& Msg, std::int32_t ExParams, TResult& Result) {
  Result.Code = Code;
  Result.Msg = Msg;
  Result.ExParams = ExParams;
}

const char* RetCodeName(TRetCode Code) {
  switch (Code) {
    case rcSuccess:
      return "rcSuccess";
    case rcEConnect:
      return "rcEConnect";
    case rcInvalidCommand:
      return "rcInvalidCommand";
    case rcTimeOut:
      return "rcTimeOut";
    case rcEVastel:
      return "rcEVastel";
    case rcError:
      return "rcError";
  }
  return "rcUnknown";
}

}  // namespace danvore
