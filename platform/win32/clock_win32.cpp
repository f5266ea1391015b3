#include <ctime>

#include "platform/clock.h"

namespace platform {

int64_t NowSeconds() {
    return static_cast<int64_t>(std::time(nullptr));
}

}  // namespace platform
