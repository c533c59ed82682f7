// What both test hosts keep of a reply, and the short form tests compare replies in.
#pragma once

#include <string>
#include <vector>

#include "convengine/mordax_api.h"

namespace mordax::test {

struct ReplyRecord {
  int op = 0;
  int status = 0;
  LPARAM value = 0;
  // Copies of the records that came with item-start and time replies (the host frees them).
  Qn_ConvertItem item;
  Qn_ConvertTime time;
};

// op/status pairs as "100/1 100/2", a failure with ":value"; without progress, the processing
// and time replies are left out.
template <typename R>
std::string ReplyCodes(const std::vector<R>& replies, bool withProgress) {
  std::string codes;
  for (const ReplyRecord& r : replies) {
    if (!withProgress && (r.status == Qn_MSG_CONVERT_PROCESSING || r.status == Qn_MSG_TIME_INFO)) continue;
    if (!codes.empty()) codes += ' ';
    codes += std::to_string(r.op) + "/" + std::to_string(r.status);
    if (r.status == Qn_MSG_FAILED) codes += ":" + std::to_string(r.value);
  }
  return codes;
}

}  // namespace mordax::test
