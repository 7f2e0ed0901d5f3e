// A fast 64-bit hash of bytes (the XXH64 function), for telling versions of a
// file apart and for checksums of what we wrote ourselves. Not for defending
// against someone who crafts collisions: that is what base/sha256.h is for.
#pragma once
#include <cstddef>
#include <cstdint>

namespace base {

uint64_t Hash64(const void* data, size_t size, uint64_t seed = 0);

}  // namespace base
