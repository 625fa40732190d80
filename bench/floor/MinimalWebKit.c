/* The floor of the start-up and page benchmarks: the least a WebKitGTK
 * program must do to show a page. It serves a folder at zel:///, each file
 * read when it is first asked for and kept in memory after (zel too reads an
 * entry of its package only when the page asks for it), loads
 * zel:///index.html and mirrors the page title in its window caption; a page
 * message "rtt" is answered at once through window.__pong, as a host
 * answering a bridge call would.
 *
 * With OUTPUT it is also the floor of the large-file calls as the bare engine
 * can make them: the page posts its text to the handler "writeText" (written
 * as it arrives) or base64 to "decodeToFile" (decoded, then written); the file
 * is synced before window.__pong answers.
 *
 * Usage: zel_bench_floor FOLDER [OUTPUT] */
#include <gtk/gtk.h>
#include <gio/gfiledescriptorbased.h>
#include <string.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

static GHashTable *files;

static const char *root;

/* The file at `path` (an absolute path below the folder), or NULL. */
static GBytes *file_at(const char *path) {
  GBytes *bytes = g_hash_table_lookup(files, path);
  if (bytes || strstr(path, "..")) return bytes;
  char *name = g_build_filename(root, path, NULL);
  char *contents;
  gsize length;
  if (g_file_get_contents(name, &contents, &length, NULL)) {
    bytes = g_bytes_new_take(contents, length);
    g_hash_table_insert(files, g_strdup(path), bytes);
  }
  g_free(name);
  return bytes;
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
  GBytes *bytes = path ? file_at(path) : NULL;
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

static const char *output_path;

/* Writes `length` bytes to the output file and syncs it; false on failure. */
static gboolean write_output(const void *data, gsize length) {
  GError *error = NULL;
  GFile *file = g_file_new_for_path(output_path);
  GFileOutputStream *stream = g_file_replace(file, NULL, FALSE, G_FILE_CREATE_NONE, NULL, &error);
  gboolean done = stream && g_output_stream_write_all(G_OUTPUT_STREAM(stream), data, length, NULL, NULL, &error);
  if (done) {
    int fd = g_file_descriptor_based_get_fd(G_FILE_DESCRIPTOR_BASED(stream));
    done = fsync(fd) == 0;
  }
  if (stream) done = g_output_stream_close(G_OUTPUT_STREAM(stream), NULL, error ? NULL : &error) && done;
  if (error) {
    g_printerr("%s\n", error->message);
    g_error_free(error);
  }
  g_clear_object(&stream);
  g_object_unref(file);
  return done;
}

static void answer(WebKitWebView *view, gboolean done) {
  webkit_web_view_evaluate_javascript(view, done ? "window.__pong(0)" : "window.__pong(-1)", -1, NULL, NULL,
                                      NULL, NULL, NULL);
}

static void on_write_text(WebKitUserContentManager *manager, WebKitJavascriptResult *result, gpointer data) {
  GBytes *bytes = jsc_value_to_string_as_bytes(webkit_javascript_result_get_js_value(result));
  gsize length;
  const void *text = g_bytes_get_data(bytes, &length);
  answer(data, write_output(text, length));
  g_bytes_unref(bytes);
}

static void on_decode_to_file(WebKitUserContentManager *manager, WebKitJavascriptResult *result, gpointer data) {
  char *text = jsc_value_to_string(webkit_javascript_result_get_js_value(result));
  gsize length;
  g_base64_decode_inplace(text, &length);
  answer(data, write_output(text, length));
  g_free(text);
}

static void on_title(WebKitWebView *view, GParamSpec *spec, gpointer window) {
  const char *title = webkit_web_view_get_title(view);
  gtk_window_set_title(GTK_WINDOW(window), title ? title : "");
}

int main(int argc, char **argv) {
  gtk_init(&argc, &argv);
  if (argc < 2) {
    g_printerr("usage: %s FOLDER [OUTPUT]\n", argv[0]);
    return 2;
  }
  files = g_hash_table_new(g_str_hash, g_str_equal);
  root = argv[1];

  WebKitWebContext *context = webkit_web_context_new_ephemeral();
  webkit_web_context_register_uri_scheme(context, "zel", serve, NULL, NULL);
  WebKitUserContentManager *manager = webkit_user_content_manager_new();
  webkit_user_content_manager_register_script_message_handler(manager, "host");
  GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window), 800, 600);
  GtkWidget *view = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context,
                                            "user-content-manager", manager, NULL));
  g_signal_connect(manager, "script-message-received::host", G_CALLBACK(on_message), view);
  if (argc > 2) {
    output_path = argv[2];
    webkit_user_content_manager_register_script_message_handler(manager, "writeText");
    webkit_user_content_manager_register_script_message_handler(manager, "decodeToFile");
    g_signal_connect(manager, "script-message-received::writeText", G_CALLBACK(on_write_text), view);
    g_signal_connect(manager, "script-message-received::decodeToFile", G_CALLBACK(on_decode_to_file), view);
  }
  g_signal_connect(view, "notify::title", G_CALLBACK(on_title), window);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
  gtk_container_add(GTK_CONTAINER(window), view);
  gtk_widget_show_all(window);
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), "zel:///index.html");
  gtk_main();
  return 0;
}
