// Prints every answer of the library this build uses, in the form of
// answers.txt: how that file is written from the real library.
#include <unistd.h>

#include <filesystem>
#include <iostream>

#include "sdk_questions.hpp"

int main() {
  const std::filesystem::path scratch =
      std::filesystem::temp_directory_path() / ("vsrs-answers-" + std::to_string(::getpid()));
  std::filesystem::create_directories(scratch);
  for (const std::string& name : vs_sdk_answers::QuestionNames())
    std::cout << name << ": " << vs_sdk_answers::Format(vs_sdk_answers::Ask(name, scratch.string()))
              << std::endl;
  std::filesystem::remove_all(scratch);
  return 0;
}
