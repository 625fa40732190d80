#pragma once
#include <string>

namespace zel {

// A message of the system as replies show it: without its trailing blanks,
// control characters (line breaks) and full stops.
std::string TrimSystemMessage(std::string message);

}  // namespace zel
