#include "platform/crt_time.h"

#include <cerrno>

errno_t localtime_s(std::tm* result, const std::time_t* time) {
  if (result == nullptr) return EINVAL;
  if (time == nullptr || localtime_r(time, result) == nullptr) {
    *result = std::tm{};
    return EINVAL;
  }
  return 0;
}
