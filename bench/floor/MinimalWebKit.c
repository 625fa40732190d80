/* The floor of the start-up and page benchmarks: the least a WebKitGTK
 * program must do to show a page from memory. It reads a folder into memory,
 * serves it at zel:///, loads zel:///index.html and mirrors the page title
 * in its window caption; a page message "rtt" is answered at once through
 * window.__pong, as a host answering a bridge call would.
 *
 * Usage: zel_bench_floor FOLDER */
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

static GHashTable *files;

static void add_folder(const char *root, const char *relative) {
  char *path = g_build_filename(root, relative, NULL);
  GDir *dir = g_dir_open(path, 0, NULL);
  if (dir) {
    const char *name;
    while ((name = g_dir_read_name(dir))) {
      char *child = *relative ? g_strconcat(relative, "/", name, NULL) : g_strdup(name);
      add_folder(root, child);
      g_free(child);
    }
    g_dir_close(dir);
  } else {
    char *contents;
    gsize length;
    if (g_file_get_contents(path, &contents, &length, NULL)) {
      g_hash_table_insert(files, g_strconcat("/", relative, NULL), g_bytes_new_take(contents, length));
    }
  }
  g_free(path);
}

static const char *mime_for(const char *path) {
  if (g_str_has_suffix(path, ".html")) return "text/html";
  if (g_str_has_suffix(path, ".js")) return "application/javascript";
  if (g_str_has_suffix(path, ".css")) return "text/css";
  if (g_str_has_suffix(path, ".json")) return "application/json";
  return "application/octet-stream";
}

static void serve(WebKitURISchemeRequest *request, gpointer data) {
  const char *path = webkit_uri_scheme_request_get_path(request);
  GBytes *bytes = g_hash_table_lookup(files, path);
  if (!bytes) {
    GError *error = g_error_new(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "Not found");
    webkit_uri_scheme_request_finish_error(request, error);
    g_error_free(error);
    return;
  }
  GInputStream *stream = g_memory_input_stream_new_from_bytes(bytes);
  WebKitURISchemeResponse *response = webkit_uri_scheme_response_new(stream, g_bytes_get_size(bytes));
  webkit_uri_scheme_response_set_content_type(response, mime_for(path));
  webkit_uri_scheme_request_finish_with_response(request, response);
  g_object_unref(response);
  g_object_unref(stream);
}

static void on_message(WebKitUserContentManager *manager, WebKitJavascriptResult *result, gpointer data) {
  WebKitWebView *view = data;
  JSCValue *value = webkit_javascript_result_get_js_value(result);
  char *text = jsc_value_to_string(value);
  char *script = g_strdup_printf("window.__pong(%s)", text);
  webkit_web_view_evaluate_javascript(view, script, -1, NULL, NULL, NULL, NULL, NULL);
  g_free(script);
  g_free(text);
}

static void on_title(WebKitWebView *view, GParamSpec *spec, gpointer window) {
  const char *title = webkit_web_view_get_title(view);
  gtk_window_set_title(GTK_WINDOW(window), title ? title : "");
}

int main(int argc, char **argv) {
  gtk_init(&argc, &argv);
  if (argc < 2) {
    g_printerr("usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  files = g_hash_table_new(g_str_hash, g_str_equal);
  add_folder(argv[1], "");

  WebKitWebContext *context = webkit_web_context_new_ephemeral();
  webkit_web_context_register_uri_scheme(context, "zel", serve, NULL, NULL);
  WebKitUserContentManager *manager = webkit_user_content_manager_new();
  webkit_user_content_manager_register_script_message_handler(manager, "host");
  GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window), 800, 600);
  GtkWidget *view = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context,
                                            "user-content-manager", manager, NULL));
  g_signal_connect(manager, "script-message-received::host", G_CALLBACK(on_message), view);
  g_signal_connect(view, "notify::title", G_CALLBACK(on_title), window);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
  gtk_container_add(GTK_CONTAINER(window), view);
  gtk_widget_show_all(window);
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), "zel:///index.html");
  gtk_main();
  return 0;
}
