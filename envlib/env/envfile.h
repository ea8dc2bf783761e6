// Reading and writing the environment file as a whole.
#pragma once
#include "env/envrecord.h"

#include <string>

namespace dorlix {

enum class EnvFileState { Missing, Damaged, Good };

// Reads the file at winPath. Only a complete file with the magic text is Good
// and copied into image; a missing or damaged file leaves image untouched.
EnvFileState ReadEnvFile(const std::string& winPath, SysEnvFile& image);
// Writes image to winPath with truncation; true when every byte reached the file.
bool WriteEnvFile(const std::string& winPath, const SysEnvFile& image);
// True when the file can be opened for reading.
bool EnvFileOpens(const std::string& winPath);

} // namespace dorlix
