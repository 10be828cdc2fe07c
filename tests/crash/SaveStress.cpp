// A writer of the library for the crash-safety test. It takes the library as its writer the
// way the program does and then changes and saves it until it is killed, saying on standard
// output how far it got.
//
//   quillo_save_stress --seed COUNT DATA   writes the first library: COUNT snippets
//   quillo_save_stress DATA                saves round after round until killed
//   quillo_save_stress --settle DATA       takes the library as its writer, then ends
//
// The snippet "Round" holds the number of the last round saved. Each round stands on a day
// of its own (the first day plus the round's number), so every save is its day's first and
// also writes that day's backup and removes the oldest beyond those kept.
#include "core/model/Library.h"
#include "core/platform/Scheduler.h"
#include "fakes/Dates.h"
#include "fakes/FakeClock.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

using namespace quillo;

const std::string roundName = "Round";

// One line at a time straight to the descriptor: a kill must not swallow a buffered line
// about a save that has happened.
void say(const std::string& line) {
    const std::string text = line + "\n";
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (written <= 0)
            std::_Exit(4);
        done += static_cast<std::size_t>(written);
    }
}

Date dayOfRound(long round) {
    return testing::utc(2026, 1, 1, 12) + std::chrono::days(round);
}

std::string snippetText(std::size_t serial) {
    std::string text = "<div>Dear {{field:Name|customer}},</div><div>";
    for (std::size_t line = 0; line < 6; ++line)
        text += "Line " + std::to_string(line) + " of reply " + std::to_string(serial) +
                ": thank you for writing to us about order " + std::to_string(serial * 7919) +
                ".<br>";
    return text + "</div>";
}

// Taking in the outside writer's changes is routine here: only other lines are news.
class LogLeavingOutMerges final : public Log {
public:
    void write(std::string_view line) override {
        if (!line.starts_with("Quillo: merged"))
            standardError_.write(line);
    }

private:
    StandardErrorLog standardError_;
};

int seed(Library& library, testing::FakeClock& clock, std::size_t count) {
    clock.set(dayOfRound(0));
    std::vector<SnippetGroup> groups{{.name = "Replies"}, {.name = "Orders"}};
    std::vector<Snippet> snippets;
    snippets.push_back({.name = roundName,
                        .format = SnippetFormat::plain,
                        .text = "0",
                        .created = clock.now(),
                        .modified = clock.now()});
    for (std::size_t i = 0; i < count; ++i)
        snippets.push_back({.name = "Reply " + std::to_string(i),
                            .text = snippetText(i),
                            .groupID = groups[i % 2].id,
                            .created = clock.now(),
                            .modified = clock.now()});
    library.merge(groups, snippets);
    library.saveNow();
    return library.problem() ? 2 : 0;
}

int saveForEver(Library& library, testing::FakeClock& clock) {
    const Snippet* counter = nullptr;
    for (const Snippet& snippet : library.snippets())
        if (snippet.name == roundName)
            counter = &snippet;
    if (!counter) {
        std::fprintf(stderr, "quillo_save_stress: the library has no snippet “Round”\n");
        return 2;
    }
    Snippet round = *counter;
    long number = 0;
    std::from_chars(round.text.data(), round.text.data() + round.text.size(), number);
    for (;;) {
        ++number;
        clock.set(dayOfRound(number));
        round.text = std::to_string(number);
        library.update(round);
        say("writing " + round.text);
        library.saveNow();
        if (library.problem()) {
            std::fprintf(stderr, "quillo_save_stress: %s\n", library.problem()->c_str());
            return 2;
        }
        say("saved " + round.text);
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    std::size_t count = 0;
    const bool seeding = arguments.size() == 3 && arguments[0] == "--seed";
    const bool settling = arguments.size() == 2 && arguments[0] == "--settle";
    if (seeding)
        std::from_chars(arguments[1].data(), arguments[1].data() + arguments[1].size(), count);
    if (!(arguments.size() == 1 || seeding || settling)) {
        std::fprintf(stderr, "usage: quillo_save_stress [--seed COUNT | --settle] DATA\n");
        return 64;
    }
    const std::filesystem::path data(arguments.back());

    const std::optional<FileLock> writer = Library::takeWriterLock(data);
    if (!writer) {
        std::fprintf(stderr, "quillo_save_stress: another process writes the library\n");
        return 3;
    }
    say("ready");
    if (settling)
        return 0;

    testing::FakeClock clock(dayOfRound(0));
    NoLoopScheduler scheduler;
    LogLeavingOutMerges log;
    Library library({clock, scheduler, log, data});
    if (library.problem()) {
        std::fprintf(stderr, "quillo_save_stress: %s\n", library.problem()->c_str());
        return 2;
    }
    return seeding ? seed(library, clock, count) : saveForEver(library, clock);
}
