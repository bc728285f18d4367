// The web view gadget over the fake runtime: its host, the kind's operations,
// re-creation and every way its creation can fail.
#include "payload/zip_index.h"
#include "runtime/window/display_scale.h"
#include "web_view_test_support.h"

namespace {

using strings = std::vector<std::string>;

gadget_record* gadget(int64_t number) { return (gadget_record*)find_object(gadget_registry, number); }

TEST_F(WebViewGadgetTest, HostsAReadyBrowserAndDrivesIt) {
  auto host = (HWND)(intptr_t)create_web_view_gadget(1, 0, 0, 800, 600);
  ASSERT_TRUE(IsWindow(host));
  wchar_t name[32] = {};
  GetClassNameW(host, name, 32);
  EXPECT_STREQ(name, L"TiloWebView");
  EXPECT_EQ(GetParent(host), parent);
  RECT rect = rect_in_parent(host), expected{0, 0, 800, 600};
  EXPECT_TRUE(EqualRect(&rect, &expected));
  gadget_record* record = gadget(1);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->window, host);
  EXPECT_EQ(record->kind->kind_code, 35);
  EXPECT_EQ(record->kind->table_size, 328);
  auto native_object = (gadget_native_object_slot)kind_slot(record, slot_native_object);
  auto* controller = (ICoreWebView2Controller*)native_object(record, web_view_native_controller);
  ASSERT_NE(controller, nullptr);
  EXPECT_EQ(native_object(record, 9), nullptr);
  std::vector<fake_line> lines = fake_record_in_process();
  EXPECT_EQ(fake_values(lines, "settings"), (strings{"devtools 0", "statusbar 0", "non_client_region 1"}));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().key + " " + lines.back().value, "visible 1") << "showing is creation's last step";

  set_gadget_text(1, L"");
  set_gadget_text(1, L"file://C:\\users\\me\\Temp\\webapp/index.html");
  auto set_item_text = (gadget_set_item_text_slot)kind_slot(record, slot_set_item_text);
  set_item_text(record, 1, L"<p>\u03c0</p>");
  set_item_text(record, 2, L"<p>not shown</p>");
  lines = fake_record_in_process();
  EXPECT_EQ(fake_values(lines, "navigate"), (strings{"about:blank", "file://C:\\users\\me\\Temp\\webapp/index.html"}));
  EXPECT_EQ(fake_values(lines, "html"), (strings{"<p>\xcf\x80</p>"}));

  // The launcher's answer to a size event.
  SetWindowPos(parent, nullptr, 0, 0, 520, 410, SWP_NOMOVE | SWP_NOZORDER);
  int32_t code;
  while ((code = pop_event()) && code != event_size) {
  }
  ASSERT_EQ(code, event_size);
  resize_gadget(1, 0, 0, (int32_t)window_inner_width(0), (int32_t)window_inner_height(0));
  RECT bounds{}, client{};
  controller->get_Bounds(&bounds);
  GetClientRect(host, &client);
  EXPECT_TRUE(EqualRect(&bounds, &client));
  GetClientRect(parent, &rect);
  EXPECT_TRUE(EqualRect(&client, &rect)) << "the host does not fill the window";

  clear_fake_record();
  ((gadget_set_focus_slot)kind_slot(record, slot_set_focus))(record);
  EXPECT_EQ(fake_values(fake_record_in_process(), "focus"), (strings{"0"}));

  // Only a web view serves a virtual host.
  zip_index index;
  EXPECT_EQ(serve_web_view_archive(1, L"app.wapp", index), 1);
  EXPECT_EQ(fake_values(fake_record_in_process(), "resource_filter"), (strings{"https://app.wapp/* 0"}));
  create_test_gadget(6, full_kind());
  EXPECT_EQ(serve_web_view_archive(6, L"app.wapp", index), 0) << "another kind's data is no browser";
  EXPECT_EQ(serve_web_view_archive(7, L"app.wapp", index), 0) << "no gadget 7";
  release_gadget(6);

  int64_t id = create_web_view_gadget(any_number, 10, 10, 100, 80);
  ASSERT_NE(gadget(id), nullptr);
  EXPECT_NE((HWND)(intptr_t)id, gadget(id)->window) << "any_number answers an identifier";
  release_gadget(1);
  release_gadget(id);
  EXPECT_EQ(web_view_hosts(parent), 0);
  EXPECT_EQ(fake_live_references(), 0);
}

