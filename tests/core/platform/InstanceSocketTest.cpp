#include "core/platform/InstanceSocket.h"

#include "fakes/TempFolder.h"

#include <gmock/gmock.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillo {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class InstanceSocket : public ::testing::Test {
protected:
    InstanceSocket() {
        fs::create_directory(runtime());
        fs::permissions(runtime(), fs::perms::owner_all, fs::perm_options::replace);
    }
    fs::path runtime() const { return root / "run"; }
    SocketFolders folders() const { return {runtime(), root / "cache", root / "data", ::getuid()}; }
    static std::string problem(const std::variant<fs::path, std::string>& path) {
        return std::holds_alternative<std::string>(path) ? std::get<std::string>(path) : "";
    }

    testing::TempFolder root;
};

TEST_F(InstanceSocket, livesInTheRuntimeFolderNamedAfterTheLibrary) {
    const fs::path socket = std::get<fs::path>(instanceSocketPath(folders()));
    EXPECT_EQ(socket.parent_path(), runtime());
    SocketFolders other = folders();
    other.dataFolder = root / "another library";
    EXPECT_NE(std::get<fs::path>(instanceSocketPath(other)), socket);
}

TEST_F(InstanceSocket, withoutARuntimeFolderInTheUsersOwnCacheAndNeverTooLongForASocket) {
    SocketFolders withoutRuntime = folders();
    withoutRuntime.runtimeFolder.reset();
    const fs::path socket = std::get<fs::path>(instanceSocketPath(withoutRuntime));
    EXPECT_EQ(socket.parent_path(), root / "cache" / "Quillo");
    struct stat info {};
    ASSERT_EQ(::stat(socket.parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    const fs::path deep = runtime() / std::string(100, 'd');
    fs::create_directory(deep);
    fs::permissions(deep, fs::perms::owner_all, fs::perm_options::replace);
    SocketFolders far = folders();
    far.runtimeFolder = deep;
    EXPECT_THAT(problem(instanceSocketPath(far)), HasSubstr("more than the 107"));
}

TEST_F(InstanceSocket, aFolderOthersCanReachIsRefusedWithTheReason) {
    fs::permissions(runtime(), fs::perms::group_write, fs::perm_options::add);
    EXPECT_THAT(problem(instanceSocketPath(folders())), HasSubstr("is open to other users"));
    fs::permissions(runtime(), fs::perms::owner_all, fs::perm_options::replace);

    if (::getuid() == 0) { // only root can give a folder away
        ASSERT_EQ(::chown(runtime().c_str(), 65534, 65534), 0);
        EXPECT_THAT(problem(instanceSocketPath(folders())), HasSubstr("belongs to another user"));
    }

    fs::create_directory(root / "elsewhere");
    fs::permissions(root / "elsewhere", fs::perms::owner_all, fs::perm_options::replace);
    fs::create_directory_symlink(root / "elsewhere", root / "link");
    SocketFolders linked = folders();
    linked.runtimeFolder = root / "link";
    EXPECT_THAT(problem(instanceSocketPath(linked)), HasSubstr("is a symbolic link"));

    linked.runtimeFolder = root / "missing";
    EXPECT_THAT(problem(instanceSocketPath(linked)), HasSubstr("doesn't exist"));
}

} // namespace
} // namespace quillo
