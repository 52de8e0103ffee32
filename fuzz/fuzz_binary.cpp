// zvd fuzzing: libFuzzer harness for the drawing loader fed with binary-stream bytes.
// Any input goes through loadFromStream; a loaded drawing must save, load again and save the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    ZVectorDrawing d;
    if (!zvdfuzz::load(d, bytes)) {
        zvdfuzz::requireEmpty(d);
        return 0;
    }
    zvdfuzz::requireStableBinary(d);
    return 0;
}
