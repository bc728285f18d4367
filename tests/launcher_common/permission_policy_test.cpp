// The permission policy as the Permissions setting writes it, and what a run
// answers with it: the policy for the app's own pages, denial for every other
// origin, and an answer given for ask held for the rest of the run.
#include <gtest/gtest.h>

#include "launcher-common/permission_policy.h"

namespace {

using verdict = permission_answers::verdict;

TEST(PermissionPolicy, ReadAsWrittenAndAnsweredForTheAppAlone) {
  const struct {
    const char* text;
    const char* problem;  // none: read
  } cases[] = {
      {"", nullptr},
      {"camera=allow,geolocation=deny,clipboard-read=ask", nullptr},
      {"camera=yes", "\"yes\" is no choice for camera"},
      {"location=allow", "\"location\" is no kind of permission"},
      {"camera=allow,camera=deny", "camera is named twice"},
      {"camera=allow,", "a comma ends the list"},
      {"camera", "\"\" is no choice for camera"},
      {" camera=allow", "\" camera\" is no kind of permission"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    permission_policy policy;
    std::string problem;
    EXPECT_EQ(read_permission_policy(c.text, policy, problem), c.problem == nullptr);
    EXPECT_EQ(problem, c.problem ? c.problem : "");
  }
  permission_policy policy;
  std::string problem;
  ASSERT_TRUE(read_permission_policy("camera=allow,geolocation=deny", policy, problem));
  permission_answers answers(policy);
  EXPECT_EQ(answers.decide(permission_kind::camera, true), verdict::allow);
  EXPECT_EQ(answers.decide(permission_kind::camera, false), verdict::deny);
  EXPECT_EQ(answers.decide(permission_kind::geolocation, true), verdict::deny);
  EXPECT_EQ(answers.decide(permission_kind::notifications, true), verdict::ask);
  answers.answer(permission_kind::notifications, true);
  EXPECT_EQ(answers.decide(permission_kind::notifications, true), verdict::allow);
  EXPECT_EQ(answers.decide(permission_kind::notifications, false), verdict::deny);
  // A policy that could not be read gives nothing.
  EXPECT_EQ(permission_answers().decide(permission_kind::microphone, true), verdict::deny);
  EXPECT_EQ(permission_question_for("Maps", permission_kind::geolocation).text, "Maps wants to know your location.");
}

}  // namespace
