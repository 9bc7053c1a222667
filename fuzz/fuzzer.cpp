#include <cstddef>
#include <cstdint>

#include "roundtrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkRoundTrip(data, size);
    return 0;
}
