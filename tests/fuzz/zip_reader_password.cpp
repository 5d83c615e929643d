// The ZIP reader with the password the seed archives were encrypted with, so that the
// decryption header, the data behind it and the CRC checks are reached.
#include "zip_extract.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ExtractFuzzedArchive(data, size, "fuzz-secret");
    return 0;
}
