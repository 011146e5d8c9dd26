// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "platform/common/regularfile.h"
#include "support/finisheswithin.h"
#include "support/testfiles.h"

namespace tandri {
namespace {

using Status = RegularFile::Status;

// Every kind of thing a name among the user's files can be: only regular files are read, and
// nothing may wait on a pipe or read a device to its (missing) end.
TEST(RegularFile, ReadsOnlyRegularFilesUpToTheLimit) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto at = [&](const char* name) {
        return dir.filePath(QString::fromLatin1(name));
    };
    test::writeFile(at("small"), "hello");
    test::writeFile(at("empty"), {});
    test::writeFile(at("large"), QByteArray(2000, 'x'));
    ASSERT_EQ(::mkfifo(QFile::encodeName(at("pipe")).constData(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(at("zero")).constData()), 0);
    ASSERT_EQ(::symlink("small", QFile::encodeName(at("link")).constData()), 0);
    ASSERT_EQ(::symlink("nowhere", QFile::encodeName(at("dangling")).constData()), 0);
    ASSERT_EQ(::mkdir(QFile::encodeName(at("folder")).constData(), 0700), 0);

    const struct {
        const char* name;
        Status status;
        QByteArray bytes;
    } cases[] = {
        {"small", Status::Read, "hello"},   {"empty", Status::Read, {}},
        {"link", Status::Read, "hello"},    {"large", Status::TooLarge, {}},
        {"pipe", Status::NotRegular, {}},   {"zero", Status::NotRegular, {}},
        {"folder", Status::NotRegular, {}}, {"dangling", Status::Missing, {}},
        {"absent", Status::Missing, {}},    {"small/below", Status::Missing, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RegularFile file;
        test::finishesWithin(10, c.name, [&] { file = RegularFile::read(at(c.name), 1000); });
        EXPECT_EQ(file.status, c.status) << file.problem().toStdString();
        EXPECT_EQ(file.bytes, c.bytes);
        EXPECT_EQ(file.ok(), file.problem().isEmpty());
    }
    EXPECT_EQ(RegularFile::read(at("large"), 2000).bytes.size(), 2000) << "the limit is inclusive";
    EXPECT_EQ(RegularFile::read(at("large"), 1000).problem(), "larger than 1000 bytes");

    // Images come through the same door.
    QImage picture(4, 3, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(at("icon.png")));
    EXPECT_EQ(RegularFile::image(at("icon.png")).size(), QSize(4, 3));
    test::finishesWithin(10, "an icon linked to /dev/zero",
                         [&] { EXPECT_TRUE(RegularFile::image(at("zero")).isNull()); });
    test::finishesWithin(10, "an icon that is a pipe",
                         [&] { EXPECT_TRUE(RegularFile::image(at("pipe")).isNull()); });
}

}  // namespace
}  // namespace tandri
