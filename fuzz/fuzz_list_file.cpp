// The kept conversion list from arbitrary bytes: a text the reader accepts
// must write back to a text that reads as the same rows; anything else must
// be refused with one of the reader's two errors, never by a crash.
#include "FuzzBudget.h"

#include "app/ListStore.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzzing::Budget::Start(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzing::Budget::Running(data, size);
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<KeptRow> rows;
    try {
        rows = ListFromJson(text);
    } catch (const ListFormatError&) {
        return 0;
    } catch (const ListVersionError&) {
        return 0;
    }
    const std::string written = ListToJson(rows);
    if (ListToJson(ListFromJson(written)) != written)
        std::abort();  // what was read did not survive a write and a read
    return 0;
}
