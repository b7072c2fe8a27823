// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/CommandLine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <filesystem>
#include <map>

#include <string>
#include <vector>

namespace tolmer {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

CommandLine Parse(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "tolmer");
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) {
    argv.push_back(argument.c_str());
  }
  return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(CommandLineTest, TheFileIsKeptByteForByte) {
  EXPECT_EQ(Parse({}).file, std::nullopt);
  EXPECT_EQ(Parse({"island.grid"}).file, "island.grid");
  // Not valid UTF-8, so no text can stand for it.
  EXPECT_EQ(Parse({"\xFF\xFE.grid"}).file, "\xFF\xFE.grid");
  EXPECT_EQ(Parse({"--", "--help"}).file, "--help");
  EXPECT_EQ(Parse({"--", "-reverse"}).file, "-reverse");
  EXPECT_EQ(Parse({"\xFF\xFE.grid"}).reply, std::nullopt);
}

TEST(CommandLineTest, HelpAndVersionAreAnsweredWithoutAWindow) {
  for (const char* help : {"--help", "-h"}) {
    const CommandLine command = Parse({"some.grid", help});
    EXPECT_EQ(command.exitStatus, 0);
    EXPECT_THAT(command.reply.value_or(""), StartsWith("Usage: "));
    EXPECT_THAT(command.reply.value_or(""), HasSubstr("--version"));
  }
  const CommandLine version = Parse({"--version"});
  EXPECT_EQ(version.exitStatus, 0);
  EXPECT_THAT(version.reply.value_or(""), HasSubstr(TOLMER_VERSION));
}

TEST(CommandLineTest, UnknownOptionsAndASecondFileAreRefused) {
  for (const auto& arguments : std::vector<std::vector<std::string>>{
           {"--bogus"},
           {"a.grid", "b.grid"},
           {"--export"},
           {"--export", "a.png"},
           {"--export=", "a.grid"},
           {"--export", "a.png", "a.grid", "b.grid"},
           {"--export", "a.png", "--export", "b.png", "a.grid"},
           {"--size", "40x30", "a.grid"},
           {"--export", "a.png", "--size", "0x30", "a.grid"},
           {"--export", "a.png", "--size", "40", "a.grid"},
           {"--export", "a.png", "--size", "2147483648x30", "a.grid"},
           {"--info"},
           {"--info", "a.grid", "b.grid"},
           {"--json", "a.grid"},
           {"--info", "--export", "a.png", "a.grid"},
           {"--thumbnail", "0", "a.grid", "a.png"},
           {"--thumbnail", "4097", "a.grid", "a.png"},
           {"--thumbnail", "-1", "a.grid", "a.png"},
           {"--thumbnail", "256", "a.grid"},
           {"--thumbnail", "256", "a.grid", "a.png", "b.png"},
           {"--thumbnail", "256", "--size", "9x9", "a.grid", "a.png"}}) {
    const CommandLine command = Parse(arguments);
    EXPECT_EQ(command.exitStatus, 2);
    EXPECT_THAT(command.reply.value_or(""), HasSubstr("tolmer --help"));
    EXPECT_EQ(command.file, std::nullopt);
    EXPECT_FALSE(command.exportRequest.has_value());
    EXPECT_FALSE(command.infoRequest.has_value());
    EXPECT_FALSE(command.thumbnailRequest.has_value());
  }
}

// What every Qt program takes goes to Qt, with its value, and the rest is read as ever.
TEST(CommandLineTest, QtsOwnOptionsAreLeftToQt) {
  const std::vector<std::string> options{"-style",     "Fusion", "-reverse",
                                         "--platform", "xcb",    "-stylesheet=a.qss"};
  std::vector<std::string> arguments = options;
  arguments.emplace_back("g.grid");
  const CommandLine shown = Parse(arguments);
  EXPECT_EQ(shown.reply, std::nullopt);
  EXPECT_EQ(shown.file, "g.grid");
  EXPECT_EQ(shown.qtOptions, options);
  arguments.insert(arguments.begin(), {"--export", "g.png"});
  EXPECT_EQ(Parse(arguments).exportRequest.value_or(ExportRequest{}).file, "g.grid");
}