TEST_F(WebViewGadgetTest, RecreatingGadgetOneMakesTheNewBrowserBeforeTearingDownTheOld) {
  auto old_host = (HWND)(intptr_t)create_web_view_gadget(1, 0, 0, 300, 200);
  ASSERT_NE(old_host, nullptr);
  clear_fake_record();
  auto new_host = (HWND)(intptr_t)create_web_view_gadget(1, 0, 0, 300, 200);
  ASSERT_NE(new_host, nullptr);
  std::vector<fake_line> lines = fake_record_in_process();
  size_t ready = find_fake_line(lines, "controller_completed"), closed = find_fake_line(lines, "close");
  EXPECT_LT(ready, closed);
  EXPECT_LT(closed, lines.size()) << "the old browser was not closed";
  EXPECT_FALSE(IsWindow(old_host));
  EXPECT_EQ(gadget(1)->window, new_host);
  EXPECT_EQ(web_view_hosts(parent), 1);
  release_gadget(1);
  EXPECT_EQ(fake_live_references(), 0);
}

TEST_F(WebViewGadgetTest, EveryFailedCreationLeavesNothingAndGadgetOneAsItWas) {
  auto host = (HWND)(intptr_t)create_web_view_gadget(1, 0, 0, 300, 200);
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(web_view_runtime_missing(), 0);
  webview::creation_timeout_ms = 200;
  for (const wchar_t* failure : {L"environment", L"controller", L"core_webview", L"never_complete", L""}) {
    SetEnvironmentVariableW(fake_fail_variable, failure);
    // The empty failure runs without any runtime.
    if (!*failure) unregister_fake_runtime();
    // On an environment of each web view's own, and on one asked for ahead.
    for (bool prepared : {false, true}) {
      SCOPED_TRACE(prepared ? "prepared" : "own");
      if (prepared) prepare_web_view_environment();
      EXPECT_EQ(create_web_view_gadget(1, 0, 0, 300, 200), 0) << failure;
      EXPECT_EQ(web_view_runtime_missing(), *failure ? 0 : 1) << "only a missing runtime is one";
      EXPECT_EQ(create_web_view_gadget(2, 0, 0, 300, 200), 0) << failure;
      release_web_view_environment();
      EXPECT_EQ(gadget(2), nullptr);
      ASSERT_NE(gadget(1), nullptr);
      EXPECT_EQ(gadget(1)->window, host);
      EXPECT_EQ(web_view_hosts(parent), 1) << "a host was left behind";
    }
  }
  clear_fake_record();
  set_gadget_text(1, L"about:blank");
  EXPECT_EQ(fake_values(fake_record_in_process(), "navigate"), (strings{"about:blank"}));
  release_gadget(1);
  EXPECT_EQ(fake_live_references(), 0);
}

// Asked for ahead, the environment is the one every web view is made on
// until it is let go: one browser process, not one per web view.
TEST_F(WebViewGadgetTest, WebViewsAreMadeOnThePreparedEnvironmentUntilItIsLetGo) {
  SetEnvironmentVariableW(fake_environment_delay_variable, L"50");
  ASSERT_EQ(prepare_web_view_environment(), 1);
  EXPECT_EQ(prepare_web_view_environment(), 1) << "asked for twice";
  ASSERT_NE(create_web_view_gadget(1, 0, 0, 300, 200), 0);
  ASSERT_NE(create_web_view_gadget(1, 0, 0, 300, 200), 0);
  ASSERT_NE(create_web_view_gadget(2, 0, 0, 300, 200), 0);
  std::vector<fake_line> lines = fake_record_in_process();
  EXPECT_EQ(fake_values(lines, "create_environment").size(), 1u);
  EXPECT_EQ(fake_values(lines, "create_controller").size(), 3u);
  release_gadget(1);
  release_gadget(2);
  EXPECT_EQ(fake_live_references(), 1) << "the prepared environment went with its web views";
  release_web_view_environment();
  EXPECT_EQ(fake_live_references(), 0);

  // Let go of, it makes way for an environment of each web view's own.
  ASSERT_NE(create_web_view_gadget(1, 0, 0, 300, 200), 0);
  EXPECT_EQ(fake_values(fake_record_in_process(), "create_environment").size(), 2u);
  release_gadget(1);

  // One that no web view took goes with the library's stop.
  prepare_web_view_environment();
  let_environments_answer();
  EXPECT_EQ(fake_live_references(), 1);
  gadget_library_stop();
  EXPECT_EQ(fake_live_references(), 0);
}

TEST_F(GadgetTest, LibraryStopReleasesTheGadgetsBeforeTheirWindowsGo) {
  create_test_gadget(1, full_kind());
  create_test_gadget(any_number, full_kind());
  gadget_library_stop();
  EXPECT_EQ(seen.releases, 2);
  EXPECT_TRUE(IsWindow(parent));
}

}  // namespace
