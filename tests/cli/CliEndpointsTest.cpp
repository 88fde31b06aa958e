// Where the command line reads and writes: files replaced whole through a
// short temporary name, symbolic links followed, devices and FIFOs written
// into as they are, standard streams; names quoted in messages; seeds.
#include "cli/FileIo.h"
#include "cli/PathText.h"
#include "cli/Seeds.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>
#include <set>

namespace {

struct Folder {
    std::string path;
};

Folder MakeFolder() {
    char name[] = "/tmp/vorn-endpoints-XXXXXX";
    EXPECT_NE(mkdtemp(name), nullptr);
    return Folder{name};
}

void RemoveFolder(const Folder& folder) {
    const std::string command = "rm -rf '" + folder.path + "'";
    EXPECT_EQ(system(command.c_str()), 0);
}

std::vector<std::string> Entries(const std::string& path) {
    std::vector<std::string> names;
    DIR* folder = opendir(path.c_str());
    if (folder == nullptr) return names;
    while (dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(folder);
    std::sort(names.begin(), names.end());
    return names;
}

std::string Contents(const std::string& path) {
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr) return "<absent>";
    std::string text;
    char piece[256];
    size_t got;
    while ((got = fread(piece, 1, sizeof piece, file)) > 0) text.append(piece, got);
    fclose(file);
    return text;
}

bool Write(const std::string& path, const std::string& text, std::string* error) {
    OutputTarget target;
    if (!BeginOutput(path, &target, error)) return false;
    fputs(text.c_str(), target.file);
    return CommitOutput(&target, error);
}

TEST(CliEndpoints, NewAndExistingFilesAppearWholeWithTheirModeKept) {
    const Folder folder = MakeFolder();
    const std::string path = folder.path + "/out.png";
    OutputTarget target;
    std::string error;
    ASSERT_TRUE(BeginOutput(path, &target, &error)) << error;
    EXPECT_FALSE(target.direct);
    EXPECT_EQ(target.finalPath, path);
    ASSERT_FALSE(target.temporary.empty());
    EXPECT_EQ(target.temporary.substr(0, folder.path.size() + 1), folder.path + "/");
    EXPECT_LT(target.temporary.size() - folder.path.size(), 32u);  // short: long names fit
    fputs("first", target.file);
    EXPECT_EQ(Contents(path), "<absent>");  // nothing under the name until it is whole
    ASSERT_TRUE(CommitOutput(&target, &error)) << error;
    EXPECT_EQ(Contents(path), "first");
    EXPECT_EQ(Entries(folder.path), std::vector<std::string>({"out.png"}));

    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(Write(path, "second", &error)) << error;
    EXPECT_EQ(Contents(path), "second");
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);

    // Abandoned: the old file stays, the temporary goes.
    ASSERT_TRUE(BeginOutput(path, &target, &error)) << error;
    fputs("third", target.file);
    AbandonOutput(&target);
    EXPECT_EQ(Contents(path), "second");
    EXPECT_EQ(Entries(folder.path), std::vector<std::string>({"out.png"}));

    // 250 characters: the longest names the file system takes still work.
    const std::string longName = folder.path + "/" + std::string(246, 'n') + ".png";
    ASSERT_TRUE(Write(longName, "long", &error)) << error;
    EXPECT_EQ(Contents(longName), "long");
    RemoveFolder(folder);
}

