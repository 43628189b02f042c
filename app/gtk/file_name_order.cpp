#include "app/file_name_order.h"

#include <glib.h>

std::string FileNameSortKey(std::string_view utf8) {
    // The key GNOME's file manager sorts by.
    gchar* key = g_utf8_collate_key_for_filename(utf8.data(), static_cast<gssize>(utf8.size()));
    std::string result = key != nullptr ? key : "";
    g_free(key);
    return result;
}
