// libFuzzer target: any byte string must load into a sound module or fail with a
// message, without reading or writing outside what it owns.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/module.h"
#include "tests/audio/module_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0xFFFFFFFFu) return 0;
    char message[MODULE_MESSAGE_SIZE];
    std::memset(message, 0x55, sizeof message);
    Module* m = module_load(ByteSource{data, static_cast<uint32_t>(size)}, message);
    if (!m) {
        if (std::memchr(message, 0, sizeof message) == nullptr || message[0] == 0) std::abort();
        return 0;
    }
    const char* fault = module_fault(*m);
    if (*fault) {
        std::fprintf(stderr, "loaded module is unsound: %s\n", fault);
        std::abort();
    }
    module_free(m);
    return 0;
}
