// Arbitrary INI text for the extension list reader.
#include "extensionlist.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto list = mci::ExtensionList::fromIni(text)) {
        for (const auto& entry : list->entries())
            (void)list->deviceTypeForFile("file." + entry.extension);
    }
    return 0;
}
