#pragma once
// Pieces shared by the file operations and the trash; not for callers outside fs/.
#include <string>

#include "fs/file_ops.h"
#include "fs/path_text.h"

FileOpResult FileOpFailed(int error, const std::string& what, const std::string& path);
// The refusal of a path holding a NUL byte (EINVAL, "invalid name"), with the NUL shown
// as "\0" in the message.
FileOpResult InvalidNameResult(const std::string& what, const std::string& path);
// path made absolute, or its nearest ancestor that exists.
std::string NearestExistingPath(const std::string& path);
