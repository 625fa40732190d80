// The themes' GTK style sheets, read by GTK itself.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "backends/linux/VisualStylesLinux.h"
#include "core/themes/ThemePalettes.h"

namespace zel {
namespace {

// GTK's style sheet parser needs no display: every theme's sheet must parse
// without a single error, or GTK would drop the rules it cannot read.
TEST(ThemeStyleSheetTest, EveryPaletteGivesAStyleSheetThatGtkReadsWithoutError) {
  for (const TThemePalette& palette : ThemePalettes()) {
    SCOPED_TRACE(palette.Name);
    const std::string sheet = StyleSheetOf(palette);
    EXPECT_EQ(sheet.find('@'), std::string::npos);  // every value filled in
    EXPECT_NE(sheet.find(palette.TitleBarEnd), std::string::npos);
    GtkCssProvider* provider = gtk_css_provider_new();
    std::vector<std::string> errors;
    g_signal_connect(
        provider, "parsing-error",
        G_CALLBACK(+[](GtkCssProvider*, GtkCssSection* section, GError* error, gpointer data) {
          static_cast<std::vector<std::string>*>(data)->push_back(
              "line " + std::to_string(gtk_css_section_get_start_line(section) + 1) + ": " +
              error->message);
        }),
        &errors);
    gtk_css_provider_load_from_data(provider, sheet.c_str(), -1, nullptr);
    g_object_unref(provider);
    EXPECT_TRUE(errors.empty()) << errors.front();
  }
}

}  // namespace
}  // namespace zel
