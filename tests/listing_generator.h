// Listing lines for differential tests: valid lines of both layouts, built
// from the pieces real listings have, and mutations of them that probe every
// corner of the grammars. Deterministic from the seed.
#ifndef TANGLET_TESTS_LISTING_GENERATOR_H_
#define TANGLET_TESTS_LISTING_GENERATOR_H_

#include <cstdint>
#include <random>
#include <string>

class listing_generator {
 public:
  explicit listing_generator(uint64_t seed) : random_(seed) {}

  // A line, without newline, that the layout's grammar accepts.
  std::string valid_line(int layout);
  // A valid line of either layout with up to a few mutations.
  std::string line(int layout);
  // Damages text in one of many ways.
  std::string mutate(std::string text);

  uint64_t below(uint64_t n) { return random_() % n; }

 private:
  std::string number();
  std::string tabs();
  std::string identifier();
  std::string signature();

  std::mt19937_64 random_;
};

#endif  // TANGLET_TESTS_LISTING_GENERATOR_H_
