// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QStringList>

#include "catalogue/appsource.h"
#include "ring/windowchip.h"
#include "support/testdesktop.h"

namespace tandri {
namespace {

WindowInfo window(const QString& title, quint64 handle, bool minimized = false) {
    return WindowInfo{title, minimized, WindowElement{4, handle}, static_cast<quint32>(handle),
                      std::nullopt};
}

QStringList titles(const std::vector<WindowChip>& chips) {
    QStringList list;
    for (const auto& chip : chips) list << chip.title();
    return list;
}

TEST(WindowChipTitles, EveryKindReadsAsTheUserSeesItAndOnlyWindowsAreMinimized) {
    EXPECT_EQ((WindowChip{WindowChip::Window{window("Inbox", 1)}}).title(), "Inbox");
    EXPECT_EQ((WindowChip{WindowChip::Window{window("", 1)}}).title(), "Untitled window");
    EXPECT_EQ((WindowChip{WindowChip::More{1}}).title(), "1 more windows");
    EXPECT_EQ((WindowChip{WindowChip::More{12}}).title(), "12 more windows");
    RingApp app = RingApp::more(3);
    app.name = QStringLiteral("Calendar");
    EXPECT_EQ((WindowChip{WindowChip::App{app}}).title(), "Calendar");
    EXPECT_EQ((WindowChip{WindowChip::File{QUrl::fromLocalFile("/home/u/Downloads/report 2.pdf")}})
                  .title(),
              "report 2.pdf");
    EXPECT_EQ((WindowChip{WindowChip::Reveal{QUrl::fromLocalFile("/home/u/Downloads/"), "Finder"}})
                  .title(),
              "Open in Finder");
    EXPECT_EQ((WindowChip{WindowChip::AllowAccess{}}).title(),
              QStringLiteral("Allow Accessibility to pick a window…"));
    // Only minimized windows read as minimized.
    EXPECT_TRUE((WindowChip{WindowChip::Window{window("A", 1, true)}}).isMinimized());
    EXPECT_FALSE((WindowChip{WindowChip::Window{window("A", 1, false)}}).isMinimized());
    EXPECT_FALSE((WindowChip{WindowChip::More{2}}).isMinimized());
}

TEST(WindowChipsOfProcess, TwoListedAndCountedWindowsGiveOneChipEachInOrder) {
    const WindowTable windows{{4, {window("One", 1), window("Three", 3), window("Two", 2, true)}}};
    const auto chips = WindowChip::chips(4, windows, {{4, 2}}, true);
    ASSERT_TRUE(chips.has_value());
    EXPECT_EQ(titles(*chips), (QStringList{"One", "Three", "Two"}));
    EXPECT_TRUE((*chips)[2].isMinimized());
    for (const auto& chip : *chips) EXPECT_EQ(chip.frame, QRectF());
    // One window counted, none, or counts ahead of the listing (the window server counts three,
    // but only one is a standard window): no chips.
    const WindowTable two{{4, {window("One", 1), window("Two", 2)}}};
    const WindowTable one{{4, {window("One", 1)}}};
    const std::pair<WindowTable, WindowCounts> none[] = {{two, {{4, 1}}},       {two, {{4, 0}}},
                                                         {two, {{5, 3}}},       {one, {{4, 3}}},
                                                         {{{4, {}}}, {{4, 3}}}, {{}, {{4, 3}}}};
    for (const auto& [table, counts] : none)
        EXPECT_FALSE(WindowChip::chips(4, table, counts, true));
    EXPECT_FALSE(WindowChip::chips(4, two, {}, false));
    // Without the permission, the single prompt.
    const auto prompt = WindowChip::chips(4, {}, {{4, 2}}, false);
    ASSERT_TRUE(prompt.has_value());
    ASSERT_EQ(prompt->size(), 1u);
    EXPECT_TRUE(std::holds_alternative<WindowChip::AllowAccess>(prompt->front().kind));
}

TEST(WindowChipIcons, FilesFoldersAndAppsHaveIconsOthersNone) {
    test::TestDesktop desktop;
    Workspace& workspace = desktop.platform().workspace;
    const QUrl file = QUrl::fromLocalFile(desktop.makeFile("Downloads/notes.txt", "x"));
    const QUrl folder = QUrl::fromLocalFile(desktop.path("Downloads"));

    const QImage fileIcon = (WindowChip{WindowChip::File{file}}).icon(workspace);
    EXPECT_FALSE(fileIcon.isNull());
    EXPECT_EQ(fileIcon.cacheKey(), AppSource::icon(workspace, file).cacheKey());
    const QImage folderIcon = (WindowChip{WindowChip::Reveal{folder, "Finder"}}).icon(workspace);
    EXPECT_FALSE(folderIcon.isNull());
    EXPECT_EQ(folderIcon.cacheKey(), AppSource::icon(workspace, folder).cacheKey());

    RingApp app = RingApp::fromFolder(workspace, folder);
    EXPECT_EQ((WindowChip{WindowChip::App{app}}).icon(workspace).cacheKey(), app.icon.cacheKey());
    EXPECT_TRUE((WindowChip{WindowChip::App{RingApp::more(2)}}).icon(workspace).isNull());

    EXPECT_TRUE((WindowChip{WindowChip::Window{window("A", 1)}}).icon(workspace).isNull());
    EXPECT_TRUE((WindowChip{WindowChip::More{3}}).icon(workspace).isNull());
    EXPECT_TRUE((WindowChip{WindowChip::AllowAccess{}}).icon(workspace).isNull());
}

}  // namespace
}  // namespace tandri
