// SPDX-License-Identifier: MIT
#include "platform/common/xfconfchannel.h"

#include <QXmlStreamReader>
#include <algorithm>

#include "platform/common/regularfile.h"

namespace tandri::XfconfChannel {

std::optional<std::vector<Property>> read(const QString& path) {
    const RegularFile file = RegularFile::readOrWarn(path, RegularFile::textLimit);
    if (!file.ok())
        return std::nullopt;
    std::vector<Property> properties;
    // Where each open property element's entry is, so an array's values land on it.
    std::vector<std::optional<std::size_t>> open;
    QStringList names;
    QXmlStreamReader xml(file.bytes);
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const auto attributes = xml.attributes();
            if (xml.name() == u"property") {
                names << attributes.value(QStringLiteral("name")).toString();
                properties.push_back({names,
                                      attributes.value(QStringLiteral("type")).toString(),
                                      attributes.value(QStringLiteral("value")).toString(),
                                      {}});
                open.push_back(properties.size() - 1);
            } else {
                if (xml.name() == u"value" && !open.empty() && open.back())
                    properties[*open.back()].values
                        << attributes.value(QStringLiteral("value")).toString();
                open.push_back(std::nullopt);
            }
        } else if (token == QXmlStreamReader::EndElement && !open.empty()) {
            if (open.back())
                names.removeLast();
            open.pop_back();
        }
    }
    if (xml.hasError()) {
        qWarning("Tandri: skipped %s: %s", qUtf8Printable(path), qUtf8Printable(xml.errorString()));
        return std::nullopt;
    }
    return properties;
}

const Property* find(const std::vector<Property>& properties, const QStringList& path) {
    const auto found =
        std::find_if(properties.begin(), properties.end(),
                     [&](const Property& property) { return property.path == path; });
    return found == properties.end() ? nullptr : &*found;
}

}  // namespace tandri::XfconfChannel
