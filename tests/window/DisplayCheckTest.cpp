// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/DisplayCheck.h"

#include <gtest/gtest.h>

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

TEST(DisplayCheckTest, MessageIsOneLineThatNamesTheWayOut) {
  EXPECT_EQ(kNoDisplayMessage.find('\n'), std::string_view::npos);
  EXPECT_NE(kNoDisplayMessage.find("xvfb-run"), std::string_view::npos);
}

}  // namespace
}  // namespace tolmer
