#include <cstddef>
#include <cstdint>

#include "loopcost/fuzz/analysischeck.h"
#include "loopcost/fuzz/editorcheck.h"
#include "loopcost/fuzz/roundtrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkRoundTrip(data, size);
    checkAnalysis(data, size);
    checkEditor(data, size);
    return 0;
}
