// SPDX-License-Identifier: MIT
#include "platform/common/gsettingsvalues.h"

#include <gio/gio.h>

namespace tandri::GSettingsValues {

std::optional<QStringList> strings(const QString& schemaId, const QString& key) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source)
        return std::nullopt;
    // Asking GSettings for a schema that is not installed aborts the process: look first.
    GSettingsSchema* schema =
        g_settings_schema_source_lookup(source, schemaId.toUtf8().constData(), TRUE);
    if (!schema)
        return std::nullopt;
    const QByteArray keyName = key.toUtf8();
    std::optional<QStringList> result;
    if (g_settings_schema_has_key(schema, keyName.constData())) {
        GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
        GVariant* value = g_settings_get_value(settings, keyName.constData());
        if (g_variant_is_of_type(value, G_VARIANT_TYPE_STRING_ARRAY)) {
            QStringList list;
            gsize count = 0;
            const gchar** items = g_variant_get_strv(value, &count);
            for (gsize i = 0; i < count; ++i) list << QString::fromUtf8(items[i]);
            g_free(items);
            result = list;
        } else if (g_variant_is_of_type(value, G_VARIANT_TYPE_STRING)) {
            result = QStringList{QString::fromUtf8(g_variant_get_string(value, nullptr))};
        }
        g_variant_unref(value);
        g_object_unref(settings);
    }
    g_settings_schema_unref(schema);
    return result;
}

}  // namespace tandri::GSettingsValues
