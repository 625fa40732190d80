#include "core/text/ContentTypeLists.h"

#include <charconv>
#include <vector>

namespace zel {

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool HasCapital(std::string_view text) {
  for (char c : text) {
    if (c >= 'A' && c <= 'Z') return true;
  }
  return false;
}

// Calls `handle` with each line of `text`, without its line end.
template <typename THandler>
void ForEachLine(std::string_view text, THandler handle) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    handle(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t at = text.find(separator); at != std::string_view::npos;
       at = text.find(separator, start)) {
    parts.push_back(text.substr(start, at - start));
    start = at + 1;
  }
  parts.push_back(text.substr(start));
  return parts;
}

bool IsValidType(std::string_view type) {
  const std::size_t slash = type.find('/');
  return slash != std::string_view::npos && slash > 0 && slash + 1 < type.size();
}

// An extension usable as a table key: not empty, no path or wildcard characters
// and no further dot (look-ups only ever ask for the text after the last dot).
bool IsPlainExtension(std::string_view extension) {
  return !extension.empty() && extension.find_first_of("./\\:*?[]") == std::string_view::npos;
}

}  // namespace

void TContentTypeLists::ParseMimeTypes(std::string_view text,
                                       std::map<std::string, std::string>& table) {
  ForEachLine(text, [&](std::string_view line) {
    line = line.substr(0, line.find('#'));
    std::vector<std::string_view> words;
    std::size_t pos = 0;
    while (pos < line.size()) {
      const std::size_t start = line.find_first_not_of(" \t\f\v", pos);
      if (start == std::string_view::npos) break;
      const std::size_t end = line.find_first_of(" \t\f\v", start);
      words.push_back(line.substr(start, end - start));
      pos = end == std::string_view::npos ? line.size() : end;
    }
    if (words.size() < 2 || !IsValidType(words[0])) return;
    const std::string type = Lower(words[0]);
    for (std::size_t i = 1; i < words.size(); ++i) {
      std::string_view extension = words[i];
      if (extension.front() == '.') extension.remove_prefix(1);
      if (!IsPlainExtension(extension)) continue;
      table["." + Lower(extension)] = type;
    }
  });
}

void TContentTypeLists::ParseGlobs2(std::string_view text,
                                    std::map<std::string, std::string>& table) {
  struct TCandidate {
    int Weight;
    bool WrittenLower;
    std::string Type;
  };
  std::map<std::string, TCandidate> best;
  ForEachLine(text, [&](std::string_view line) {
    if (line.empty() || line.front() == '#') return;
    const std::vector<std::string_view> fields = Split(line, ':');
    if (fields.size() < 3) return;
    int weight = 0;
    const std::string_view weightText = fields[0];
    const auto [end, error] =
        std::from_chars(weightText.data(), weightText.data() + weightText.size(), weight);
    if (error != std::errc() || end != weightText.data() + weightText.size()) return;
    if (!IsValidType(fields[1])) return;
    const std::string_view glob = fields[2];
    if (glob.size() < 3 || glob.substr(0, 2) != "*.") return;
    const std::string_view extension = glob.substr(2);
    if (!IsPlainExtension(extension)) return;
    const bool writtenLower = !HasCapital(extension);
    if (!writtenLower && fields.size() > 3) {
      for (std::string_view flag : Split(fields[3], ',')) {
        if (flag == "cs") return;
      }
    }
    TCandidate candidate{weight, writtenLower, Lower(fields[1])};
    const std::string key = "." + Lower(extension);
    const auto found = best.find(key);
    if (found == best.end()) {
      best.emplace(key, std::move(candidate));
      return;
    }
    const TCandidate& current = found->second;
    if (candidate.Weight > current.Weight ||
        (candidate.Weight == current.Weight && candidate.WrittenLower && !current.WrittenLower)) {
      found->second = std::move(candidate);
    }
  });
  for (auto& [extension, candidate] : best) table[extension] = std::move(candidate.Type);
}

}  // namespace zel
