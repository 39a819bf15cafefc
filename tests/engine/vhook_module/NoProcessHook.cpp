// A module that lacks the Process entry point: adding it must fail.
#include "engine/VideoHookApi.h"

extern "C" {

int Configure(void** ctx, int argc, char* argv[])
{
    *ctx = nullptr;
    return 0;
}

}  // extern "C"
