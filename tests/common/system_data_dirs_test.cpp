// The toolkit's data folders gain the system's only when a session left them out.
#include <gtest/gtest.h>

#include <gio/gio.h>

#include <cstdlib>

#include "common/toolkit/system_data_dirs.h"

namespace {

TEST(ToolkitDataDirs, TheSystemFoldersFollowOnlyWhenMissing) {
  struct Case {
    const char* current;
    const char* expected;
  } cases[] = {
      {nullptr, ""},
      {"", ""},
      {"/usr/share", "/usr/share"},
      {"/home/a/.local/share:/usr/share/", "/home/a/.local/share:/usr/share/"},
      {"/opt/x/share", "/opt/x/share:/usr/local/share:/usr/share"},
      {"/usr/share/extra:/usr/sharez", "/usr/share/extra:/usr/sharez:/usr/local/share:/usr/share"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(kv::toolkit::data_dirs_for_toolkit(c.current), c.expected) << (c.current ? c.current : "(unset)");
}

TEST(ToolkitDataDirs, TheToolkitAndItsMimeReaderSeeThem) {
  setenv("XDG_DATA_DIRS", "/nonexistent/share", 1);
  kv::toolkit::give_toolkit_system_data_dirs();
  EXPECT_STREQ(std::getenv("XDG_DATA_DIRS"), "/nonexistent/share:/usr/local/share:/usr/share");
  gboolean uncertain = false;
  gchar* type = g_content_type_guess("icon.png", nullptr, 0, &uncertain);
  EXPECT_STREQ(type, "image/png");  // application/octet-stream without the MIME database
  g_free(type);
}

}  // namespace
