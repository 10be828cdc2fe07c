#include "core/model/LibraryFile.h"

#include "fakes/Dates.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>

namespace quillo {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;
using testing::utc;

const Uuid groupID = *Uuid::parse("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d");
const Uuid snippetID = *Uuid::parse("f0e1d2c3-b4a5-4697-8877-665544332211");

// A document as the program writes it; any change to it changes what users' files hold.
const char* const writtenDocument = R"({
  "groups": [
    {
      "id": "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D",
      "name": "Work \/ Home"
    }
  ],
  "snippets": [
    {
      "created": "2026-12-05T03:54:06Z",
      "format": "rich",
      "groupID": "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D",
      "id": "F0E1D2C3-B4A5-4697-8877-665544332211",
      "lastUsed": "2026-12-06T10:00:00Z",
      "modified": "2026-12-05T04:00:00Z",
      "name": "Thanks “quoted” ✓",
      "text": "<div>See <a href=\"https:\/\/example.com\/a\">here<\/a><\/div>\n\t\"",
      "useCount": 9007199254740993
    },
    {
      "created": "2026-12-05T03:54:06Z",
      "format": "plain",
      "id": "F0E1D2C3-B4A5-4697-8877-665544332211",
      "modified": "2026-12-05T03:54:06Z",
      "name": "",
      "text": "",
      "useCount": 0
    }
  ],
  "version": 1
})";

std::vector<Snippet> sampleSnippets() {
    return {
        Snippet{.id = snippetID,
                .name = "Thanks “quoted” ✓",
                .format = SnippetFormat::rich,
                .text = "<div>See <a href=\"https://example.com/a\">here</a></div>\n\t\"",
                .groupID = groupID,
                .created = utc(2026, 12, 5, 3, 54, 6),
                .modified = utc(2026, 12, 5, 4),
                .lastUsed = utc(2026, 12, 6, 10),
                .useCount = 9007199254740993},
        // Duplicate ids are kept as they are.
        Snippet{.id = snippetID,
                .name = "",
                .format = SnippetFormat::plain,
                .created = utc(2026, 12, 5, 3, 54, 6),
                .modified = utc(2026, 12, 5, 3, 54, 6)},
    };
}

TEST(LibraryFile, writesSortedPrettyJsonWithEscapedSlashesAndReadsBackExactlyWhatWasWritten) {
    const std::vector<SnippetGroup> groups{{.id = groupID, .name = "Work / Home"}};
    EXPECT_EQ(LibraryFileCoding::encode(groups, sampleSnippets()), writtenDocument);
    const LibraryFile file = LibraryFileCoding::decode(writtenDocument);
    EXPECT_EQ(file.version, 1);
    ASSERT_EQ(file.groups.size(), 1u);
    EXPECT_EQ(file.groups[0].name, "Work / Home");
    EXPECT_EQ(file.snippets, sampleSnippets());
    EXPECT_EQ(LibraryFileCoding::encode(file.groups, file.snippets), writtenDocument);
}

TEST(LibraryFile, everyCharacterSurvivesTheRoundTrip) {
    std::string all;
    for (int c = 1; c < 0x80; ++c)
        all += static_cast<char>(c);
    all += "\xC3\xA9 \xF0\x9F\x98\x80 \xE2\x80\xA8"; // é, an emoji, LINE SEPARATOR
    Snippet snippet = sampleSnippets()[0];
    snippet.text = all;
    snippet.name = std::string("nul\0inside", 10);
    const std::string bytes = LibraryFileCoding::encode({}, {snippet});
    EXPECT_THAT(bytes, HasSubstr(R"(\u0001\u0002)"));
    EXPECT_THAT(bytes, HasSubstr(R"(\b\t\n\u000b\f\r)"));
    EXPECT_THAT(bytes, HasSubstr(R"(nul\u0000inside)"));
    EXPECT_EQ(LibraryFileCoding::decode(bytes).snippets.at(0), snippet);

    // Broken UTF-8 is written as replacement characters.
    snippet.name = "ab\xFF\xC3";
    const LibraryFile file = LibraryFileCoding::decode(LibraryFileCoding::encode({}, {snippet}));
    EXPECT_EQ(file.snippets.at(0).name, "ab\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(LibraryFile, emptyLibraryAndFractionsOfASecondThatDoNotSurvive) {
    const std::string bytes = LibraryFileCoding::encode({}, {});
    EXPECT_EQ(bytes, "{\n  \"groups\": [],\n  \"snippets\": [],\n  \"version\": 1\n}");
    const LibraryFile file = LibraryFileCoding::decode(bytes);
    EXPECT_TRUE(file.groups.empty());
    EXPECT_TRUE(file.snippets.empty());
    Snippet snippet = sampleSnippets()[0];
    snippet.created += 250ms;
    const LibraryFile read = LibraryFileCoding::decode(LibraryFileCoding::encode({}, {snippet}));
    EXPECT_NE(read.snippets[0], snippet);
    EXPECT_EQ(read.snippets[0].created, utc(2026, 12, 5, 3, 54, 6));
}

TEST(LibraryFile, nullAndMissingOptionalsReadAsAbsentAndUnknownKeysAreIgnored) {
    const LibraryFile file = LibraryFileCoding::decode(R"({
        "version": 7, "extra": {"deep": [1, 2]},
        "groups": [{"id": "0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d", "name": "G", "color": "red"}],
        "snippets": [
          {"id": "F0E1D2C3-B4A5-4697-8877-665544332211", "name": "A", "format": "plain",
           "text": "t", "groupID": null, "lastUsed": null, "created": "2026-01-01T00:00:00Z",
           "modified": "2026-01-01T00:00:00Z", "useCount": 3.0, "pinned": true},
          {"id": "F0E1D2C3-B4A5-4697-8877-665544332211", "name": "B", "format": "rich",
           "text": "", "created": "2026-01-01T00:00:00Z", "modified": "2026-01-01T00:00:00Z",
           "useCount": -1}
        ]})");
    EXPECT_EQ(file.version, 7);
    ASSERT_EQ(file.snippets.size(), 2u);
    EXPECT_FALSE(file.snippets[0].groupID);
    EXPECT_FALSE(file.snippets[0].lastUsed);
    EXPECT_EQ(file.snippets[0].useCount, 3);
    EXPECT_EQ(file.snippets[1].useCount, -1);
    // Written back, the absent keys stay out.
    const std::string again = LibraryFileCoding::encode(file.groups, file.snippets);
    EXPECT_THAT(again, ::testing::Not(HasSubstr("groupID")));
    EXPECT_THAT(again, ::testing::Not(HasSubstr("lastUsed")));
    EXPECT_THAT(again, ::testing::Not(HasSubstr("pinned")));
}

