// The version block reader, and the company and application taken from its string tables.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/install_context.h"
#include "app/startup_params.h"
#include "app/version_updater.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CVersionUpdater reader;
    if (!reader.LoadBlock(std::vector<uint8_t>(data, data + size))) {
        FUZZ_CHECK(reader.StringTables().empty());
        return 0;
    }
    CInstallContext context({}, L"");
    ReadFileDescriptionParams(context, reader);
    return 0;
}