TEST(CommandLineTest, ExportTakesThePictureTheFileAndABound) {
  const CommandLine plain = Parse({"--export", "\xFF.png", "\xFE.grid"});
  ASSERT_TRUE(plain.exportRequest.has_value());
  EXPECT_EQ(plain.reply, std::nullopt);
  EXPECT_EQ(plain.file, std::nullopt) << "an export opens no window";
  EXPECT_EQ(plain.exportRequest->picture, "\xFF.png");
  EXPECT_EQ(plain.exportRequest->file, "\xFE.grid");
  EXPECT_EQ(plain.exportRequest->boundWidth, 16384);
  EXPECT_EQ(plain.exportRequest->boundHeight, 16384);

  const CommandLine sized = Parse({"g.grid", "--size", "40x30", "--export=out.png"});
  ASSERT_TRUE(sized.exportRequest.has_value());
  EXPECT_EQ(sized.exportRequest->picture, "out.png");
  EXPECT_EQ(sized.exportRequest->file, "g.grid");
  EXPECT_EQ(sized.exportRequest->boundWidth, 40);
  EXPECT_EQ(sized.exportRequest->boundHeight, 30);
}

// As a thumbnailer's Exec line gives them, after "--" too, whatever the names' bytes.
TEST(CommandLineTest, InfoAndThumbnailTakeTheirFilesByteForByte) {
  const CommandLine info = Parse({"--json", "--info", "\xFF.grid"});
  ASSERT_TRUE(info.infoRequest.has_value());
  EXPECT_EQ(info.infoRequest->file, "\xFF.grid");
  EXPECT_TRUE(info.infoRequest->json);
  EXPECT_FALSE(Parse({"--info", "g.grid"}).infoRequest.value_or(InfoRequest{"", true}).json);

  for (const auto& arguments :
       std::vector<std::vector<std::string>>{{"--thumbnail", "1", "\xFF\xFE", "\xFF\xFD"},
                                             {"--thumbnail", "1", "--", "\xFF\xFE", "\xFF\xFD"},
                                             {"\xFF\xFE", "--thumbnail=1", "\xFF\xFD"}}) {
    const CommandLine thumbnail = Parse(arguments);
    ASSERT_TRUE(thumbnail.thumbnailRequest.has_value()) << thumbnail.reply.value_or("");
    EXPECT_EQ(thumbnail.thumbnailRequest->size, 1);
    EXPECT_EQ(thumbnail.thumbnailRequest->file, "\xFF\xFE");
    EXPECT_EQ(thumbnail.thumbnailRequest->picture, "\xFF\xFD");
  }
  EXPECT_EQ(Parse({"--thumbnail", "4096", "--", "-a.grid", "-a.png"}).thumbnailRequest->file,
            "-a.grid");
}

bool ConfiguredWith(const std::map<std::string, std::string>& environment,
                    const std::vector<std::string>& qtOptions = {}) {
  return DisplayConfigured(
      [&](const char* name) -> const char* {
        const auto found = environment.find(name);
        return found == environment.end() ? nullptr : found->second.c_str();
      },
      qtOptions);
}

TEST(DisplayConfiguredTest, AnyDisplayOrPlatformWillDo) {
  EXPECT_TRUE(ConfiguredWith({{"DISPLAY", ":0"}}));
  EXPECT_TRUE(ConfiguredWith({{"WAYLAND_DISPLAY", "wayland-0"}}));
  EXPECT_TRUE(ConfiguredWith({{"QT_QPA_PLATFORM", "offscreen"}}));
  EXPECT_TRUE(ConfiguredWith({{"DISPLAY", ""}, {"WAYLAND_DISPLAY", "wayland-1"}}));
  EXPECT_TRUE(ConfiguredWith({}, {"-reverse", "--platform", "vnc"}));
}

TEST(DisplayConfiguredTest, NothingOrEmptyValuesIsNoDisplay) {
  EXPECT_FALSE(ConfiguredWith({}));
  EXPECT_FALSE(ConfiguredWith({{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}}));
  EXPECT_FALSE(ConfiguredWith({{"XDG_SESSION_TYPE", "x11"}, {"TERM", "xterm"}}, {"-reverse"}));
}

// The advice names the program as it was started, in a form that runs from any folder.
TEST(DisplayConfiguredTest, MessageIsOneLineThatNamesTheWayOut) {
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