// Each bad document, and a fragment of the message the user sees for it.
struct BadDocument {
    const char* name;
    std::string document;
    const char* message;
    friend void PrintTo(const BadDocument& bad, std::ostream* out) { *out << bad.name; }
};

// A document with one snippet whose fields are good ones, changed by `changes` (a value of
// nullptr leaves the key out).
std::string withSnippet(const std::map<std::string, const char*>& changes) {
    std::map<std::string, const char*> fields{
        {"id", R"("F0E1D2C3-B4A5-4697-8877-665544332211")"},
        {"name", R"("A")"},
        {"format", R"("rich")"},
        {"text", R"("")"},
        {"created", R"("2026-01-01T00:00:00Z")"},
        {"modified", R"("2026-01-01T00:00:00Z")"},
        {"useCount", "0"},
    };
    for (const auto& [key, value] : changes)
        fields[key] = value;
    std::string record;
    for (const auto& [key, value] : fields)
        if (value)
            record += (record.empty() ? "\"" : ", \"") + key + "\": " + value;
    return R"({"version": 1, "groups": [], "snippets": [{)" + record + "}]}";
}

const std::string deepList = std::string(100000, '[') + std::string(100000, ']');

class LibraryFileRefuses : public ::testing::TestWithParam<BadDocument> {};

TEST_P(LibraryFileRefuses, theWholeFile) {
    try {
        LibraryFileCoding::decode(GetParam().document);
        FAIL() << "read a bad document";
    } catch (const LibraryFileError& error) {
        EXPECT_THAT(error.what(), HasSubstr(GetParam().message));
    }
}

INSTANTIATE_TEST_SUITE_P(
    BadDocuments, LibraryFileRefuses,
    ::testing::Values(
        BadDocument{"empty", "", "isn't valid JSON"},
        BadDocument{"brokenUtf8", "{\"version\":1,\"groups\":[],\"snippets\":[],\"x\":\"\xff\"}",
                    "isn't valid JSON"},
        BadDocument{"array", "[]", "top level isn't an object"},
        BadDocument{"noVersion", R"({"groups": [], "snippets": []})", "has no “version”"},
        BadDocument{"textVersion", R"({"version": "1", "groups": [], "snippets": []})",
                    "“version” isn't a whole number"},
        BadDocument{"fractionVersion", R"({"version": 1.5, "groups": [], "snippets": []})",
                    "“version” isn't a whole number"},
        BadDocument{"noGroups", R"({"version": 1, "snippets": []})", "has no “groups”"},
        BadDocument{"groupsObject", R"({"version": 1, "groups": {}, "snippets": []})",
                    "“groups” isn't a list"},
        BadDocument{"groupNotObject", R"({"version": 1, "groups": [3], "snippets": []})",
                    "group 1 isn't an object"},
        BadDocument{"groupBadId",
                    R"({"version": 1, "groups": [{"id": "x", "name": "G"}], "snippets": []})",
                    "group 1 “id” isn't a UUID"},
        BadDocument{"groupNullName",
                    R"({"version": 1, "groups": [{"id": "F0E1D2C3-B4A5-4697-8877-665544332211",)"
                    R"( "name": null}], "snippets": []})",
                    "group 1 “name” isn't a string"},
        BadDocument{"noUseCount", withSnippet({{"useCount", nullptr}}),
                    "snippet 1 has no “useCount”"},
        BadDocument{"hugeUseCount", withSnippet({{"useCount", "9223372036854775808"}}),
                    "“useCount” is too large"},
        BadDocument{"unknownFormat", withSnippet({{"format", R"("html")"}}),
                    "“format” is “html”, not “rich” or “plain”"},
        BadDocument{"badDate", withSnippet({{"created", R"("yesterday")"}}),
                    "“created” isn't a date"},
        BadDocument{"numberDate", withSnippet({{"modified", "0"}}), "“modified” isn't a string"},
        BadDocument{"badLastUsed", withSnippet({{"lastUsed", R"("2026-02-30T00:00:00Z")"}}),
                    "“lastUsed” isn't a date"},
        BadDocument{"badGroupID", withSnippet({{"groupID", R"("")"}}), "“groupID” isn't a UUID"},
        // Nesting deeper than any library file has is refused, even under an unknown key.
        BadDocument{"deepNesting", withSnippet({{"extra", deepList.c_str()}}), "isn't valid JSON"},
        BadDocument{"deepNestingUnclosed", std::string(200000, '['), "isn't valid JSON"}),
    [](const ::testing::TestParamInfo<BadDocument>& param) { return param.param.name; });

} // namespace
} // namespace quillo
