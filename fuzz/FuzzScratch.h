#pragma once
// A private scratch file for targets whose reader takes a path: the input
// bytes are written to it before each run. Removed when the process ends.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzzing {

class ScratchFile {
public:
    // `suffix` keeps a file extension for readers that look at it.
    explicit ScratchFile(const std::string& suffix)
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quorvex-fuzz-XXXXXX";
        char* made = mkdtemp(pattern.data());
        if (!made)
            std::abort();  // the harness cannot work without a folder
        dir_ = made;
        path_ = dir_ + "/input" + suffix;
    }
    ~ScratchFile()
    {
        std::remove(path_.c_str());
        rmdir(dir_.c_str());
    }
    const std::string& Path() const { return path_; }
    const std::string& Write(const uint8_t* data, size_t size)
    {
        FILE* file = std::fopen(path_.c_str(), "wb");
        if (!file)
            std::abort();
        if (size && std::fwrite(data, 1, size, file) != size)
            std::abort();
        std::fclose(file);
        return path_;
    }

private:
    std::string dir_;
    std::string path_;
};

}  // namespace fuzzing
