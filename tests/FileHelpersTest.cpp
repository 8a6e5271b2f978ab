// The file-system helpers every cache writer uses.
#include "core/Log.h"
#include "cache/FileHelpers.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;
using testfiles::readFile;

namespace {

class FileHelpers : public ::testing::Test {
protected:
    testfiles::TestDirectory dir_{"files"};
};

}  // namespace

TEST_F(FileHelpers, OpenFileAndStreamsKeepBytesExact)
{
    const fs::path file = dir_ / "a.txt";
    std::FILE* f = trv::openFile(file, "wt");
    ASSERT_NE(f, nullptr);
    std::fputs("one\ntwo\n", f);
    std::fclose(f);
    EXPECT_EQ(readFile(file), "one\ntwo\n");
    EXPECT_EQ(trv::openFile(dir_ / "missing" / "x", "rb"), nullptr);
    EXPECT_EQ(trv::openFile(fs::path(), "rb"), nullptr);

    {
        auto shared = trv::openFileShared(file, "rb");
        auto copy = shared;
        char buffer[4] = {};
        EXPECT_EQ(std::fread(buffer, 1, 3, copy.get()), 3u);
        EXPECT_EQ(std::string(buffer), "one");
    }
    try {
        trv::openFileShared(dir_ / "missing", "rb");
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Failed to open file");
    }

    {
        trv::Torvo_ofstream out(dir_ / "b.txt", std::ios::out | std::ios::app);  // always a fresh "wb"
        ASSERT_TRUE(out.is_open());
        out << "line\r\nnext\n";
    }
    {
        trv::Torvo_ofstream out(dir_ / "b.txt");
        out << "line\r\nnext\n";
    }
    EXPECT_EQ(readFile(dir_ / "b.txt"), "line\r\nnext\n");
    trv::Torvo_ifstream in(dir_ / "b.txt", std::ios::in | std::ios::binary);
    ASSERT_TRUE(in.is_open());
    std::string word;
    in >> word;
    EXPECT_EQ(word, "line");
    trv::Torvo_ifstream none(dir_ / "nothing");
    EXPECT_FALSE(none.is_open());
}

TEST_F(FileHelpers, DirectoryCreationAndClearing)
{
    EXPECT_FALSE(trv::createDirectories(fs::path()));
    EXPECT_TRUE(trv::createDirectories(dir_ / "x" / "y"));
    EXPECT_FALSE(trv::createDirectories(dir_ / "x" / "y"));
    std::ofstream(dir_ / "file") << "f";
    EXPECT_THROW(trv::createDirectories(dir_ / "file"), fs::filesystem_error);

    trv::ensureDirectory(dir_ / "e" / "f");
    EXPECT_TRUE(fs::is_directory(dir_ / "e" / "f"));
    trv::ensureDirectory(dir_ / "e" / "f");
    EXPECT_THROW(trv::ensureDirectory(dir_ / "file"), fs::filesystem_error);
    EXPECT_EQ(readFile(dir_ / "file"), "f");

    fs::create_directories(dir_ / "c" / "deep" / "deeper");
    std::ofstream(dir_ / "c" / "deep" / "deeper" / "f") << "f";
    std::ofstream(dir_ / "c" / "top") << "t";
    fs::create_symlink(dir_ / "x", dir_ / "c" / "link");
    trv::clearDirectory(dir_ / "c");
    EXPECT_TRUE(fs::is_directory(dir_ / "c"));
    EXPECT_TRUE(fs::is_empty(dir_ / "c"));
    EXPECT_TRUE(fs::is_directory(dir_ / "x" / "y"));  // a link's target is not emptied
    EXPECT_THROW(trv::clearDirectory(dir_ / "absent"), fs::filesystem_error);
}

TEST_F(FileHelpers, QuotedPathDropsOneSeparatorOfADirectory)
{
    EXPECT_EQ(trv::quotedPath(dir_.path().string() + "/"), "\"" + dir_.path().string() + "\"");
    EXPECT_EQ(trv::quotedPath(dir_.path()), "\"" + dir_.path().string() + "\"");
    EXPECT_EQ(trv::quotedPath("/no/such/dir/"), "\"/no/such/dir/\"");
    EXPECT_EQ(trv::quotedPath("/"), "\"/\"");
    EXPECT_EQ(trv::quotedPath("with space/file.xml"), "\"with space/file.xml\"");
}

TEST_F(FileHelpers, RelativePathRules)
{
    using trv::relativePath;
    EXPECT_EQ(relativePath("/a/b/c/file.xml", "/a/b"), fs::path("c/file.xml"));
    EXPECT_EQ(relativePath("/a/x/file.xml", "/a/b/c"), fs::path("../../x/file.xml"));
    EXPECT_EQ(relativePath("/a/b", "/a/b"), fs::path());
    EXPECT_EQ(relativePath("/a/b/f", "/a/b/"), fs::path("f"));
    EXPECT_EQ(relativePath("a/b/f", "a/./c"), fs::path("../b/f"));
    EXPECT_EQ(relativePath("f", ""), fs::path("f"));
    EXPECT_EQ(relativePath("/a/f", "b"), fs::path("/a/f"));  // roots differ: unchanged
    try {
        relativePath("a/f", "/a");
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "cannot uncomplete a path relative path from a rooted base");
    }
}
