#include "services/temporary_names.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace treebane {
namespace {

TEST(TemporaryFileName, NamesTellTheirProcessAndAreShort) {
  std::uint32_t owner = 0;
  EXPECT_EQ(TemporaryFileName(4321, 0), ".treebane-4321-0.tmp");
  ASSERT_TRUE(TemporaryFileOwner(TemporaryFileName(4321, 17), owner));
  EXPECT_EQ(owner, 4321u);

  const std::string longest = TemporaryFileName(UINT32_MAX, UINT64_MAX);
  EXPECT_EQ(longest.size(), 45u);
  ASSERT_TRUE(TemporaryFileOwner(longest, owner));
  EXPECT_EQ(owner, UINT32_MAX);
  EXPECT_FALSE(longest.ends_with(".tree.tga"));
}

TEST(TemporaryFileName, OtherNamesBelongToNoProcess) {
  const char* const others[] = {
      ".treebane-slot2.tmp",  // the names of older versions
      ".treebane-copy.tmp",
      ".treebane-.tmp",
      ".treebane-12-.tmp",
      ".treebane--3.tmp",
      ".treebane-12.tmp",
      ".treebane-012-3.tmp",  // leading zeros
      ".treebane-12-03.tmp",
      ".treebane-12-3-4.tmp",
      ".treebane-1a-3.tmp",
      ".treebane- 12-3.tmp",
      ".treebane-4294967296-3.tmp",  // beyond any process id
      ".treebane-12-18446744073709551616.tmp",
      ".treebane-12-3.tmp.tree.tga",
      "treebane-12-3.tmp",
      ".TREEBANE-12-3.tmp",
      ".treebane-12-3.TMP",
      ".treebane-12-3.tmp ",
      "",
  };
  for (const char* name : others) {
    std::uint32_t owner = 7;
    EXPECT_FALSE(TemporaryFileOwner(name, owner)) << name;
    EXPECT_EQ(owner, 7u) << name;
  }
}

}  // namespace
}  // namespace treebane
