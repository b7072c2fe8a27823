// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/CommandLine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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
  for (const auto& arguments :
       {std::vector<std::string>{"--bogus"}, std::vector<std::string>{"a.grid", "b.grid"}}) {
    const CommandLine command = Parse(arguments);
    EXPECT_EQ(command.exitStatus, 2);
    EXPECT_THAT(command.reply.value_or(""), HasSubstr("tolmer --help"));
    EXPECT_EQ(command.file, std::nullopt);
  }
}

}  // namespace
}  // namespace tolmer
