#pragma once

#include <string>

#include "render/DrawingSurface.h"
#include "render/HeightRange.h"

namespace tolmer {

// What a load needs from the object that owns it: somewhere to report status,
// a surface to paint on and the height range that shading reads.
class LoadHost {
 public:
  virtual ~LoadHost() = default;

  // Replaces the whole status text.
  virtual void SetStatus(const std::string& text) = 0;
  virtual DrawingSurface& Surface() = 0;
  virtual HeightRange& Range() = 0;
  // Called every few thousand cells while a load runs, so that a window can keep
  // itself painted during a long load. Throwing abandons the load with "Error".
  virtual void WhileLoading() {}

 protected:
  LoadHost() = default;
  LoadHost(const LoadHost&) = default;
  LoadHost& operator=(const LoadHost&) = default;
};

}  // namespace tolmer
