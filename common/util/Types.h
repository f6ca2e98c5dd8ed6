// Fixed-width integer names used throughout Vorl.
#pragma once

#include <cstdint>

typedef int32_t sint32;
typedef uint32_t uint32;
typedef uint8_t uint8;
