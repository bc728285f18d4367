// The engine's developer tools as the payload's settings ask for them.
#include "launcher-linux/settings.h"
#include "launcher-linux/web_view.h"
#include "linux_launcher_support.h"

namespace {

// The engine is asked in a process of its own, on a display of its own:
// GTK holds on to the display it started with.
class LinuxDevTools : public linux_launcher_test {};

TEST_F(LinuxDevTools, TheEnginesDeveloperExtrasFollowTheSetting) {
  for (auto [json, on] : {std::pair{"{}", false}, {"{\"DevTools\": \"0\"}", false}, {"{\"DevTools\": \"1\"}", true},
                          {"{\"DevTools\": \"2\"}", true}}) {
    pid_t child = fork();
    if (child == 0) {
      setenv("DISPLAY", screen.name().c_str(), 1);
      launcher_settings settings;
      if (!read_launcher_settings({true, json, "", nullptr}, settings) || !gtk_init_check(nullptr, nullptr)) _exit(2);
      WebKitWebView* view = create_web_view(webkit_web_context_get_default(), settings.app.dev_tools);
      _exit(webkit_settings_get_enable_developer_extras(webkit_web_view_get_settings(view)) ? 1 : 0);
    }
    EXPECT_EQ(wait_for_exit(child), on ? 1 : 0) << json;
  }
}

}  // namespace
