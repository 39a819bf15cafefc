#pragma once
// Where an output is written and how it takes its name. A run writes into a
// hidden file beside the output (".name.part"); the output appears under its
// name only when it is finished, and the name is claimed at that moment:
// either replacing what is there (one rename) or never replacing, taking the
// next "(New_n)" name when the name is taken, so that two runs never write or
// overwrite the same file.
#include <string>

// base + "(New_" + n + ")" + extension, the extension being the file name's
// part from its last dot.
std::string NumberedFileName(const std::string& name, int n);
// The numbering dropped again: "D/clip(New_2).mp4" -> "D/clip.mp4"; a name
// without "(New_" in its file name part comes back unchanged.
std::string WithoutFileNumber(const std::string& name);
bool HasFileNumber(const std::string& name);

// The hidden file a run writes `finalName` into: "D/.clip.mp4.part"; with
// `attempt` > 0 "D/.clip.mp4.<attempt>.part" (the first was in use).
std::string PartFileName(const std::string& finalName, int attempt = 0);

// A part file claimed by this process: created (or, when a killed run left it
// behind, taken over and emptied) and locked while it is written, so another
// run aiming at the same name takes the next part name instead.
class PartFile {
public:
    PartFile() = default;
    ~PartFile();
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    // Claims the part file of `finalName`; false with `error` (the path and
    // the system's reason) when none can be made.
    bool Claim(const std::string& finalName, std::string& error);
    const std::string& Name() const { return name_; }
    bool Claimed() const { return fd_ >= 0; }

    // Gives the finished file its name: `wanted` itself (replacing a file of
    // that name when `replace`), else the first free "(New_n)" name. Returns
    // the name taken, or "" with `error`. The part file is gone afterwards.
    std::string Place(const std::string& wanted, bool replace, std::string& error);
    // Deletes the part file (an output that is not kept).
    void Discard();

private:
    void Release();
    std::string name_;
    int fd_ = -1;  // holds the lock
};
