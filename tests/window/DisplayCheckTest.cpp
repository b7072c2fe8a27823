// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/DisplayCheck.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

namespace tolmer {
namespace {

bool ConfiguredWith(const std::map<std::string, std::string>& environment) {
  return DisplayConfigured([&](const char* name) -> const char* {
    const auto found = environment.find(name);
    return found == environment.end() ? nullptr : found->second.c_str();
  });
}

TEST(DisplayCheckTest, AnyDisplayOrPlatformWillDo) {
  EXPECT_TRUE(ConfiguredWith({{"DISPLAY", ":0"}}));
  EXPECT_TRUE(ConfiguredWith({{"WAYLAND_DISPLAY", "wayland-0"}}));
  EXPECT_TRUE(ConfiguredWith({{"QT_QPA_PLATFORM", "offscreen"}}));
  EXPECT_TRUE(ConfiguredWith({{"DISPLAY", ""}, {"WAYLAND_DISPLAY", "wayland-1"}}));
}

TEST(DisplayCheckTest, NothingOrEmptyValuesIsNoDisplay) {
  EXPECT_FALSE(ConfiguredWith({}));
  EXPECT_FALSE(ConfiguredWith({{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}}));
  EXPECT_FALSE(ConfiguredWith({{"XDG_SESSION_TYPE", "x11"}, {"TERM", "xterm"}}));
}

// The advice names the program as it was started, in a form that runs from any folder.
TEST(DisplayCheckTest, MessageIsOneLineThatNamesTheWayOut) {
  const std::string onPath = NoDisplayMessage("tolmer");
  EXPECT_EQ(onPath.find('\n'), std::string::npos);
  EXPECT_NE(onPath.find("use: xvfb-run tolmer "), std::string::npos) << onPath;

  const std::string absolute = (std::filesystem::current_path() / "src/window/tolmer").string();
  EXPECT_NE(NoDisplayMessage("src/window/tolmer").find("use: xvfb-run " + absolute + " "),
            std::string::npos);
  EXPECT_NE(
      NoDisplayMessage("/opt/tolmer/bin/tolmer").find("use: xvfb-run /opt/tolmer/bin/tolmer "),
      std::string::npos);
  EXPECT_NE(
      NoDisplayMessage("/my builds/it's/tolmer").find(R"(xvfb-run '/my builds/it'\''s/tolmer')"),
      std::string::npos);
}

}  // namespace
}  // namespace tolmer
