#include "media/MediaFileName.h"

extern "C" {
#include <libavformat/avio.h>
}

#include <mutex>
#include <set>

namespace {

const std::string kFilePrefix = "file:";

const std::set<std::string>& ProtocolNames()
{
    static const std::set<std::string> names = [] {
        std::set<std::string> found;
        for (int output = 0; output <= 1; ++output) {
            void* opaque = nullptr;
            while (const char* name = avio_enum_protocols(&opaque, output))
                found.insert(name);
        }
        return found;
    }();
    return names;
}

bool StartsWithFilePrefix(const std::string& name) { return name.compare(0, kFilePrefix.size(), kFilePrefix) == 0; }

// A name the libraries would read as "<protocol>:..." for a protocol they do
// not know ("clip:1.avi" gives "Protocol not found").
bool LooksLikeUnknownProtocol(const std::string& name)
{
    const auto colon = name.find(':');
    if (colon == std::string::npos)
        return false;
    const auto slash = name.find('/');
    if (slash != std::string::npos && slash < colon)
        return false;
    return ProtocolNames().count(name.substr(0, colon)) == 0;
}

// Leading "file:" prefixes are looked through, so that adding one prefix
// and removing one are exact inverses for every name.
bool NeedsFilePrefix(std::string name)
{
    while (StartsWithFilePrefix(name))
        name.erase(0, kFilePrefix.size());
    return LooksLikeUnknownProtocol(name);
}

}  // namespace

std::string MediaFileName(const std::string& fileName)
{
    return NeedsFilePrefix(fileName) ? kFilePrefix + fileName : fileName;
}

std::string WideFileName(const std::string& mediaName)
{
    if (StartsWithFilePrefix(mediaName)) {
        std::string rest = mediaName.substr(kFilePrefix.size());
        if (NeedsFilePrefix(rest))
            return rest;
    }
    return mediaName;
}
