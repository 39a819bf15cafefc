#pragma once
// An owned C stdio stream: closed when its owner goes.
#include <cstdio>
#include <memory>

struct CFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using CFilePtr = std::unique_ptr<std::FILE, CFileCloser>;
