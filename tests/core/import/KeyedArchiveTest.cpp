// Keyed archives written by Apple's archiver (and damaged ones), read through the archive
// decoder, the attributed-text decoder and the importer's front door.
#include "core/import/KeyedArchive.h"

#include "core/import/ATextImporter.h"
#include "core/import/ArchivedText.h"
#include "core/util/Files.h"
#include "fakes/FakeDialogs.h"
#include "fakes/LibraryFixture.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>

namespace quillo {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string sample(const std::string& name) {
    return Files::read(std::filesystem::path(QUILLO_ARCHIVE_SAMPLES) / name);
}

KeyedArchive archive(const std::string& name) {
    return KeyedArchive::read(sample(name));
}

/// The run of `text` that holds `part`, which must lie inside one run.
const StyledText::Run& runHolding(const StyledText& text, std::string_view part) {
    const std::size_t at = text.text().find(part);
    EXPECT_NE(at, std::string::npos) << part;
    for (const StyledText::Run& run : text.runs())
        if (at >= run.start && at < run.start + run.length) {
            EXPECT_LE(at + part.size(), run.start + run.length) << part << " spans runs";
            return run;
        }
    ADD_FAILURE() << part << " is in no run";
    return text.runs().front();
}

std::string runText(const StyledText& text, const StyledText::Run& run) {
    return text.text().substr(run.start, run.length);
}

TEST(KeyedArchiveTest, ReadsTheFoundationTypesOfARealArchiveButRefusesAnObjectInsideItself) {
    const KeyedArchive complex = archive("scf-NSKeyedUnarchiver-ComplexTest.plist");
    const auto entries = complex.dictionary(*complex.root());
    ASSERT_TRUE(entries);
    std::map<std::string, KeyedArchive::Ref> byKey;
    for (const auto& [key, value] : *entries)
        byKey[*complex.string(key)] = value;
    ASSERT_EQ(byKey.size(), 4u);

    EXPECT_EQ(complex.string(byKey["string"]), "hello");
    EXPECT_EQ(complex.url(byKey["url"]), "https://www.swift.org/index.xml");
    EXPECT_TRUE(complex.isKindOf(byKey["uuid"], "NSUUID"));
    EXPECT_FALSE(complex.array(byKey["uuid"]));

    // The array holds a null object, a string, an inline integer and a dictionary.
    const auto members = complex.array(byKey["array"]);
    ASSERT_TRUE(members);
    ASSERT_EQ(members->size(), 4u);
    EXPECT_TRUE(complex.isKindOf((*members)[0], "NSNull"));
    EXPECT_EQ(complex.string((*members)[1]), "hello");
    EXPECT_EQ(complex.integer((*members)[2]), 34545);
    EXPECT_FALSE(complex.string((*members)[2]));
    const auto nested = complex.dictionary((*members)[3]);
    ASSERT_TRUE(nested);
    ASSERT_EQ(nested->size(), 1u);
    EXPECT_EQ(complex.string(nested->front().first), "key");
    EXPECT_EQ(complex.string(nested->front().second), "val");

    // This array lists itself: reading one level is fine, entering it twice is a loop.
    const KeyedArchive loop = archive("mw-NSMutableArray-self-reference.plist");
    const auto root = loop.root();
    ASSERT_TRUE(root);
    const auto itself = loop.array(*root);
    ASSERT_TRUE(itself);
    ASSERT_EQ(itself->size(), 1u);
    EXPECT_EQ(itself->front(), *root);
    KeyedArchive::Visit outer(loop, *root);
    EXPECT_THROW(KeyedArchive::Visit(loop, itself->front()), ArchiveError);
}

TEST(KeyedArchiveTest, PrefersExactSRGBComponentsAndKeepsUnstyledText) {
    const KeyedArchive red = archive("mw-NSMutableAttributedString-sRGB-red.plist");
    const auto text = archivedStyledText(red, *red.root());
    ASSERT_TRUE(text);
    EXPECT_EQ(text->text(), "firstsecondthird");
    ASSERT_EQ(text->runs().size(), 2u);
    EXPECT_EQ(runText(*text, text->runs()[0]), "first");
    EXPECT_EQ(text->runs()[0].attributes.color, (RgbColor{1, 0, 0}));
    EXPECT_EQ(text->runs()[1].attributes, TextAttributes{});

    // Custom attribute keys and shared, repeated attribute dictionaries: the text is
    // whole and nothing is styled.
    for (const char* name :
         {"scf-NSAttributedString.archive", "scf-NSMutableAttributedString.archive"}) {
        const KeyedArchive plain = archive(name);
        const auto digits = archivedStyledText(plain, *plain.root());
        ASSERT_TRUE(digits) << name;
        EXPECT_EQ(digits->text(), "0123456789") << name;
        EXPECT_EQ(digits->runs().size(), 1u) << name;
    }
}

TEST(KeyedArchiveTest, ReadsFontsLinksColoursAndLongRunsOfATextStorage) {
    const KeyedArchive nib = archive("minibatterylogger-About-keyedobjects.nib");
    const auto storage = nib.archivedObject(83);
    ASSERT_TRUE(storage);
    EXPECT_TRUE(nib.isKindOf(*storage, "NSTextStorage"));
    const auto text = archivedStyledText(nib, *storage);
    ASSERT_TRUE(text);
    EXPECT_THAT(text->text(), StartsWith("\nDesign, development\nClaudio Procida\n"));
    EXPECT_THAT(text->text(), HasSubstr("Danish by Jørgen Tietze\n"));
    EXPECT_THAT(text->text(), HasSubstr("Polish by Bartłomiej Pater\n"));
    EXPECT_TRUE(text->text().ends_with("continuously supporting me.\n"));

    EXPECT_TRUE(runHolding(*text, "Design, development").attributes.bold);
    EXPECT_FALSE(runHolding(*text, "Claudio Procida").attributes.bold);
    const TextAttributes& link = runHolding(*text, "eay@cryptsoft.com").attributes;
    EXPECT_EQ(link.link, "eay@cryptsoft.com");
    EXPECT_EQ(link.color, (RgbColor{0, 0, 1}));
    EXPECT_FALSE(link.underline);
    EXPECT_FALSE(runHolding(*text, "Jos van Hoven").attributes.link);

    // Runs are counted in UTF-16 units: after the non-ASCII names they still line up.
    EXPECT_TRUE(runHolding(*text, "Thanks to").attributes.bold);

    // Run lengths of several bytes line up too.
    const KeyedArchive iPulse = archive("iPulse-Preferences-keyedobjects.nib");
    const auto about = archivedStyledText(iPulse, *iPulse.archivedObject(975));
    ASSERT_TRUE(about);
    ASSERT_GE(about->runs().size(), 2u);
    EXPECT_EQ(runText(*about, about->runs()[0]), "\niPulse");
    EXPECT_TRUE(about->runs()[0].attributes.bold);
    EXPECT_THAT(runText(*about, about->runs()[1]),
                StartsWith(" is an application that graphically displays"));
    EXPECT_FALSE(about->runs()[1].attributes.bold);
}

TEST(KeyedArchiveTest, ReadsColoursOfEveryLegacyKindAndFontTraitsFromTheirNames) {
    const KeyedArchive nib = archive("Rember-MainMenu-keyedobjects.nib");
    auto color = [&](std::uint64_t position) {
        return archivedColor(nib, *nib.archivedObject(position));
    };
    const double third = 0.6666666667;
    EXPECT_EQ(color(99), (RgbColor{1, 0, 0}));             // calibrated RGB
    EXPECT_EQ(color(261), (RgbColor{0, 0, 1}));            // calibrated RGB
    EXPECT_EQ(color(55), (RgbColor{third, third, third})); // white
    EXPECT_EQ(color(131), (RgbColor{0, 0, 0}));            // white with alpha
    EXPECT_EQ(color(52), (RgbColor{third, third, third})); // catalog, through its fallback
    EXPECT_EQ(color(63), std::nullopt);                    // controlTextColor
    EXPECT_EQ(color(114), std::nullopt);                   // textColor
    EXPECT_EQ(color(406), (RgbColor{0.5, 0.5, 0.5}));      // gridColor's fallback
    struct Case {
        const char* name;
        bool bold;
        bool italic;
    };
    for (const Case& c :
         {Case{"Helvetica-Bold", true, false}, Case{"Helvetica-BoldOblique", true, true},
          Case{"Arial-BoldItalicMT", true, true}, Case{"Menlo-Italic", false, true},
          Case{"HelveticaNeue-CondensedBold", true, false}, Case{"Avenir-Heavy", true, false},
          Case{"Futura-Black", true, false}, Case{"Optima-DemiBold", true, false},
          Case{"Skia-Slanted", false, true}, Case{"Helvetica-Light", false, false},
          Case{"Helvetica", false, false}, Case{"BoldFontWithoutStyle", false, false}}) {
        const FontTraits traits = fontTraits(c.name);
        EXPECT_EQ(traits.bold, c.bold) << c.name;
        EXPECT_EQ(traits.italic, c.italic) << c.name;
    }
}

using KeyedArchiveImport = testing::LibraryTest;

TEST_F(KeyedArchiveImport, DamagedArchivesAndOtherFilesGiveOneSentence) {
    const std::unique_ptr<Library> library = open(false);
    testing::FakeDialogs dialogs;
    const ATextImporter importer({*library, clock, dialogs, "/nonexistent"});

    const std::string notABackup(ATextImporter::notABackup);
    struct Case {
        const char* file;
        std::string message; // the whole message, or a part of it
    };
    for (const Case& c : {
             Case{"malformed/bpylist2-invalid_uid_archive.plist", "an object it doesn't hold"},
             Case{"malformed/bpylist2-no_objects_archive.plist", "not a keyed archive"},
             Case{"malformed/bpylist2-no_top_archive.plist", "not a keyed archive"},
             Case{"malformed/bpylist2-invalid_version_archive.plist", "version"},
             Case{"scf-NSKeyedUnarchiver-URLTest.xml.plist", "property list"},
             Case{"malformed/bpylist2-missing_uid_archive.plist", notABackup},
             Case{"malformed/bpylist2-no_class_name_archive.plist", notABackup},
             Case{"malformed/bpylist2-circular_archive.plist", notABackup},
             Case{"mw-NSMutableArray-self-reference.plist", notABackup},
             Case{"scf-NSKeyedUnarchiver-ComplexTest.plist", notABackup},
             Case{"minibatterylogger-About-keyedobjects.nib", notABackup},
         }) {
        SCOPED_TRACE(c.file);
        try {
            importer.readBytes(sample(c.file));
            ADD_FAILURE() << "read without an error";
        } catch (const ImportError& error) {
            const std::string message = error.errorDescription();
            EXPECT_THAT(message, HasSubstr(c.message));
            EXPECT_TRUE(message.ends_with('.'));
            EXPECT_EQ(message.find('\n'), std::string::npos);
        }
    }
    EXPECT_TRUE(library->snippets().empty());
}

} // namespace
} // namespace quillo
