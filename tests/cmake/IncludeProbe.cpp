// One include, compiled with a library's include path: whether that library's
// code may name the header. QUORVEX_PROBE_HEADER is set per probe target.
#include QUORVEX_PROBE_HEADER
