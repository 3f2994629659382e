// Readable names for table-driven test cases.
#ifndef TANGLET_TESTS_CASE_NAME_H_
#define TANGLET_TESTS_CASE_NAME_H_

#include <cctype>
#include <string>

// A test name made of the case's description: letters and digits only.
inline std::string case_name(const char* what) {
  std::string name;
  for (const char* p = what; *p; ++p)
    name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  return name;
}

// For INSTANTIATE_TEST_SUITE_P over cases that have a `what`.
struct by_what {
  template <class Info>
  std::string operator()(const Info& info) const {
    return std::to_string(info.index) + "_" + case_name(info.param.what);
  }
};

#endif  // TANGLET_TESTS_CASE_NAME_H_
