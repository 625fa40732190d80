// zel init: writes a small working application folder.
#include <cctype>
#include <cstdio>
#include <fstream>
#include <string_view>

#include "tools/Commands.h"

namespace zel::resources {
extern const std::string_view TemplateZelIni;
extern const std::string_view TemplateIndexHtml;
extern const std::string_view TemplateStyleCss;
extern const std::string_view TemplateMainJs;
extern const std::string_view TemplateJsConfig;
extern const std::string_view TemplateZelDts;
}  // namespace zel::resources

namespace zel {
namespace {

namespace fs = std::filesystem;

void WriteFile(const fs::path& path, std::string_view text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!out) throw EToolError("cannot write " + path.string());
}

// Replaces every "{{name}}" of the template by `value`.
std::string Fill(std::string_view text, std::string_view name, const std::string& value) {
  std::string out(text);
  const std::string marker = "{{" + std::string(name) + "}}";
  for (std::size_t at = out.find(marker); at != std::string::npos; at = out.find(marker, at + value.size())) {
    out.replace(at, marker.size(), value);
  }
  return out;
}

// "my-app" -> "My App": the display name proposed for a folder name.
std::string DisplayName(const std::string& folderName) {
  std::string out;
  bool startOfWord = true;
  for (char c : folderName) {
    if (c == '-' || c == '_' || c == ' ') {
      if (!out.empty() && out.back() != ' ') out += ' ';
      startOfWord = true;
    } else {
      out += startOfWord && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
      startOfWord = false;
    }
  }
  return out.empty() ? "My App" : out;
}

}  // namespace

int RunInit(const fs::path& folder, bool force) {
  std::error_code error;
  if (fs::exists(folder) && !fs::is_directory(folder)) throw EToolError(folder.string() + " exists and is not a folder");
  if (fs::is_directory(folder) && !fs::is_empty(folder) && !force) {
    throw EToolError(folder.string() + " is not empty (use --force to write into it)");
  }
  const fs::path appDir = folder / "app";
  fs::create_directories(appDir, error);
  if (error) throw EToolError("cannot create " + appDir.string() + ": " + error.message());

  const std::string folderName = fs::absolute(folder).lexically_normal().filename().string();
  const std::string name = DisplayName(folderName);
  std::string id = "com.example." ;
  for (char c : folderName) id += std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c)) : '-';

  WriteFile(folder / "zel.ini", Fill(Fill(resources::TemplateZelIni, "id", id), "name", name));
  WriteFile(appDir / "index.html", Fill(resources::TemplateIndexHtml, "name", name));
  WriteFile(appDir / "style.css", resources::TemplateStyleCss);
  WriteFile(appDir / "main.js", resources::TemplateMainJs);
  // Declarations of window.zel beside the application folder, so they are
  // not packaged; jsconfig.json points editors at them.
  WriteFile(folder / "zel.d.ts", resources::TemplateZelDts);
  WriteFile(folder / "jsconfig.json", resources::TemplateJsConfig);
  std::printf("Created %s. Next:\n  zel dev %s             preview it, reloading on changes\n"
              "  zel build %s -o %s\n  ./%s\n",
              folder.c_str(), folder.c_str(), folder.c_str(), folderName.c_str(), folderName.c_str());
  return 0;
}

}  // namespace zel
