// The run's own names on POSIX: links, FIFOs and second names are refused
// or described, never followed or blocked on. (POSIX only: the planted
// kinds are made with symlink, link and mkfifo.)
#include "work_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "test_support.h"

namespace {

void plant(const ScratchDir& dir, const std::string& name, FileKind kind, bool second_name) {
    std::string path = dir / name;
    write_bytes(dir / "target", {1, 2, 3});
    switch (kind) {
        case FileKind::Regular:
            if (second_name)
                ASSERT_EQ(link((dir / "target").c_str(), path.c_str()), 0);
            else
                write_bytes(path, {4, 5, 6});
            break;
        case FileKind::Symlink: ASSERT_EQ(symlink((dir / "target").c_str(), path.c_str()), 0); break;
        case FileKind::Fifo: ASSERT_EQ(mkfifo(path.c_str(), 0644), 0); break;
        case FileKind::Directory: ASSERT_EQ(mkdir(path.c_str(), 0755), 0); break;
        default: FAIL();
    }
}

TEST(WorkFiles, OnlyTheRunsOwnRegularFileIsOpened) {
    // errno of open_for_reading and open_for_rewrite; 0 when they open it.
    struct Case {
        const char* what;
        FileKind kind;
        bool second_name;
        int read_errno, rewrite_errno;
    } cases[] = {
        {"regular file", FileKind::Regular, false, 0, 0},
        {"second name", FileKind::Regular, true, 0, EMLINK},
        {"symbolic link", FileKind::Symlink, false, ELOOP, ELOOP},
        {"FIFO", FileKind::Fifo, false, EINVAL, ENXIO},  // without blocking on a missing writer or reader
        {"directory", FileKind::Directory, false, EINVAL, EISDIR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        plant(dir, "name", c.kind, c.second_name);
        std::string path = dir / "name";
        FileProbe probe;
        ASSERT_EQ(probe_file(path.c_str(), &probe), 0);
        EXPECT_EQ(probe.kind, c.kind);
        if (c.kind == FileKind::Regular) {
            EXPECT_EQ(probe.links > 1, c.second_name);
        }
        for (int rewrite = 0; rewrite < 2; ++rewrite) {
            errno = 0;
            FILE* file = rewrite ? open_for_rewrite(path.c_str()) : open_for_reading(path.c_str());
            int expected = rewrite ? c.rewrite_errno : c.read_errno;
            EXPECT_EQ(file != nullptr, expected == 0) << (rewrite ? "rewrite" : "read");
            if (file)
                std::fclose(file);
            else
                EXPECT_EQ(errno, expected) << (rewrite ? "rewrite" : "read");
        }
        EXPECT_EQ(read_bytes(dir / "target"), std::vector<uint8_t>({1, 2, 3})) << "the target was touched";
        if (c.kind == FileKind::Symlink || c.kind == FileKind::Fifo || c.second_name) {
            EXPECT_EQ(remove_name(path.c_str()), 0);
            EXPECT_EQ(probe_file(path.c_str(), &probe), 0);
            EXPECT_EQ(probe.kind, FileKind::Missing);
            EXPECT_TRUE(file_exists(dir / "target"));
        }
    }
    ScratchDir dir;
    mkdir((dir / "d").c_str(), 0755);
    EXPECT_EQ(remove_name((dir / "d").c_str()), -1) << "a directory is not a name to remove";
}

TEST(WorkFiles, HelperLeftoversOfExactlyThePatternGo) {
    ScratchDir dir;
    const char* names[] = {".im00001.tif.Ab12Cd", ".im00001.tif.Ab12C", ".im00001.tif.Ab12Cde",
                           ".im00002.tif.Ab12Cd", "im00001.tif",        ".im00001.tifXAb12Cd"};
    for (const char* n : names) write_bytes(dir / n, {1});
    mkdir((dir / ".im00001.tif.dir123").c_str(), 0755);
    std::string cwd(4096, '\0');
    ASSERT_NE(getcwd(&cwd[0], cwd.size()), nullptr);
    ASSERT_EQ(chdir(dir.path.c_str()), 0);
    remove_helper_leftovers("im00001.tif");
    ASSERT_EQ(chdir(cwd.c_str()), 0);
    EXPECT_EQ(list_dir(dir.path),
              std::vector<std::string>({".im00001.tif.Ab12C", ".im00001.tif.Ab12Cde", ".im00001.tif.dir123",
                                        ".im00001.tifXAb12Cd", ".im00002.tif.Ab12Cd", "im00001.tif"}));
}

}  // namespace
