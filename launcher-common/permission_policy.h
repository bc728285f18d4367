#pragma once
// What a page may use of the user's machine beyond the page itself: the
// camera, the microphone, the location, notifications and reading the
// clipboard. The app's policy (the Permissions setting) says for each kind
// allow, deny or ask; it applies to the app's own pages alone, and every
// other origin, a frame of another origin too, is denied whatever it says.
// An answer the user gives holds for the rest of the run.
#include <string>
#include <string_view>

enum class permission_kind { camera, microphone, geolocation, notifications, clipboard_read };
constexpr int permission_kind_count = 5;
inline constexpr const char* permission_kind_names[permission_kind_count] = {
    "camera", "microphone", "geolocation", "notifications", "clipboard-read"};

enum class permission_choice { ask, allow, deny };
inline constexpr const char* permission_choice_names[] = {"ask", "allow", "deny"};

struct permission_policy {
  permission_choice choices[permission_kind_count] = {};  // ask for each
  permission_choice of(permission_kind kind) const { return choices[(int)kind]; }
};

// The Permissions setting's text: "camera=allow,geolocation=deny", each kind
// at most once; a kind not named is asked. False, with what is wrong, for
// any other text.
bool read_permission_policy(std::string_view text, permission_policy& policy, std::string& problem);
// What a setting that is no policy wants, for messages.
inline constexpr char permission_policy_form[] =
    "KIND=CHOICE pairs joined by commas (camera=allow,geolocation=deny): kinds camera, microphone, geolocation, "
    "notifications and clipboard-read, choices allow, deny and ask";

class permission_answers {
 public:
  enum class verdict { allow, deny, ask };
  // A policy that could not be read denies everything.
  permission_answers() : permission_answers(denying()) {}
  explicit permission_answers(const permission_policy& policy) : policy_(policy) {}

  verdict decide(permission_kind kind, bool from_app) const {
    if (!from_app) return verdict::deny;
    permission_choice choice = answered_[(int)kind] ? answers_[(int)kind] : policy_.of(kind);
    return choice == permission_choice::allow ? verdict::allow
           : choice == permission_choice::deny ? verdict::deny
                                               : verdict::ask;
  }
  void answer(permission_kind kind, bool allowed) {
    answered_[(int)kind] = true;
    answers_[(int)kind] = allowed ? permission_choice::allow : permission_choice::deny;
  }
  const permission_policy& policy() const { return policy_; }

 private:
  static permission_policy denying() {
    permission_policy policy;
    for (auto& choice : policy.choices) choice = permission_choice::deny;
    return policy;
  }
  permission_policy policy_;
  bool answered_[permission_kind_count] = {};
  permission_choice answers_[permission_kind_count] = {};
};

// The question put to the user for ask: its title (the app's name) and text.
struct permission_question {
  std::string title, text;
  static constexpr const char* allow = "Allow";
  static constexpr const char* deny = "Don't allow";
};
permission_question permission_question_for(std::string_view app_name, permission_kind kind);
