#include "media/CodecLock.h"

std::recursive_mutex& CodecLock()
{
    static std::recursive_mutex lock;  // guards codec open/close and stream-information reads
    return lock;
}
