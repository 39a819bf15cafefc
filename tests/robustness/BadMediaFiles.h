#pragma once
// The inputs users feed a converter by mistake, made at test time in a
// scratch folder: empty files, noise with a video name, cut-off files, a
// file with garbage in the middle of its media data, a file with the wrong
// extension, a folder, a file nobody may read.
#include "support/TestMedia.h"

#include <cstddef>
#include <string>
#include <vector>

namespace robust {

// What any reader must make of an input.
enum class Expect {
    Refused,  // opening fails with a message
    Opens,  // opens and describes itself
};

struct BadInput {
    const char* name;
    std::string path;
    Expect expect;
    bool needsUnprivileged = false;  // only unreadable when not run as root
    // When above 0: a conversion that finishes keeps about this many seconds,
    // so a damaged stretch costs only the damaged pictures and sound.
    double fullSeconds = 0;
    // Damaged or cut: a conversion that runs to its end is incomplete, never whole.
    bool damaged = false;
};

class BadMediaFiles {
public:
    static BadMediaFiles& Get();

    const std::vector<BadInput>& Inputs() const { return inputs_; }
    const BadInput& Input(const std::string& name) const;
    // A well-formed clip (H.264 + AAC in MP4, 2 s) and a folder readable
    // by every user, for tests that need both.
    const std::string& GoodMp4() const { return goodMp4_; }
    const qtest::ScratchDir& Dir() const { return dir_; }

private:
    BadMediaFiles();
    qtest::ScratchDir dir_;
    std::string goodMp4_;
    std::vector<BadInput> inputs_;
};

// Copies the first `keep` bytes of `from` into `to`.
void CopyPrefix(const std::string& from, const std::string& to, long long keep);

// Copies the MP4 file `from` into `to` with `count` bytes of noise written
// over the middle of its media data (mdat); the index (moov) stays intact.
void CopyWithGarbageInTheMediaData(const std::string& from, const std::string& to, size_t count);

}  // namespace robust
