#pragma once
// What the test video hook module saw, read by the tests through the
// module's TestHookState() entry point.
#include <stdint.h>

#define TEST_HOOK_MAX_CALLS 512

typedef struct TestHookStateRecord {
    int configureCalls;
    int releaseCalls;
    int argc;
    char args[16][128];  // the arguments given to Configure
    int processCalls;
    int width[TEST_HOOK_MAX_CALLS];
    int height[TEST_HOOK_MAX_CALLS];
    int pixFmt[TEST_HOOK_MAX_CALLS];
    int64_t ptsUs[TEST_HOOK_MAX_CALLS];
    void* contexts[TEST_HOOK_MAX_CALLS];  // the context each Process call got
    void* configuredContext;  // the context Configure returned
} TestHookStateRecord;

typedef TestHookStateRecord* (*TestHookStateFn)(void);
