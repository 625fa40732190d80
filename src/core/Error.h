#pragma once
#include <stdexcept>
#include <string>

namespace zel {

// Base of every error the project raises on purpose.
class EError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace zel
