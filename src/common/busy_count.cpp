#include "common/busy_count.h"

namespace veltrane {

BusyCount& GlobalBusyCount() {
  static BusyCount count;
  return count;
}

}  // namespace veltrane
