// A video hook module for the tests: records every call and paints the
// top-left 8x8 block of plane 0 white, so the tests can see that the picture
// is changed in place. Configure fails when its first argument is "fail".
#include "engine/VideoHookApi.h"
#include "TestHookState.h"

#include <cstdio>
#include <cstring>

namespace {
TestHookStateRecord state;
int contextToken;
}  // namespace

extern "C" {

TestHookStateRecord* TestHookState(void) { return &state; }

int Configure(void** ctx, int argc, char* argv[])
{
    ++state.configureCalls;
    state.argc = argc;
    for (int i = 0; i < argc && i < 16; ++i)
        std::snprintf(state.args[i], sizeof state.args[i], "%s", argv[i]);
    if (argc > 1 && std::strcmp(argv[1], "fail") == 0)
        return 1;
    *ctx = &contextToken;
    state.configuredContext = *ctx;
    return 0;
}

void Process(void* ctx, VideoHookPicture* picture, int pixFmt, int width, int height, int64_t ptsUs)
{
    const int call = state.processCalls++;
    if (call < TEST_HOOK_MAX_CALLS) {
        state.width[call] = width;
        state.height[call] = height;
        state.pixFmt[call] = pixFmt;
        state.ptsUs[call] = ptsUs;
        state.contexts[call] = ctx;
    }
    for (int y = 0; y < 8 && y < height; ++y)
        std::memset(picture->data[0] + y * picture->linesize[0], 255, width < 8 ? width : 8);
}

void Release(void* ctx)
{
    if (ctx == state.configuredContext)
        ++state.releaseCalls;
}

}  // extern "C"
