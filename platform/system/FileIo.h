#pragma once
// Whole reads and writes on a file descriptor: a short write or read goes
// on where it stopped, and an interrupted call is made again. Every layer
// above writes and reads whole files through these two.

#include <cstddef>
#include <string>

namespace sys {

// Writes all size bytes; 0, or the errno of the call that failed (a write
// that takes nothing counts as EIO).
int writeAll(int fd, const void* data, size_t size);
inline int writeAll(int fd, const std::string& bytes) { return writeAll(fd, bytes.data(), bytes.size()); }

// Appends everything left to read to out; 0, or the errno of the read that
// failed (out then holds what came before it).
int readAll(int fd, std::string& out);

}  // namespace sys
