// Questions to the camera library whose answers the module relies on (the
// failures of a start without a camera, of a bad file, of a call out of
// order), asked the same way of rs2sim and of the real librealsense2.
#pragma once

#include <string>
#include <vector>

namespace vs_sdk_answers {

// What the library answered: "ok" and a result, or the exception's type as
// the library names it, the failed function and the message, with `scratch`
// written as "SCRATCH" so that answers do not depend on where files live.
struct Answer {
  std::string kind;
  std::string function;
  std::string text;
};

// The names of every question, in a fixed order.
std::vector<std::string> QuestionNames();

// Asks one question; `scratch` is an existing folder of the caller's for the
// files some questions need. Throws std::invalid_argument for an unknown name.
Answer Ask(const std::string& name, const std::string& scratch);

// "kind | function | text", as the expected answers are written.
std::string Format(const Answer& answer);

}  // namespace vs_sdk_answers
