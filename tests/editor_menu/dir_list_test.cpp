// The patch folder listing on real folders: which files are listed, cursor and lookup,
// and folders that are missing, huge or named by over-long paths.
#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "DirList.h"
#include "MenuTestSupport.h"

namespace halvorax::test {
namespace {

class DirListTest : public TempFolderTest {
protected:
    // A list as the editor makes it: "repatch" files directly in the folder.
    void makeEditorList(const std::string& folder) {
        list.setPath(folder.c_str());
        list.addExtension("repatch");
        list.setRecurse(false);
        list.refresh();
    }
    std::set<std::string> names() const {
        std::set<std::string> result;
        for (const dirEntry* e = list.head; e; e = e->next) result.insert(e->name);
        return result;
    }

    dirList list;
};

TEST_F(DirListTest, ListsPatchFilesInAnyLetterCaseAndNothingElse) {
    for (const char* name : {"Bass.repatch", "LOUD.REPATCH", "Mixed.RePatch", "two.dots.repatch", "repatch",
                             "notes.txt", "Bass.repatch.bak", "noext"})
        touch(name);
    fs::create_directory(root / "sub");
    touch("sub/Deep.repatch");
    fs::create_directory(root / "folder.repatch");  // a folder is never a patch

    makeEditorList(root.string());
    EXPECT_EQ(names(), (std::set<std::string>{"Bass.repatch", "LOUD.REPATCH", "Mixed.RePatch", "two.dots.repatch"}));
    for (const dirEntry* e = list.head; e; e = e->next) {
        EXPECT_STREQ(e->path, root.c_str());
        EXPECT_EQ(e->depth, 0);
        EXPECT_EQ(e->isFolder, 0);
    }
    EXPECT_EQ(list.current, list.head);
    EXPECT_EQ(list.getCount(), 4);
}

TEST_F(DirListTest, EntriesKeepTheFolderAsGivenWhileTheScanConvertsBackslashes) {
    fs::create_directory(root / "sub");
    touch("sub/A.repatch");
    const std::string folder = root.string() + "\\sub";
    makeEditorList(folder);
    ASSERT_EQ(list.getCount(), 1);
    EXPECT_STREQ(list.head->path, folder.c_str());
    EXPECT_EQ(list.find(folder.c_str(), "A.repatch"), 0);
}

TEST_F(DirListTest, RecursingListsFoldersAndTheirFilesOneLevelDeeper) {
    touch("Top.repatch");
    fs::create_directories(root / "a" / "b");
    touch("a/Mid.repatch");
    touch("a/b/Low.syx");
    fs::create_directory_symlink(root, root / "a" / "loop");  // a link is never entered
    list.setPath(root.c_str());
    list.addExtension("repatch");
    list.addExtension("SYX");
    list.refresh();

    std::vector<std::string> seen;
    for (const dirEntry* e = list.head; e; e = e->next)
        seen.push_back(std::string(e->isFolder ? "D " : "F ") + std::to_string(e->depth) + " " + e->name + " @" +
                       fs::path(e->path).lexically_relative(root.parent_path()).string());
    std::sort(seen.begin(), seen.end());
    const std::string base = root.filename().string();
    EXPECT_EQ(seen,
              (std::vector<std::string>{"D 0 a @" + base + "/a", "D 1 b @" + base + "/a/b", "F 0 Top.repatch @" + base,
                                        "F 1 Mid.repatch @" + base + "/a", "F 2 Low.syx @" + base + "/a/b"}));
}

TEST_F(DirListTest, AFolderThatCannotBeOpenedGivesAnEmptyList) {
    touch("A.repatch");
    makeEditorList(root.string());
    ASSERT_EQ(list.getCount(), 1);

    fs::remove_all(root);  // the folder vanished
    list.refresh();
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.current, nullptr);
    EXPECT_EQ(list.getCount(), 0);
    EXPECT_EQ(list.find(root.c_str(), "A.repatch"), -1);

    fs::create_directory(root);
    touch("file.repatch");
    makeEditorList(path("file.repatch"));  // a file is no folder
    EXPECT_EQ(list.getCount(), 0);
}

TEST_F(DirListTest, OverLongNamesPathsAndExtensionListsAreCut) {
    const std::string longText(600, 'x');
    list.addEntry(longText.c_str(), longText.c_str(), 0, false);
    EXPECT_EQ(std::strlen(list.head->name), 255u);
    EXPECT_EQ(std::strlen(list.head->path), 255u);

    list.setPath(longText.c_str());
    EXPECT_EQ(std::strlen(list.path), 255u);
    for (int i = 0; i < dirList::kMaxExtensions; ++i) EXPECT_TRUE(list.addExtension(longText.c_str()));
    EXPECT_FALSE(list.addExtension("repatch"));
    EXPECT_EQ(list.extensionCount, dirList::kMaxExtensions);
    EXPECT_EQ(std::strlen(list.extensions[9]), 255u);
    list.refresh();  // a folder name of 255 characters does not exist: nothing, no fault
    EXPECT_EQ(list.getCount(), 0);
}

TEST_F(DirListTest, FoldersWhosePathsDoNotFitAreListedButNotEntered) {
    fs::path deep = root;
    for (int i = 0; i < 12; ++i) deep /= std::string(40, static_cast<char>('a' + i));
    fs::create_directories(deep);
    std::ofstream(deep / "Bottom.repatch") << "";
    list.setPath(root.c_str());
    list.addExtension("repatch");
    list.refresh();

    // Each level adds 41 characters: the first folder whose path passes 255 is the last entry.
    const int fitting = static_cast<int>((255 - root.string().size()) / 41);
    EXPECT_EQ(list.getCount(), fitting + 1);
    EXPECT_EQ(list.last()->depth, fitting);
    EXPECT_EQ(std::strlen(list.last()->path), 255u);
    for (const dirEntry* e = list.head; e; e = e->next) EXPECT_EQ(e->isFolder, 1);
}

TEST_F(DirListTest, AFolderWithThousandsOfFilesIsListedWhole) {
    for (int i = 0; i < 3000; ++i) touch("p" + std::to_string(i) + (i % 3 ? ".repatch" : ".wav"));
    makeEditorList(root.string());
    EXPECT_EQ(list.getCount(), 2000);
    EXPECT_GE(list.find(root.c_str(), "p2999.repatch"), 0);
    EXPECT_EQ(list.find(root.c_str(), "p2997.repatch"), -1);
}

}  // namespace
}  // namespace halvorax::test
