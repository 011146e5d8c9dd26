// SPDX-License-Identifier: MIT
#include "settings/appstab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "catalogue/pinnedapps.h"
#include "platform/platform.h"
#include "platform/preferences.h"
#include "platform/system.h"
#include "platform/vocabulary.h"
#include "prefs/brand.h"
#include "prefs/settings.h"
#include "settings/formparts.h"
#include "settings/pinnedlist.h"

namespace tandri {

namespace {

// A file dialog that pins folders as well as files: "Pin" on a chosen folder takes it instead of
// opening it.
class PinDialog : public QFileDialog {
public:
    PinDialog(QWidget* parent, const QString& folder) : QFileDialog(parent) {
        setObjectName(QStringLiteral("pinDialog"));
        setOption(QFileDialog::DontUseNativeDialog);
        setFileMode(QFileDialog::ExistingFiles);
        setNameFilters({QStringLiteral("Applications and folders (*.desktop *.app)"),
                        QStringLiteral("All files (*)")});
        setDirectory(folder);
        setLabelText(QFileDialog::Accept, QStringLiteral("Pin"));
    }

protected:
    void accept() override {
        const QStringList chosen = selectedFiles();
        const bool allExist =
            !chosen.isEmpty() && std::all_of(chosen.begin(), chosen.end(), [](const QString& path) {
                return QFileInfo::exists(path);
            });
        // Past QFileDialog's own, which would open a chosen folder instead of taking it.
        if (allExist)
            QDialog::accept();  // NOLINT(bugprone-parent-virtual-call)
        else
            QFileDialog::accept();
    }
};

}  // namespace

AppsTab::AppsTab(Platform& platform)
    : platform_(platform),
      detail_(FormParts::note({}, QStringLiteral("appSetDetail"))),
      pinned_(FormParts::section(QStringLiteral("Pinned"), QStringLiteral("pinned"))),
      list_(new PinnedList(platform)) {
    Preferences& preferences = platform.preferences;
    std::vector<std::pair<QString, QString>> choices;
    choices.reserve(allAppSets.size());
    for (AppSet set : allAppSets)
        choices.emplace_back(title(set, platform.vocabulary), rawValue(set));
    appSet_ =
        FormParts::boundPicker(preferences, Settings::appSetKey, QStringLiteral("Show"), choices,
                               rawValue(Settings::appSet(preferences)), QStringLiteral("appSet"));

    auto* layout = new QVBoxLayout(this);
    auto* showRow = new QHBoxLayout;
    showRow->addWidget(new QLabel(QStringLiteral("Show")));
    showRow->addWidget(appSet_, 1);
    layout->addLayout(showRow);
    layout->addWidget(detail_);

    pinned_->layout()->addWidget(list_);
    auto* buttons = new QHBoxLayout;
    auto* add = new QPushButton(QStringLiteral("Add…"));
    add->setObjectName(QStringLiteral("add"));
    auto* import = new QPushButton(QStringLiteral("Import from ") + platform.vocabulary.dock());
    import->setObjectName(QStringLiteral("importDock"));
    buttons->addWidget(add);
    buttons->addWidget(import);
    buttons->addStretch();
    buttons->addWidget(FormParts::note(QStringLiteral("Drag to reorder")));
    FormParts::rows(pinned_)->addLayout(buttons);
    layout->addWidget(pinned_);

    layout->addWidget(FormParts::boundToggle(preferences, Settings::placesKey,
                                             QStringLiteral("Folders and Trash"),
                                             QStringLiteral("places")));
    layout->addWidget(FormParts::note(
        (platform.system.hasDock() ? QStringLiteral("After the apps, like the Dock: ")
                                   : QStringLiteral("After the apps: ")) +
        QStringLiteral("point at a folder for its newest files, drop files on it to move them "
                       "in, or on the Trash to throw them away.")));
    // Only where there is a Dock to hide.
    if (platform.system.hasDock()) {
        const QString system = platform.vocabulary.systemName();
        layout->addWidget(FormParts::boundToggle(
            preferences, Settings::hideDockKey,
            QStringLiteral("Hide the ") + (system.isEmpty() ? QString() : system + u' ') +
                QStringLiteral("Dock"),
            QStringLiteral("hideDock")));
        layout->addWidget(FormParts::note(
            QStringLiteral("Keeps the Dock out of sight so you can use ") + Brand::name() +
            QStringLiteral(" instead. It stays running (Mission Control, ⌘Tab and Launchpad need "
                           "it) and briefly redraws when this changes. Turning this off, or "
                           "quitting ") +
            Brand::name() + QStringLiteral(", puts your Dock settings back as they were.")));
    }
    layout->addStretch();

    connect(appSet_, &QComboBox::activated, this, [this] { appSetChosen(); });
    connect(add, &QPushButton::clicked, this, [this] { choose(); });
    connect(import, &QPushButton::clicked, this, [this] { importFromDock(); });
    const AppSet set = Settings::appSet(preferences);
    detail_->setText(detail(set, platform_.vocabulary));
    pinned_->setVisible(set == AppSet::PinnedAndOpen);
}

void AppsTab::appSetChosen() {
    const AppSet set = Settings::appSet(platform_.preferences);
    detail_->setText(detail(set, platform_.vocabulary));
    pinned_->setVisible(set == AppSet::PinnedAndOpen);
    // A first choice of the pinned set starts from the Dock rather than from nothing.
    if (set == AppSet::PinnedAndOpen && PinnedApps::paths(platform_.preferences).isEmpty())
        importFromDock();
}

void AppsTab::pin(const QStringList& paths) {
    for (const QString& path : paths)
        PinnedApps::add(platform_.preferences, QUrl::fromLocalFile(path));
    list_->reload();
}

void AppsTab::importFromDock() {
    PinnedApps::importFromDock(platform_);
    list_->reload();
}

void AppsTab::choose() {
    auto* dialog = new PinDialog(this, platform_.vocabulary.applicationsFolder());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::accepted, this, [this, dialog] { pin(dialog->selectedFiles()); });
    dialog->open();
}

}  // namespace tandri
