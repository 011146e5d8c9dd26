// SPDX-License-Identifier: MIT
#include "catalogue/filemanager.h"

#include "platform/platform.h"
#include "platform/vocabulary.h"
#include "platform/workspace.h"

namespace tandri::FileManager {

QString name(Platform& platform) {
    const Workspace& workspace = platform.workspace;
    if (const auto id = workspace.fileManagerID()) {
        if (const auto url = workspace.urlForBundleIdentifier(*id)) {
            QString shown = workspace.displayName(url->toLocalFile());
            if (const QString suffix = workspace.applicationSuffix();
                !suffix.isEmpty() && shown.endsWith(suffix))
                shown.chop(suffix.size());
            if (!shown.isEmpty())
                return shown;
        }
    }
    return platform.vocabulary.fileManager();
}

}  // namespace tandri::FileManager
