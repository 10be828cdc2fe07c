// A writer of the library is killed (SIGKILL) at random moments, over and over, each time
// started afresh on what the last one left. After every kill the library file must load and
// hold the state before or after the save in progress, every backup must be a whole library,
// and the next writer must clear the temporary files a killed save left behind. In every
// other stretch of kills a sync tool writes the file too: no snippet it added may be lost.
#include "core/model/ConflictCopies.h"
#include "core/model/LibraryFile.h"
#include "core/util/Files.h"
#include "fakes/RunProgram.h"
#include "fakes/TempFolder.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <poll.h>
#include <random>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <tuple>

namespace quillo {
namespace {

namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;
using testing::readFile;

constexpr int kills = QUILLO_CRASH_KILLS;
// Some 900 KB of library: a save takes long enough for many kills to land inside it.
constexpr std::size_t seededSnippets = 1000;
constexpr std::size_t backupsKept = 14;
// Kills come in stretches, every other one with the outside writer at work.
constexpr int stretch = std::max(kills / 10, 1);
const std::string outsidePrefix = "Outside ";
constexpr std::chrono::milliseconds outsidePause{10};

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

/// One run of the stress writer (tests/crash/SaveStress.cpp) and what it has said so far.
class StressWriter {
public:
    StressWriter(const fs::path& data, std::vector<std::string> options = {}) {
        std::vector<std::string> arguments{QUILLO_SAVE_STRESS};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back(data.string());
        std::vector<char*> argv = testing::detail::pointersTo(arguments);
        // Backups are named after the local day.
        std::vector<std::string> entries = testing::detail::environmentWith({{"TZ", "UTC"}});
        std::vector<char*> envp = testing::detail::pointersTo(entries);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out_.write(), STDOUT_FILENO);
        const int spawned =
            posix_spawn(&pid_, QUILLO_SAVE_STRESS, &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0)
            throw std::runtime_error(std::string("posix_spawn: ") + std::strerror(spawned));
        out_.closeWrite();
    }
    ~StressWriter() {
        if (pid_ > 0)
            kill();
    }
    StressWriter(const StressWriter&) = delete;
    StressWriter& operator=(const StressWriter&) = delete;

    /// Called with each line as it arrives.
    std::function<void(const std::string&)> onLine;

    /// Reads what the writer says until `deadline`, or until it stops talking.
    void readUntil(Steady::time_point deadline) {
        while (!ended_) {
            const auto left = deadline - Steady::now();
            if (left <= Steady::duration::zero())
                return;
            readSome(std::chrono::duration_cast<std::chrono::nanoseconds>(left));
        }
    }

    /// Reads until a line satisfies `wanted`; false when the writer stopped talking first.
    bool readUntilLine(const std::function<bool(const std::string&)>& wanted,
                       std::chrono::seconds patience) {
        const auto deadline = Steady::now() + patience;
        std::size_t seen = 0;
        while (Steady::now() < deadline) {
            for (; seen < lines_.size(); ++seen)
                if (wanted(lines_[seen]))
                    return true;
            if (ended_)
                return false;
            readUntil(std::min(deadline, Steady::now() + std::chrono::milliseconds(20)));
        }
        return false;
    }

    /// Kills the writer, takes the rest of what it said and returns its wait status.
    int kill() {
        ::kill(pid_, SIGKILL);
        return wait();
    }

    /// Waits for the writer to end, takes the rest of what it said and returns its wait
    /// status.
    int wait() {
        while (!ended_)
            readSome(std::chrono::nanoseconds(-1));
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return status;
    }

