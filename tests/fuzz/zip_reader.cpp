// The ZIP reader on archives without a password (encrypted entries meet the empty one).
#include "zip_extract.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ExtractFuzzedArchive(data, size, "");
    return 0;
}
