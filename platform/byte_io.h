// Single-byte reads and writes of a stdio stream without locking: the program has one thread,
// and the locking calls cost several times more per byte.
#pragma once

#include <cstdio>

#ifdef _WIN32
inline int byte_get(FILE* f) { return _getc_nolock(f); }
inline int byte_put(int c, FILE* f) { return _putc_nolock(c, f); }
#else
inline int byte_get(FILE* f) { return getc_unlocked(f); }
inline int byte_put(int c, FILE* f) { return putc_unlocked(c, f); }
#endif

#include <cstdint>

// 64-bit positions, so pages beyond 2 GiB can be revisited too.
#ifdef _WIN32
inline int64_t byte_tell(FILE* f) { return _ftelli64(f); }
inline int byte_seek(FILE* f, int64_t position) { return _fseeki64(f, position, SEEK_SET); }
#else
inline int64_t byte_tell(FILE* f) { return ftello(f); }
inline int byte_seek(FILE* f, int64_t position) { return fseeko(f, static_cast<off_t>(position), SEEK_SET); }
#endif
