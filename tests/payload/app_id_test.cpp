// The app's id as the packer makes it from a name, and what the launchers
// take as one: it names a folder of the user's.
#include <gtest/gtest.h>

#include "payload/app_id.h"

namespace {

TEST(AppId, MadeFromANameAndTakenOnlyWhenItNamesAFolderOfItsOwn) {
  const std::pair<const char*, const char*> made[] = {
      {"notes", "notes"},
      {"@acme/Notes App", "acme-notes-app"},
      {"  Mon éditeur!  ", "mon-diteur"},
      {"my_app.v2", "my_app.v2"},
      {"..hidden..", "hidden"},
      {"日本語", "app-805f5ce7"},  // FNV-1a of its UTF-8 bytes
  };
  for (const auto& [name, id] : made) {
    EXPECT_EQ(app_id_from(name), id) << name;
    EXPECT_TRUE(is_app_id(app_id_from(name))) << name;
  }
  EXPECT_EQ(app_id_from(std::string(100, 'a')), std::string(64, 'a'));
  for (const char* not_id : {"", ".", "..", "../x", "-x", "Notes", "a/b", "a b", "a\\b"})
    EXPECT_FALSE(is_app_id(not_id)) << not_id;
  EXPECT_FALSE(is_app_id(std::string(65, 'a')));
}

}  // namespace
