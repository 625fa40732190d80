#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "backends/linux/LocaleLinux.h"

namespace zel {
namespace {

TEST(LinuxLocaleTest, LanguageFromTheEnvironment) {
  struct TCase {
    std::map<std::string, std::string> Env;
    const char* Expected;
  };
  const std::vector<TCase> cases = {
      {{{"LC_ALL", "es_ES.UTF-8"}, {"LC_TIME", "de_DE"}, {"LANG", "fr_FR"}}, "es"},
      {{{"LC_ALL", ""}, {"LC_TIME", "de_AT.UTF-8"}, {"LANG", "fr_FR"}}, "de"},
      {{{"LANG", "zh_TW.UTF-8"}}, "zh"},
      {{{"LANG", "it"}}, "it"},
      {{{"LANG", "sr@latin"}}, "sr"},
      {{{"LANG", "pt_BR.UTF-8"}}, "pt"},
      {{{"LANG", "es-MX"}}, "es"},
      {{{"LANG", "FR_fr"}}, "fr"},
      {{{"LANG", "C.UTF-8"}}, ""},
      {{{"LC_ALL", "POSIX"}, {"LANG", "fr_FR"}}, ""},
      {{{"LC_TIME", "C"}, {"LANG", "fr_FR"}}, ""},
      {{{"LC_MESSAGES", "de_DE"}, {"LANGUAGE", "de"}}, ""},
      {{}, ""},
  };
  for (const auto& c : cases) {
    TLinuxLocale locale([&c](const char* name) -> const char* {
      const auto it = c.Env.find(name);
      return it == c.Env.end() ? nullptr : it->second.c_str();
    });
    EXPECT_EQ(locale.LanguageCode(), c.Expected) << c.Expected;
  }
}

}  // namespace
}  // namespace zel
