#include "core/messages/LocalizedMessages.h"

#include <array>

#include "platform/Locale.h"

namespace zel {

namespace {

using TMessageList = std::array<std::string_view, miMessageCount>;

// "{System}" stands for the operating system's name and "{WebView}" for the
// web-view runtime's; GetLocalizedMessage fills them in.
// clang-format off
constexpr std::array<TMessageList, 6> MessageTable = {{
    {"en",
     "Error",
     "Confirm",
     "Accept",
     "Cancel",
     "This is not a valid {System} application.",
     "The {WebView} runtime is required to run this application. This application cannot continue and will be closed now.",
     "The {WebView} runtime is required to run this application. Do you want to install it now?",
     "This application cannot continue and will be closed now.",
     "You cancel the installation of {WebView} runtime, This application cannot continue and will be closed now."},
    {"es",
     "Error",
     "Confirmar",
     "Aceptar",
     "Cancelar",
     "Esta no es una aplicación de {System} válida.",
     "El {WebView} runtime es necesario para esta aplicación. Esta aplicación no puede continuar y se cerrará ahora.",
     "El {WebView} runtime es necesario para esta aplicación. ¿Quiere instalarlo ahora?",
     "Esta aplicación no puede continuar y se cerrará ahora.",
     "Ha cancelado la instalación de {WebView} runtime. Esta aplicación no puede continuar y se cerrará ahora."},
    {"it",
     "Errore",
     "Confermare",
     "Accettare",
     "Annulla",
     "Questa non è un'applicazione {System} valida.",
     "Il runtime di {WebView} è necessario per eseguire questa applicazione. Questa applicazione non può continuare e verrà chiusa ora.",
     "Il runtime di {WebView} è necessario per eseguire questa applicazione. Vuoi installarlo ora?",
     "Questa applicazione non può continuare e verrà chiusa ora.",
     "Annulla l'installazione del runtime di {WebView}, questa applicazione non può continuare e verrà chiusa ora."},
    {"de",
     "Error",
     "Bestätigen",
     "Akzeptieren",
     "Stornieren",
     "Dies ist keine gültige {System}-Anwendung.",
     "Die {WebView}-Laufzeit ist erforderlich, um diese Anwendung auszuführen. Diese Anwendung kann nicht fortgesetzt werden und wird jetzt geschlossen.",
     "Die {WebView}-Laufzeit ist erforderlich, um diese Anwendung auszuführen. Möchten Sie es jetzt installieren?",
     "Diese Anwendung kann nicht fortgesetzt werden und wird jetzt geschlossen.",
     "Sie brechen die Installation der {WebView}-Laufzeit ab. Diese Anwendung kann nicht fortgesetzt werden und wird jetzt geschlossen."},
    {"fr",
     "Erreur",
     "Confirmer",
     "J'accepte",
     "Annuler",
     "Ce n'est pas une application {System} valide.",
     "Le runtime {WebView} est requis pour exécuter cette application. Cette application ne peut pas continuer et sera fermée maintenant.",
     "Le runtime {WebView} est requis pour exécuter cette application. Voulez-vous l'installer maintenant?",
     "Cette application ne peut pas continuer et sera fermée maintenant.",
     "Vous annulez l'installation du runtime {WebView}. Cette application ne peut pas continuer et sera fermée maintenant."},
    {"zh",
     "错误",
     "确认",
     "接受",
     "取消",
     "这不是有效的{System}应用程序。",
     "运行此应用程序需要{WebView}运行时。 该应用程序无法继续，将立即关闭。",
     "运行此应用程序需要{WebView}运行时。 您要立即安装吗？",
     "此应用程序无法继续，将立即关闭。",
     "您取消了{WebView}运行时的安装，此应用程序无法继续，将立即关闭。"},
}};
// clang-format on

// English is the first list; the rest are searched in their order.
constexpr std::size_t EnglishList = 0;

// The line for an installer that did not end in time, in the lists' order;
// "{Minutes}" stands for the time limit.
// clang-format off
constexpr std::array<std::string_view, MessageTable.size()> InstallerTimeLimitMessages = {
    "The installer did not finish within the time allowed ({Minutes} min) and may still be running.",
    "El instalador no terminó en el tiempo permitido ({Minutes} min) y puede que aún se esté ejecutando.",
    "Il programma di installazione non è terminato entro il tempo consentito ({Minutes} min) e potrebbe essere ancora in esecuzione.",
    "Das Installationsprogramm wurde nicht in der vorgesehenen Zeit ({Minutes} min) beendet und läuft möglicherweise noch.",
    "Le programme d'installation ne s'est pas terminé dans le délai imparti ({Minutes} min) et est peut-être encore en cours d'exécution.",
    "安装程序未在允许的时间（{Minutes} 分钟）内完成，可能仍在运行。",
};
// clang-format on

constexpr std::string_view SystemPlaceholder = "{System}";
constexpr std::string_view WebViewPlaceholder = "{WebView}";

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (std::size_t pos = text.find(from); pos != std::string::npos;
       pos = text.find(from, pos + to.size()))
    text.replace(pos, from.size(), to);
}

// The list whose code equals `languageCode` exactly, else English.
std::size_t ListOf(std::string_view languageCode) {
  for (std::size_t i = EnglishList + 1; i < MessageTable.size(); ++i) {
    if (MessageTable[i][miLanguageCode] == languageCode) return i;
  }
  return EnglishList;
}

}  // namespace

std::string GetLocalizedMessage(int index, std::string_view languageCode,
                                const TMessagePlatformNames& names) {
  if (index < 0 || index >= miMessageCount)
    throw EMessageIndexError("MessageIndex is out of range!");
  std::string text(MessageTable[ListOf(languageCode)][index]);
  ReplaceAll(text, SystemPlaceholder, names.System);
  ReplaceAll(text, WebViewPlaceholder, names.WebViewRuntime);
  return text;
}

std::string GetLocalizedMessage(int index, ILocale& locale) {
  if (index < 0 || index >= miMessageCount)
    throw EMessageIndexError("MessageIndex is out of range!");
  return GetLocalizedMessage(index, locale.LanguageCode());
}

std::string GetInstallerTimeLimitMessage(int minutes, std::string_view languageCode) {
  std::string text(InstallerTimeLimitMessages[ListOf(languageCode)]);
  ReplaceAll(text, "{Minutes}", std::to_string(minutes));
  return text;
}

}  // namespace zel
