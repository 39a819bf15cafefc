#pragma once
// File names handed to the media libraries. Names are UTF-8 and pass straight
// through, except a relative name with ":" before any "/" ("clip:1.avi"),
// which the libraries would take for a protocol: it gets the "file:" prefix.
// WideFileName is the exact inverse.
#include <string>

std::string MediaFileName(const std::string& fileName);
std::string WideFileName(const std::string& mediaName);