    const std::vector<std::string>& lines() const { return lines_; }

private:
    void readSome(std::chrono::nanoseconds timeout) {
        pollfd pipeEnd{out_.read(), POLLIN, 0};
        const timespec limit{static_cast<time_t>(timeout.count() / 1'000'000'000),
                             static_cast<long>(timeout.count() % 1'000'000'000)};
        const int ready = ::ppoll(&pipeEnd, 1, timeout.count() < 0 ? nullptr : &limit, nullptr);
        if (ready <= 0)
            return;
        char buffer[4096];
        const ssize_t got = ::read(out_.read(), buffer, sizeof buffer);
        if (got <= 0) {
            ended_ = got == 0 || errno != EINTR;
            return;
        }
        partial_.append(buffer, static_cast<std::size_t>(got));
        for (std::size_t end = partial_.find('\n'); end != std::string::npos;
             end = partial_.find('\n')) {
            lines_.push_back(partial_.substr(0, end));
            partial_.erase(0, end + 1);
            if (onLine)
                onLine(lines_.back());
        }
    }

    pid_t pid_ = -1;
    testing::detail::Pipe out_;
    std::string partial_;
    std::vector<std::string> lines_;
    bool ended_ = false;
};

/// A name of the kind an atomic write gives its temporary: ".NAME.XXXXXX".
bool isTemporary(const std::string& name) {
    return name.size() >= 9 && name[0] == '.' && name[name.size() - 7] == '.';
}

/// The backup's name for the day of a round: the first day plus the round's number.
std::string backupOfRound(long round) {
    using namespace std::chrono;
    const year_month_day day{sys_days{2026y / January / 1} + days(round)};
    char name[40];
    std::snprintf(name, sizeof name, "library %04d-%02u-%02u.json", static_cast<int>(day.year()),
                  static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
    return name;
}

/// The round a library file was saved in (its snippet "Round"), after checking it is whole.
long roundOf(const fs::path& file) {
    LibraryFile library;
    try {
        library = LibraryFileCoding::decode(readFile(file));
    } catch (const LibraryFileError& error) {
        ADD_FAILURE() << file.filename() << " doesn't load: " << error.what();
        return -1;
    }
    const auto outside =
        std::count_if(library.snippets.begin(), library.snippets.end(), [](const Snippet& snippet) {
            return snippet.name.starts_with(outsidePrefix);
        });
    EXPECT_EQ(library.snippets.size() - static_cast<std::size_t>(outside), seededSnippets + 1)
        << file;
    EXPECT_EQ(library.groups.size(), 2u) << file;
    for (const Snippet& snippet : library.snippets)
        if (snippet.name == "Round")
            return std::stol(snippet.text);
    ADD_FAILURE() << file << " has no snippet “Round”";
    return -1;
}

/// The numbers of the snippets "Outside N" in the library file and in the conflict copies
/// beside it (where a version a killed save swapped out is kept, for the user to merge).
std::vector<long> outsideNumbers(const fs::path& folder) {
    std::vector<long> numbers;
    for (const std::string& name : testing::entryNames(folder)) {
        if (name != "library.json" && !ConflictCopies::isConflictCopy(name))
            continue;
        std::set<long> inFile; // once a file, however many files hold it
        for (const Snippet& snippet : LibraryFileCoding::decode(readFile(folder / name)).snippets)
            if (snippet.name.starts_with(outsidePrefix))
                inFile.insert(std::stol(snippet.name.substr(outsidePrefix.size())));
        numbers.insert(numbers.end(), inFile.begin(), inFile.end());
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

/// Adds the snippet "Outside N" as a sync tool writes: it reads the file, writes the new
/// version beside it (not under a name the program takes for its own leftover) and renames
/// that over it, unless the file changed since it read it (then it tries again, as sync
/// tools do). It merges nothing: a save landing between its last look and its rename is
/// undone.
void addOutsideSnippet(const fs::path& file, long number) {
    for (;;) {
        const std::optional<FileStamp> read = Files::stamp(file);
        LibraryFile library = LibraryFileCoding::decode(readFile(file));
        library.snippets.push_back({.name = outsidePrefix + std::to_string(number),
                                    .format = SnippetFormat::plain,
                                    .text = "written outside"});
        const fs::path written = fs::path(file) += ".outside";
        testing::writeFile(written, LibraryFileCoding::encode(library.groups, library.snippets));
        if (read && Files::stamp(file) == read) {
            fs::rename(written, file);
            return;
        }
        fs::remove(written);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

/// What the kills hit, for the test's report.
struct Figures {
    int midSave = 0;       // between "writing N" and "saved N"
    int newStateKept = 0;  // of those, after the library's rename
    int leftTemporary = 0; // kills after which a temporary file was there
    long saves = 0;
};

/// What a killed writer said it did, starting from the library of round `before`.
struct Said {
    long saved;   // the last round it said it saved
    bool writing; // it said it was writing the next one, and no more
    long saves = 0;

    /// The rounds the library may hold after the kill: from `first` (the last one saved, or
    /// with an outside writer, which may write back a round it read before a save, the round
    /// of the last kill) to the next one when the kill came during its save.
    std::set<long> possibleRounds(long first) const {
        std::set<long> rounds;
        for (long round = first; round <= saved + writing; ++round)
            rounds.insert(round);
        return rounds;
    }

    /// The round of the last save, when the writer was killed after it ended and before the
    /// next began.
    std::optional<long> endedSave() const {
        return saves > 0 && !writing ? std::optional(saved) : std::nullopt;
    }
};

Said said(const std::vector<std::string>& lines, long before) {
    Said result{before, false};
    for (const std::string& line : lines) {
        result.writing = line.starts_with("writing ");
        if (line.starts_with("saved ")) {
            result.saved = std::stol(line.substr(6));
            ++result.saves;
        }
    }
    return result;
}

class CrashSafety : public ::testing::Test {
protected:
    fs::path folder() const { return data / "Quillo"; }
    fs::path file() const { return folder() / "library.json"; }
    fs::path backups() const { return folder() / "Backups"; }

    /// Checks the library's folder after a kill, given the rounds the file may hold and
    /// the round of the save that got to its end last, and returns the round it holds and
    /// the temporary files lying about.
    std::pair<long, std::vector<fs::path>> inspect(const std::set<long>& allowedRounds,
                                                   std::optional<long> savedLast,
                                                   bool outsideWrites = false) {
        const long newestBackupBefore = newestBackup_;
        std::vector<fs::path> temporaries;
        for (const std::string& name : testing::entryNames(folder())) {
            // A save killed while swapping leaves what it swapped out, which the next writer
            // keeps as a conflict copy when it may be someone else's.
            if (isTemporary(name) || Files::swappedOutTarget(name))
                temporaries.push_back(folder() / name);
            else
                EXPECT_TRUE(name == "library.json" || name == "Backups" ||
                            ConflictCopies::isConflictCopy(name))
                    << "unexpected " << name << " in the library folder";
        }
        const long round = roundOf(file());
        EXPECT_TRUE(allowedRounds.contains(round))
            << "the library holds round " << round << ", neither before nor after the save";

        std::size_t count = 0;
        for (const std::string& name : testing::entryNames(backups())) {
            if (isTemporary(name)) {
                temporaries.push_back(backups() / name);
                continue;
            }
            ++count;
            struct stat info {};
            EXPECT_EQ(::stat((backups() / name).c_str(), &info), 0) << name;
            // A backup is written once: each name is read when it appears.
            if (checkedBackups_[name] == info.st_ino)
                continue;
            checkedBackups_[name] = info.st_ino;
            const long backupRound = roundOf(backups() / name);
            EXPECT_EQ(name, backupOfRound(backupRound)) << "a backup holds another day's library";
            // A stale outside write may take the file back behind a new backup.
            EXPECT_LE(backupRound, outsideWrites ? *allowedRounds.rbegin() : round);
            newestBackup_ = std::max(newestBackup_, backupRound);
        }
        // Kills between a new backup and the removal of the oldest leave more until a save
        // writes the next; one that found its day's backup there (the round taken back by
        // an outside write) writes none.
        if (savedLast && *savedLast > newestBackupBefore) {
            EXPECT_LE(count, backupsKept);
        }
        return {round, temporaries};
    }

    testing::TempFolder data;

private:
    std::map<std::string, ino_t> checkedBackups_;
    long newestBackup_ = -1;
};

TEST_F(CrashSafety, killedWritersLeaveAWholeLibraryAndTheNextOneClearsTheirTemporaries) {
    {
        StressWriter seeding(data.path(), {"--seed", std::to_string(seededSnippets)});
        ASSERT_EQ(seeding.wait(), 0) << joined(seeding.lines());
    }
    long round = 0;
    std::vector<fs::path> leftovers;
    ASSERT_NO_FATAL_FAILURE(std::tie(round, leftovers) = inspect({0}, 0));

    // How long a writer takes to start and save twice: kills land anywhere in that span.
    std::chrono::microseconds span{};
    {
        const auto started = Steady::now();
        StressWriter writer(data.path());
        ASSERT_TRUE(writer.readUntilLine([](const std::string& line) { return line == "saved 2"; },
                                         std::chrono::seconds(60)))
            << joined(writer.lines());
        span = std::chrono::duration_cast<std::chrono::microseconds>(Steady::now() - started);
        writer.kill();
        const Said writerSaid = said(writer.lines(), round);
        ASSERT_NO_FATAL_FAILURE(
            std::tie(round, leftovers) =
                inspect(writerSaid.possibleRounds(writerSaid.saved), writerSaid.endedSave()));
    }

    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::int64_t> moment(0, span.count());
    Figures figures;
    std::vector<int> outsideWrittenAt; // the kill during which each outside snippet was written
    const auto started = Steady::now();
    for (int kill = 1; kill <= kills; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill) + " of " + std::to_string(kills) +
                     ", random seed " + std::to_string(seed));
        const long before = round;
        const bool outside = (kill - 1) / stretch % 2 == 1;
        const auto spawned = Steady::now();
        StressWriter writer(data.path());
        writer.onLine = [&](const std::string& line) {
            if (line != "ready")
                return;
            // The writer has taken the library: what a killed save left is gone.
            for (const fs::path& leftover : leftovers)
                EXPECT_FALSE(fs::exists(leftover))
                    << leftover.filename() << " outlived the start of the next writer";
        };
        std::jthread outsideWriter;
        if (outside)
            outsideWriter = std::jthread([&](std::stop_token stop) {
                try {
                    for (; !stop.stop_requested(); std::this_thread::sleep_for(outsidePause)) {
                        addOutsideSnippet(file(), static_cast<long>(outsideWrittenAt.size()) + 1);
                        outsideWrittenAt.push_back(kill);
                    }
                } catch (const std::exception& error) {
                    ADD_FAILURE() << "the outside writer failed: " << error.what();
                }
            });
        writer.readUntil(spawned + std::chrono::microseconds(moment(random)));
        const int status = writer.kill();
        outsideWriter = {}; // stops it after the write in progress
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the writer ended by itself: " << joined(writer.lines());

        const Said writerSaid = said(writer.lines(), before);
        std::vector<fs::path> temporaries;
        ASSERT_NO_FATAL_FAILURE(std::tie(round, temporaries) = inspect(
                                    writerSaid.possibleRounds(outside ? before : writerSaid.saved),
                                    writerSaid.endedSave(), outside));
        ASSERT_FALSE(::testing::Test::HasFailure());

        figures.saves += writerSaid.saves;
        figures.midSave += writerSaid.writing;
        figures.newStateKept += writerSaid.writing && round == writerSaid.saved + 1;
        figures.leftTemporary += !temporaries.empty();
        leftovers = std::move(temporaries);
    }
    const double seconds = std::chrono::duration<double>(Steady::now() - started).count();

    // The next writer to take the library clears the last kill's temporaries too.
    {
        StressWriter settling(data.path(), {"--settle"});
        EXPECT_EQ(settling.wait(), 0) << joined(settling.lines());
    }
    const std::vector<fs::path> left = inspect({round}, std::nullopt).second;
    EXPECT_TRUE(left.empty()) << left.front() << " outlived the last writer";
    // The program took in every snippet written outside, once, and kept it through its saves.
    const std::vector<long> kept = outsideNumbers(folder());
    for (long number = 1; number <= static_cast<long>(outsideWrittenAt.size()); ++number)
        if (!std::binary_search(kept.begin(), kept.end(), number))
            ADD_FAILURE() << "“Outside " << number << "”, written during kill "
                          << outsideWrittenAt[static_cast<std::size_t>(number - 1)] << ", is lost";
    std::set<std::string> names;
    for (const Snippet& snippet : LibraryFileCoding::decode(readFile(file())).snippets)
        if (snippet.name.starts_with(outsidePrefix)) {
            EXPECT_FALSE(names.contains(snippet.name)) << snippet.name << " is there twice";
            names.insert(snippet.name);
        }

    std::printf("%d kills in %.1f s (a start and two saves take %.1f ms; random seed %u): "
                "%d mid-save, %d of them after the library's rename; %d left temporaries; "
                "%ld saves completed; %zu snippets written outside\n",
                kills, seconds, static_cast<double>(span.count()) / 1000.0, seed, figures.midSave,
                figures.newStateKept, figures.leftTemporary, figures.saves,
                outsideWrittenAt.size());
    // Without kills inside saves the test would prove nothing.
    EXPECT_GT(figures.midSave, 0);
    EXPECT_GT(figures.leftTemporary, 0);
    EXPECT_FALSE(outsideWrittenAt.empty());
}

} // namespace
} // namespace quillo
