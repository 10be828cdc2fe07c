// Reads any bytes as a pasted HTML fragment, writes the result back as the program's HTML
// and as RTF, and checks what must hold whatever the input.
#include "core/text/HTMLText.h"
#include "core/text/Rtf.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "html_reader_fuzz: %s\n", what);
        std::abort();
    }
}

// Runs cover the text in order, without gaps or empty runs, and are as long as they can be.
void checkRuns(const quillo::StyledText& text) {
    std::size_t covered = 0;
    for (std::size_t i = 0; i < text.runs().size(); ++i) {
        const quillo::StyledText::Run& run = text.runs()[i];
        require(run.start == covered && run.length > 0, "runs leave a gap or overlap");
        require(i == 0 || !(text.runs()[i - 1].attributes == run.attributes),
                "neighbouring runs have equal attributes");
        covered += run.length;
    }
    require(covered == text.text().size(), "runs do not cover the text");
}

bool isHtmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// The text that reading htmlFromAttributed's output must give: one div per line, where a
// browser collapses each line's white space; a line of white space only takes no room,
// an empty line (a div holding a br) stays, and every other line ends with its div.
std::string expectedRereading(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t at = 0;;) {
        const std::size_t lineFeed = text.find('\n', at);
        lines.push_back(text.substr(at, lineFeed == std::string_view::npos ? std::string_view::npos
                                                                           : lineFeed - at));
        if (lineFeed == std::string_view::npos)
            break;
        at = lineFeed + 1;
    }
    if (lines.size() > 1 && lines.back().empty())
        lines.pop_back();
    std::string expected;
    for (const std::string_view line : lines) {
        if (line.empty()) {
            expected += '\n';
            continue;
        }
        std::string collapsed;
        bool space = false;
        for (const char c : line) {
            if (isHtmlSpace(c)) {
                space = !collapsed.empty();
                continue;
            }
            if (space)
                collapsed += ' ';
            space = false;
            collapsed += c;
        }
        if (!collapsed.empty())
            expected += collapsed + '\n';
    }
    return expected;
}

bool bracesBalance(const std::string& rtf) {
    long depth = 0;
    for (std::size_t i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') {
            ++i;
            continue;
        }
        depth += rtf[i] == '{' ? 1 : rtf[i] == '}' ? -1 : 0;
        if (depth < 0 || (depth == 0 && i + 1 < rtf.size()))
            return false;
    }
    return depth == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::optional<quillo::StyledText> text =
        quillo::HTMLText::attributedStringFromHTML(input);
    require(text.has_value(), "the reader gave nothing");
    checkRuns(*text);

    const std::string html = quillo::HTMLText::htmlFromAttributed(*text);
    const std::optional<quillo::StyledText> reread =
        quillo::HTMLText::attributedStringFromHTML(html);
    require(reread.has_value(), "the program's own HTML did not read");
    checkRuns(*reread);
    require(reread->text() == expectedRereading(text->text()),
            "the written HTML reads as other text");

    require(bracesBalance(quillo::rtfFromStyledText(*text)), "RTF braces do not balance");
    return 0;
}