TEST(CliEndpoints, SymbolicLinksAreFollowedAndStay) {
    const Folder folder = MakeFolder();
    mkdir((folder.path + "/real").c_str(), 0700);
    std::string error;
    ASSERT_TRUE(Write(folder.path + "/real/target.png", "old", &error)) << error;
    ASSERT_EQ(symlink("real/target.png", (folder.path + "/link.png").c_str()), 0);
    ASSERT_EQ(symlink("link.png", (folder.path + "/link2.png").c_str()), 0);
    OutputTarget target;
    ASSERT_TRUE(BeginOutput(folder.path + "/link2.png", &target, &error)) << error;
    EXPECT_EQ(target.finalPath, folder.path + "/real/target.png");
    EXPECT_EQ(target.temporary.substr(0, folder.path.size() + 6), folder.path + "/real/");
    fputs("new", target.file);
    ASSERT_TRUE(CommitOutput(&target, &error)) << error;
    struct stat info;
    ASSERT_EQ(lstat((folder.path + "/link.png").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(lstat((folder.path + "/link2.png").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(Contents(folder.path + "/real/target.png"), "new");
    EXPECT_EQ(Entries(folder.path + "/real"), std::vector<std::string>({"target.png"}));

    // A dangling link: its target is made.
    ASSERT_EQ(symlink((folder.path + "/made.png").c_str(), (folder.path + "/dangling.png").c_str()),
              0);
    ASSERT_TRUE(Write(folder.path + "/dangling.png", "made", &error)) << error;
    EXPECT_EQ(Contents(folder.path + "/made.png"), "made");
    ASSERT_EQ(lstat((folder.path + "/dangling.png").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));

    // A loop of links: refused with a reason.
    ASSERT_EQ(symlink("loop-b", (folder.path + "/loop-a").c_str()), 0);
    ASSERT_EQ(symlink("loop-a", (folder.path + "/loop-b").c_str()), 0);
    EXPECT_FALSE(Write(folder.path + "/loop-a", "x", &error));
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
    RemoveFolder(folder);
}

TEST(CliEndpoints, DevicesAndFifosAreWrittenIntoAndStayWhatTheyAre) {
    std::string error;
    OutputTarget target;
    ASSERT_TRUE(BeginOutput("/dev/null", &target, &error)) << error;
    EXPECT_TRUE(target.direct);
    EXPECT_TRUE(target.temporary.empty());
    fputs("gone", target.file);
    ASSERT_TRUE(CommitOutput(&target, &error)) << error;
    struct stat info;
    ASSERT_EQ(stat("/dev/null", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));

    if (access("/dev/full", W_OK) == 0) {
        EXPECT_FALSE(Write("/dev/full", std::string(100000, 'x'), &error));
        EXPECT_NE(error.find("cannot write /dev/full: No space left on device"), std::string::npos)
            << error;
        ASSERT_EQ(stat("/dev/full", &info), 0);
        EXPECT_TRUE(S_ISCHR(info.st_mode));
    }

    const Folder folder = MakeFolder();
    const std::string fifo = folder.path + "/pipe.png";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_TRUE(Write(fifo, "through the pipe", &error)) << error;
    char got[64] = {0};
    EXPECT_EQ(read(reader, got, sizeof got - 1), 16);
    EXPECT_STREQ(got, "through the pipe");
    close(reader);
    ASSERT_EQ(lstat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(Entries(folder.path), std::vector<std::string>({"pipe.png"}));

    ASSERT_TRUE(BeginOutput("-", &target, &error)) << error;
    EXPECT_EQ(target.file, stdout);
    EXPECT_TRUE(target.direct);
    AbandonOutput(&target);
    FILE* in = nullptr;
    ASSERT_TRUE(OpenInputFile("-", &in, &error));
    EXPECT_EQ(in, stdin);
    CloseInputFile(in);  // stdin stays open
    EXPECT_NE(fcntl(STDIN_FILENO, F_GETFD), -1);
    RemoveFolder(folder);
}

TEST(CliEndpoints, RefusalsAreOneLineAndLeaveNothing) {
    const Folder folder = MakeFolder();
    std::string error;
    EXPECT_FALSE(Write(folder.path, "x", &error));
    EXPECT_NE(error.find("Is a directory"), std::string::npos) << error;
    const std::string odd = folder.path + "/no\nsuch/o'ut.png";
    EXPECT_FALSE(Write(odd, "x", &error));
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    EXPECT_NE(error.find("no\\nsuch/o\\'ut.png'"), std::string::npos) << error;
    FILE* in = nullptr;
    EXPECT_FALSE(OpenInputFile(folder.path + "/absent\t.png", &in, &error));
    EXPECT_NE(error.find("cannot read '"), std::string::npos) << error;
    EXPECT_NE(error.find("absent\\t.png': No such file"), std::string::npos) << error;
    EXPECT_TRUE(Entries(folder.path).empty());
    RemoveFolder(folder);
}

TEST(CliEndpoints, PathsAreQuotedOnlyWhenTheyNeedIt) {
    EXPECT_EQ(QuotePath("out/a-b_c.png"), "out/a-b_c.png");
    EXPECT_EQ(QuotePath("\xc3\xa9t\xc3\xa9.png"), "\xc3\xa9t\xc3\xa9.png");
    EXPECT_EQ(QuotePath("a b.png"), "'a b.png'");
    EXPECT_EQ(QuotePath("a\nb"), "'a\\nb'");
    EXPECT_EQ(QuotePath("it's\\"), "'it\\'s\\\\'");
    EXPECT_EQ(QuotePath(std::string("\x01\x7f\r", 3)), "'\\x01\\x7f\\r'");
    EXPECT_EQ(QuotePath(""), "''");
    // A whole message keeps its quotes and blanks; only control characters
    // are written out, so that it stays one line.
    EXPECT_EQ(EscapeControls("can't read 'a b': x"), "can't read 'a b': x");
    EXPECT_EQ(EscapeControls(std::string("a\nb\tc\x1b[31m\r", 11)), "a\\nb\\tc\\x1b[31m\\r");
    EXPECT_EQ(EscapeControls("\xc3\xa9t\xc3\xa9"), "\xc3\xa9t\xc3\xa9");
}

TEST(CliEndpoints, EverySeedStartsTheGeneratorItsOwnWay) {
    const uint32_t seeds[] = {0, 1, 2, 3, 1000, maxSeed / 2, maxSeed - 1, maxSeed};
    std::set<uint32_t> handed, low31;
    for (uint32_t seed : seeds) {
        const uint32_t value = RuntimeSeedFor(seed);
        EXPECT_NE(value, 0u);  // glibc takes 0 as 1
        handed.insert(value);
        low31.insert(value & 0x7fffffffu);  // msvcrt sees only these bits
    }
    EXPECT_EQ(handed.size(), sizeof seeds / sizeof seeds[0]);
    EXPECT_EQ(RuntimeSeedFor(1), 1u);  // every seed but 0 as it always was
    EXPECT_EQ(RuntimeSeedFor(maxSeed), maxSeed);
    EXPECT_EQ(low31.size(), sizeof seeds / sizeof seeds[0]);
    srand(RuntimeSeedFor(0));
    const int first = rand();
    srand(RuntimeSeedFor(1));
    EXPECT_NE(rand(), first);

    EXPECT_EQ(FileSeed(7, 0), 7u);
    EXPECT_EQ(FileSeed(7, 3), 10u);
    EXPECT_EQ(FileSeed(maxSeed, 1), 0u);
    std::set<uint32_t> files;
    for (uint32_t k = 0; k < 100; ++k) files.insert(FileSeed(maxSeed - 50, k));
    EXPECT_EQ(files.size(), 100u);
}

}  // namespace
