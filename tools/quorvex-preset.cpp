// quorvex-preset NAME: prints the built-in preset NAME as a preset file
// (name=value lines), so the bench gives the ffmpeg tool the settings the
// engine uses; exits 1 for an unknown name.
#include "engine/BuiltinPresets.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: quorvex-preset NAME\n");
        return 2;
    }
    const char* text = FindBuiltinPreset(argv[1]);
    if (!text) {
        std::fprintf(stderr, "quorvex-preset: no built-in preset %s\n", argv[1]);
        return 1;
    }
    std::fputs(text, stdout);
    return 0;
}
