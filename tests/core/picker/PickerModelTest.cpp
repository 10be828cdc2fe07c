#include "core/picker/PickerModel.h"

#include "fakes/AppFixture.h"
#include "fakes/Names.h"

#include <gmock/gmock.h>

namespace quillo {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using testing::KeyTap;

constexpr std::uint64_t command = ModifierFlag::command;
constexpr std::uint64_t option = ModifierFlag::option;
constexpr std::uint64_t shift = ModifierFlag::shift;

// The picker over an in-memory library, with every platform piece faked.
class PickerModelTest : public testing::AppFixture {
protected:
    PickerModelTest() {
        model.openInLibrary = [this](Uuid id) { shownInLibrary.push_back(id); };
    }

    Snippet add(const std::string& name, const std::string& text = "<div>hello</div>") {
        return AppFixture::add(name, text, SnippetFormat::rich);
    }

    std::vector<std::string> resultNames() { return testing::namesOf(model.results()); }

    // Lets the 0.08 s pause after closing pass, so the copy or paste happens.
    void afterClosing() { scheduler.advance(80ms); }

    PickerModel& model = picker;
    std::vector<Uuid> shownInLibrary;
};

TEST_F(PickerModelTest, toggleOpensOnAFreshSearchAndCloses) {
    add("Alpha");
    add("Beta");
    model.showSearch();
    model.setQuery("beta");
    model.close();
    EXPECT_FALSE(panel.visible);
    EXPECT_EQ(monitor.handler, nullptr);

    const int focus = model.focusToken();
    model.toggle();
    EXPECT_TRUE(panel.visible);
    EXPECT_EQ(model.mode(), PickerModel::Mode::search);
    EXPECT_EQ(model.query(), "");
    EXPECT_EQ(model.selectedIndex(), 0);
    EXPECT_EQ(model.target(), editor);
    EXPECT_GT(model.focusToken(), focus);
    EXPECT_EQ(panel.positioned, 2);

    model.toggle();
    EXPECT_FALSE(panel.visible);
    EXPECT_FALSE(monitor.press(KeyCode::escape)) << "no monitor while hidden";
}

TEST_F(PickerModelTest, arrowsMoveWithoutWrappingTypingResetsTheSelectionAndNoneBeepsOnReturn) {
    add("One");
    add("Two");
    add("Three");
    model.showSearch();
    EXPECT_TRUE(monitor.press(KeyCode::upArrow));
    EXPECT_EQ(model.selectedIndex(), 0);
    for (int i = 0; i < 5; ++i)
        monitor.press(KeyCode::downArrow);
    EXPECT_EQ(model.selectedIndex(), 2);
    model.setQuery("t");
    EXPECT_EQ(model.selectedIndex(), 0);

    model.setQuery("nothing matches this");
    EXPECT_TRUE(monitor.press(KeyCode::downArrow));
    EXPECT_EQ(model.selectedIndex(), 0);
    EXPECT_EQ(model.selected(), nullptr);
    // Return with nothing selected beeps, and the picker stays.
    EXPECT_TRUE(monitor.press(KeyCode::keypadEnter));
    EXPECT_EQ(sound.beeps, 1);
    EXPECT_TRUE(panel.visible);
}

TEST_F(PickerModelTest, returnPastesIntoTheApplicationThatWasInFrontAndOptionReturnCopies) {
    const Snippet hello = add("Hello", "<div>Hello there</div>");
    model.showSearch();
    EXPECT_TRUE(monitor.press(KeyCode::returnKey));
    EXPECT_FALSE(panel.visible);
    EXPECT_TRUE(keys.taps.empty()) << "nothing happens before the pause";

    afterClosing();
    EXPECT_THAT(keys.taps, ElementsAre(KeyTap{KeyCode::v, ModifierFlag::command}));
    EXPECT_EQ(pasteboard.plainString(), "Hello there");
    EXPECT_EQ(library->snippet(hello.id)->useCount, 1);

    // Option-Return only copies.
    pasteboard.userCopies("mine");
    model.showSearch();
    monitor.press(KeyCode::returnKey, option);
    afterClosing();
    EXPECT_EQ(keys.taps.size(), 1u);
    EXPECT_EQ(pasteboard.plainString(), "Hello there");
    EXPECT_EQ(sound.beeps, 0);
}

TEST_F(PickerModelTest, aSnippetWithFieldsOpensItsFormFirst) {
    const Snippet letter =
        add("Letter", "<div>Dear {{field:Name|customer}}, order {{field:Order}}</div>");
    model.showSearch();
    model.setQuery("let");
    monitor.press(KeyCode::returnKey);
    EXPECT_TRUE(panel.visible);
    EXPECT_EQ(model.mode(), PickerModel::Mode::fields);
    EXPECT_EQ(model.fillSnippet()->id, letter.id);
    EXPECT_TRUE(model.fieldsFromSearch());
    ASSERT_EQ(model.fields().size(), 2u);
    EXPECT_EQ(model.fields()[0].name, "Name");

    // Arrows belong to the form's controls.
    EXPECT_FALSE(monitor.press(KeyCode::downArrow));
    // Escape goes back to the list, query kept.
    EXPECT_TRUE(monitor.press(KeyCode::escape));
    EXPECT_EQ(model.mode(), PickerModel::Mode::search);
    EXPECT_EQ(model.query(), "let");
    EXPECT_TRUE(panel.visible);

    monitor.press(KeyCode::returnKey);
    model.setFieldValue("Order", "A-7");
    model.setFieldValue("Name", ""); // an empty value falls back to the default
    monitor.press(KeyCode::returnKey);
    afterClosing();
    EXPECT_EQ(pasteboard.plainString(), "Dear customer, order A-7");
    EXPECT_EQ(keys.taps.size(), 1u);
}

TEST_F(PickerModelTest, formsOpenedFromOutsideCloseOnEscapeKeepTheirCopyChoiceAndTarget) {
    const Snippet letter = add("Letter", "Hi {{field:Name}}");
    model.showFields(letter, true, std::nullopt);
    EXPECT_EQ(model.target(), editor);
    EXPECT_EQ(model.mode(), PickerModel::Mode::fields);
    EXPECT_TRUE(model.fieldValues().empty());
    model.setFieldValue("Name", "Ann");
    monitor.press(KeyCode::returnKey); // plain Return keeps copy-only
    afterClosing();
    EXPECT_TRUE(keys.taps.empty());
    EXPECT_EQ(pasteboard.plainString(), "Hi Ann");

    model.showFields(letter, false, std::nullopt);
    EXPECT_TRUE(model.fieldValues().empty()) << "a new form starts empty";
    monitor.press(KeyCode::escape);
    EXPECT_FALSE(panel.visible);

    // A target no longer in front gets a copy and a beep.
    const ApplicationHandle mail{.window = 7, .processID = 77, .windowClass = "thunderbird"};
    model.showFields(letter, false, mail);
    EXPECT_EQ(model.target(), mail);
    monitor.press(KeyCode::returnKey);
    afterClosing();
    // The editor is in front, not the mail program: the snippet is only copied.
    EXPECT_TRUE(keys.taps.empty());
    EXPECT_EQ(sound.beeps, 1);
}

TEST_F(PickerModelTest, commandEShowsTheSnippetInTheLibraryAndAnInputMethodKeepsItsKeys) {
    const Snippet a = add("Alpha");
    model.showSearch();
    EXPECT_FALSE(monitor.press(KeyCode::e, command | shift));
    EXPECT_TRUE(panel.visible);
    EXPECT_TRUE(monitor.press(KeyCode::e, command | 0x10000 /* Caps Lock */));
    EXPECT_FALSE(panel.visible);
    EXPECT_THAT(shownInLibrary, ElementsAre(a.id));

    model.showSearch();
    model.setQuery("zzz");
    EXPECT_TRUE(monitor.press(KeyCode::e, command));
    EXPECT_TRUE(panel.visible) << "nothing selected: consumed, nothing else";

    // An input method keeps its keys.
    model.setQuery("");
    EXPECT_FALSE(monitor.press(KeyCode::returnKey, 0, true));
    EXPECT_FALSE(monitor.press(KeyCode::escape, 0, true));
    EXPECT_TRUE(panel.visible);
    EXPECT_FALSE(monitor.press(0 /* A */));
}

TEST_F(PickerModelTest, observersHearOnlyRealChanges) {
    add("Alpha");
    int calls = 0;
    model.addObserver([&] { ++calls; });
    model.setQuery("");
    model.setSelectedIndex(0);
    EXPECT_EQ(calls, 0);
    model.setQuery("a");
    EXPECT_EQ(calls, 1);
    model.setFieldValue("x", "1");
    model.setFieldValue("x", "1");
    EXPECT_EQ(calls, 2);
}

TEST_F(PickerModelTest, foldsTheSearchTextsOnceShownAndLetsThemGoAMinuteAfterClosing) {
    add("Alpha");
    model.showSearch();
    EXPECT_EQ(model.results().size(), 1U);
    scheduler.advance(0ms); // the panel's first frame comes before the folding
    EXPECT_FALSE(model.search().holdsTexts());
    scheduler.advance(50ms);
    EXPECT_TRUE(model.search().holdsTexts());

    model.setQuery("alp");
    model.close();
    scheduler.advance(59s);
    model.showSearch(); // opened again in time: the texts stay
    model.close();
    scheduler.advance(59s);
    EXPECT_TRUE(model.search().holdsTexts());
    scheduler.advance(1s);
    EXPECT_FALSE(model.search().holdsTexts());
    // Asked by a hidden view when the library changes, it does not fold them again.
    EXPECT_EQ(model.results().size(), 1U);
    EXPECT_FALSE(model.search().holdsTexts());
}

TEST_F(PickerModelTest, resultsFollowTheLibrary) {
    model.showSearch();
    add("Zeta");
    EXPECT_THAT(resultNames(), ElementsAre("Zeta"));
    const Snippet a = add("Alpha");
    EXPECT_THAT(resultNames(), ElementsAre("Alpha", "Zeta"));
    library->recordUse(library->snippets().at(0).id); // Zeta, used, comes first
    EXPECT_THAT(resultNames(), ElementsAre("Zeta", "Alpha"));
    library->deleteSnippets({a.id});
    EXPECT_THAT(resultNames(), ElementsAre("Zeta"));
}

} // namespace
} // namespace quillo
