#include "korvane/monitor/reconnect_schedule.h"

#include <algorithm>

namespace korvane {

int ReconnectSchedule::nextWaitSeconds() const {
    if (interval_ <= 0 || blocked_)
        return -1;
    const int cap = std::max(interval_, kMaxWaitSeconds);
    long long wait = interval_;
    for (int i = 0; i < attempts_ && wait < cap; ++i)
        wait *= 2;
    return int(std::min<long long>(wait, cap));
}

}  // namespace korvane
