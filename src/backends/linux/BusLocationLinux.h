#pragma once
#include <string>

namespace zel {

enum class TBusType { System, Session };

// Which D-Bus bus: `Address` when given (a private bus, as tests make), else
// the system's or the session's bus (their usual environment variables
// honoured).
struct TBusLocation {
  TBusType Type = TBusType::Session;
  std::string Address;
};

}  // namespace zel
