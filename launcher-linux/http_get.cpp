// libsoup 3, which WebKitGTK brings: a session of the calling thread's own,
// used only there, with the blocking calls.
#include "launcher-common/http_get.h"

#include <libsoup/soup.h>

#include <memory>

namespace {

template <typename T>
struct g_unref {
  void operator()(T* object) const {
    if (object) g_object_unref(object);
  }
};
template <typename T>
using g_owned = std::unique_ptr<T, g_unref<T>>;

bool failed(std::string& problem, std::string why, GError* error = nullptr) {
  problem = std::move(why);
  if (error) problem += error->message, g_error_free(error);
  return false;
}

}  // namespace

bool http_get(const std::string& url, uint64_t most, int stall_seconds,
              const std::function<bool(std::string_view)>& take, std::string& problem) {
  // The timeout covers connecting, the wait for the answer and every read.
  g_owned<SoupSession> session(soup_session_new_with_options("timeout", (guint)stall_seconds, "idle-timeout",
                                                             (guint)stall_seconds, nullptr));
  g_owned<SoupMessage> message(soup_message_new("GET", url.c_str()));
  if (!message) return failed(problem, "not an address: " + url);
  GError* error = nullptr;
  g_owned<GInputStream> body(soup_session_send(session.get(), message.get(), nullptr, &error));
  if (!body) return failed(problem, "", error);
  guint status = soup_message_get_status(message.get());
  if (status != SOUP_STATUS_OK) {
    const char* reason = soup_message_get_reason_phrase(message.get());
    return failed(problem, "the server answered " + std::to_string(status) + (reason && *reason ? " " : "") +
                               (reason ? reason : ""));
  }
  std::string too_long = "the server sends more than the " + std::to_string(most) + " bytes expected";
  SoupMessageHeaders* headers = soup_message_get_response_headers(message.get());
  if (soup_message_headers_get_encoding(headers) == SOUP_ENCODING_CONTENT_LENGTH &&
      (uint64_t)soup_message_headers_get_content_length(headers) > most)
    return failed(problem, too_long);
  std::unique_ptr<char[]> buffer(new char[64 << 10]);
  uint64_t received = 0;
  while (true) {
    gssize count = g_input_stream_read(body.get(), buffer.get(), 64 << 10, nullptr, &error);
    if (count < 0) return failed(problem, "", error);
    if (count == 0) break;
    received += (uint64_t)count;
    if (received > most) return failed(problem, too_long);
    if (!take(std::string_view(buffer.get(), (size_t)count))) return failed(problem, "");
  }
  g_input_stream_close(body.get(), nullptr, nullptr);
  return true;
}
