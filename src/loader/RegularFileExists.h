#pragma once

#include <string>

namespace tolmer {

// True when the name, following symbolic links, is a regular file. Wildcards are
// never expanded, and directories, devices, FIFOs and sockets do not count.
bool RegularFileExists(const std::string& name);

}  // namespace tolmer
