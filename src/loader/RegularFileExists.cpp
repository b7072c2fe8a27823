#include "loader/RegularFileExists.h"

#include <sys/stat.h>

namespace tolmer {

bool RegularFileExists(const std::string& name) {
  // An embedded NUL would silently name a different, shorter path.
  if (name.empty() || name.find('\0') != std::string::npos) {
    return false;
  }
  struct stat status {};
  return ::stat(name.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace tolmer
