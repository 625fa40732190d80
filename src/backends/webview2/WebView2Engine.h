#pragma once
// The web engine seam over Microsoft WebView2: the loader library's exports
// called with their own signatures, and adapters that present the COM
// environment, controller, web view and settings as the runtime's
// IWebViewEnvironment, IWebViewController, IWebView and IWebViewSettings.
//
// Threads: WebView2 raises every event and completion on the thread that
// created the environment, through that thread's message loop; the runtime
// creates it on the user-interface thread (a single-threaded apartment), so
// the adapters hand each event on as it comes.
#include <string>
#include <string_view>

#include "platform/WebEngine.h"

namespace zel {

// CreateCoreWebView2Environment and GetAvailableCoreWebView2BrowserVersionString
// of the loader library (WebView2LoaderWin64.dll). The loader itself reads
// WEBVIEW2_USER_DATA_FOLDER and WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS from
// the process environment, where start-up has put them.
extern const TEngineEntryPoints WebView2EntryPoints;

// The origin a web message is judged by, from the address of the top
// document that posted it: "file://" for the application's own documents
// (file:///index.html, served from the package or beside the executable);
// "null" for a file: document of the disk (file:///C:/..., file://server/...),
// which is no document of the application; else scheme://host[:port].
std::string WebMessageSourceOrigin(std::string_view documentUri);

}  // namespace zel
