// Why a file or folder cannot be read, in words for the user: an import names
// it beside the path, and kdx says it of the files given on its command line.
#pragma once

#include <sys/types.h>

#include <string>

// The errno of a failed open or stat in words: "permission denied", "no such
// file or folder", and so on; the system's text for the rarer ones.
[[nodiscard]] std::string KDX_FileErrorText(int error);

// 0 when path (a file or a folder) can be opened for reading, else the errno
// of the open that failed. A FIFO is opened without waiting for a writer.
[[nodiscard]] int KDX_ReadError(const std::string& path);

// What a thing of this mode that is neither a file nor a folder is, for the
// user: "FIFO", "socket", "device". An import never reads one: it might
// never end.
[[nodiscard]] const char* KDX_SpecialFileKind(mode_t mode);
