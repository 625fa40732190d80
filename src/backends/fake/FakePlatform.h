#pragma once
// In-memory, deterministic platform for unit tests: every service records
// what it was asked and answers what the test configured.
#include <map>
#include <memory>
#include <string>

#include "platform/Platform.h"

namespace zel {

class TFakeProcessInfo : public IProcessInfo {
 public:
  std::filesystem::path ExecutablePath() override { return FExecutablePath; }
  void SetExecutablePath(std::filesystem::path path) { FExecutablePath = std::move(path); }

 private:
  std::filesystem::path FExecutablePath = "/opt/app/app";
};

// Reads the whole file into memory: same bytes, no system mapping.
class TFakeFileMapping : public IFileMapping {
 public:
  std::unique_ptr<IMappedFile> MapReadOnly(const std::filesystem::path& path) override;
};

class TFakeLocale : public ILocale {
 public:
  std::string LanguageCode() override { return FLanguageCode; }
  void SetLanguageCode(std::string code) { FLanguageCode = std::move(code); }

 private:
  std::string FLanguageCode = "en";
};

class TFakeContentTypes : public IContentTypes {
 public:
  void AddSystemContentTypes(std::map<std::string, std::string>& table) override {
    for (const auto& [extension, type] : FTypes) table[extension] = type;
  }
  std::map<std::string, std::string>& Types() { return FTypes; }

 private:
  std::map<std::string, std::string> FTypes;
};

class TFakePlatform : public IPlatform {
 public:
  TFakeProcessInfo& ProcessInfo() override { return FProcessInfo; }
  TFakeFileMapping& FileMapping() override { return FFileMapping; }
  TFakeLocale& Locale() override { return FLocale; }
  TFakeContentTypes& ContentTypes() override { return FContentTypes; }

 private:
  TFakeProcessInfo FProcessInfo;
  TFakeFileMapping FFileMapping;
  TFakeLocale FLocale;
  TFakeContentTypes FContentTypes;
};

}  // namespace zel
