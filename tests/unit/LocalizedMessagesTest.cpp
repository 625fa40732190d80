#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/messages/LocalizedMessages.h"
#include "platform/Locale.h"

namespace zel {
namespace {

const char* const Languages[] = {"en", "es", "it", "de", "fr", "zh"};

TEST(LocalizedMessagesTest, LinuxNamesGiveTheLinuxTexts) {
  struct TCase {
    int Index;
    const char* Language;
    const char* Expected;
  };
  const std::vector<TCase> cases = {
      {miInstallPrompt, "es",
       "El WebKitGTK runtime es necesario para esta aplicación. ¿Quiere instalarlo ahora?"},
      {miAcceptButton, "es", "Aceptar"},
      {miCancelButton, "es", "Cancelar"},
      {miErrorCaption, "de", "Error"},
      {miErrorCaption, "fr", "Erreur"},
      {miNoPackage, "en", "This is not a valid Linux application."},
      {miRuntimeRequired, "en",
       "The WebKitGTK runtime is required to run this application. This application cannot "
       "continue and will be closed now."},
      {miInstallCancelled, "en",
       "You cancel the installation of WebKitGTK runtime, This application cannot continue and "
       "will be closed now."},
      {miNoPackage, "de", "Dies ist keine gültige Linux-Anwendung."},
      {miRuntimeRequired, "de",
       "Die WebKitGTK-Laufzeit ist erforderlich, um diese Anwendung auszuführen. Diese Anwendung "
       "kann nicht fortgesetzt werden und wird jetzt geschlossen."},
      {miRuntimeRequired, "zh",
       "运行此应用程序需要WebKitGTK运行时。 该应用程序无法继续，将立即关闭。"},
      {miInstallPrompt, "it",
       "Il runtime di WebKitGTK è necessario per eseguire questa applicazione. Vuoi installarlo "
       "ora?"},
      {miAcceptButton, "fr", "J'accepte"},
      {miCannotContinue, "zh", "此应用程序无法继续，将立即关闭。"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GetLocalizedMessage(c.Index, c.Language, LinuxMessageNames), c.Expected)
        << c.Language << " " << c.Index;
  }
}

TEST(LocalizedMessagesTest, WindowsNamesGiveTheOriginalTexts) {
  EXPECT_EQ(GetLocalizedMessage(miNoPackage, "fr", WindowsMessageNames),
            "Ce n'est pas une application Windows valide.");
  EXPECT_EQ(GetLocalizedMessage(miInstallCancelled, "de", WindowsMessageNames),
            "Sie brechen die Installation der Microsoft WebView2-Laufzeit ab. Diese Anwendung kann "
            "nicht fortgesetzt werden und wird jetzt geschlossen.");
  EXPECT_EQ(GetLocalizedMessage(miInstallPrompt, "zh", WindowsMessageNames),
            "运行此应用程序需要Microsoft WebView2运行时。 您要立即安装吗？");
}

TEST(LocalizedMessagesTest, EveryTextHasItsPlatformNamesFilledIn) {
  struct TCase {
    TMessagePlatformNames Names;
    std::vector<std::string> Foreign;  // words of the other platform
  };
  const std::vector<TCase> cases = {{LinuxMessageNames, {"Windows", "Microsoft"}},
                                    {WindowsMessageNames, {"Linux", "WebKitGTK"}}};
  for (const auto& c : cases) {
    for (const char* language : Languages) {
      for (int index = 0; index < miMessageCount; ++index) {
        const std::string text = GetLocalizedMessage(index, language, c.Names);
        EXPECT_FALSE(text.empty()) << language << " " << index;
        EXPECT_EQ(text.find('{'), std::string::npos) << language << " " << index;
        for (const auto& word : c.Foreign)
          EXPECT_EQ(text.find(word), std::string::npos) << language << " " << index << " " << word;
      }
    }
  }
}

TEST(LocalizedMessagesTest, TheBuildNamesItsOwnPlatform) {
  const bool windows = BuildPlatform == TBuildPlatform::Windows;
  EXPECT_EQ(GetLocalizedMessage(miNoPackage, "en"),
            windows ? "This is not a valid Windows application."
                    : "This is not a valid Linux application.");
  EXPECT_NE(GetLocalizedMessage(miRuntimeRequired, "en")
                .find(windows ? "Microsoft WebView2" : "WebKitGTK"),
            std::string::npos);
}

TEST(LocalizedMessagesTest, UnknownLanguagesGetEnglish) {
  EXPECT_EQ(GetLocalizedMessage(miLanguageCode, "fr"), "fr");
  EXPECT_EQ(GetLocalizedMessage(miLanguageCode, "zh"), "zh");
  // The match is exact and case-sensitive; everything else is English.
  for (const char* language : {"en", "pt", "ja", "", "ES", "es_ES", "e", "zh_CN"}) {
    for (int index = 0; index < miMessageCount; ++index) {
      EXPECT_EQ(GetLocalizedMessage(index, language), GetLocalizedMessage(index, "en"))
          << language << " " << index;
    }
    EXPECT_EQ(GetLocalizedMessage(miLanguageCode, language), "en") << language;
    EXPECT_EQ(GetLocalizedMessage(miCancelButton, language), "Cancel") << language;
  }
}

class TFixedLocale : public ILocale {
 public:
  explicit TFixedLocale(std::string code) : FCode(std::move(code)) {}
  std::string LanguageCode() override { return FCode; }

 private:
  std::string FCode;
};

TEST(LocalizedMessagesTest, IndexOutOfRangeFails) {
  TFixedLocale locale("es");
  for (int index : {-1, 10, 11, 1000}) {
    try {
      GetLocalizedMessage(index, "en");
      ADD_FAILURE() << index;
    } catch (const EMessageIndexError& e) {
      EXPECT_STREQ(e.what(), "MessageIndex is out of range!");
    }
    EXPECT_THROW(GetLocalizedMessage(index, locale), EMessageIndexError) << index;
  }
  EXPECT_EQ(GetLocalizedMessage(miConfirmCaption, locale), "Confirmar");
}

}  // namespace
}  // namespace zel
