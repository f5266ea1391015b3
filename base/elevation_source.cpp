#include "base/elevation_source.h"

namespace base {
namespace {

uint64_t NextSerial() {
    static uint64_t next = 0;
    return ++next;
}

}  // namespace

ElevationSource::ElevationSource() : serial_(NextSerial()) {}

ElevationSource::~ElevationSource() = default;

}  // namespace base
