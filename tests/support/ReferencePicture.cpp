#include "support/ReferencePicture.h"

#include "loader/ShowGrid.h"
#include "support/RecordingHost.h"

namespace tolmer::testing {
namespace {

class MemoryHost : public LoadHost {
 public:
  explicit MemoryHost(Colour background) : surface(kWindowWidth, kWindowHeight, background) {}

  void SetStatus(const std::string& text) override { status = text; }
  DrawingSurface& Surface() override { return surface; }
  HeightRange& Range() override { return range; }

  MemorySurface surface;
  HeightRange range;
  std::string status;
};

}  // namespace

ReferenceLoad LoadIntoMemory(const std::string& gridPath, Colour background) {
  MemoryHost host(background);
  ShowGrid(gridPath, host);
  return ReferenceLoad{host.surface, host.status};
}

}  // namespace tolmer::testing
