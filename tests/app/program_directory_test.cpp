#include "app/program_directory.h"

#include <gtest/gtest.h>

namespace tonvale {
namespace {

TEST(ProgramDirectoryTest, AFolderOfTheUsersOwnHoldsTheWorkFiles) {
  EXPECT_EQ(ChooseProgramDirectory("/home/u/tonvale/build/bin/", false, true, nullptr, "/home/u"),
            "/home/u/tonvale/build/bin/");
}

TEST(ProgramDirectoryTest, AnInstalledProgramUsesTheUsersDataFolder) {
  // Installed: never write beside /usr/bin, even for a user who could.
  EXPECT_EQ(ChooseProgramDirectory("/usr/bin/", true, true, nullptr, "/home/u"),
            "/home/u/.local/share/tonvale/");
  EXPECT_EQ(ChooseProgramDirectory("/opt/t/bin/", false, false, "/data/xdg/", "/home/u"),
            "/data/xdg/tonvale/");
  // A relative XDG_DATA_HOME is invalid and ignored.
  EXPECT_EQ(ChooseProgramDirectory("/usr/bin/", true, false, "rel", "/home/u"),
            "/home/u/.local/share/tonvale/");
  EXPECT_EQ(ChooseProgramDirectory("/usr/bin/", true, false, nullptr, nullptr), "/usr/bin/");
}

TEST(ProgramDirectoryTest, TheTestBinaryFolderIsFoundAndEndsWithASlash) {
  std::string dir = GetExecutableDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '/');
  EXPECT_EQ(dir.front(), '/');
}

}  // namespace
}  // namespace tonvale
