// Styled text to and from the program's HTML.
#include "HTMLText.h"
#include "HtmlNesting.h"
#include "HtmlReader.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace quillo::HTMLText {

namespace {

// The document a fragment is read in: the same one the rich editor shows it in.
constexpr std::string_view documentStart =
    "<!doctype html><meta charset=\"utf-8\">\n"
    "<style>body{font-family:Helvetica,Arial,sans-serif;font-size:12pt}p{margin:0 0 12pt "
    "0}</style>\n"
    "<body>";
constexpr std::string_view documentEnd = "</body>";

std::string document(std::string_view fragment) {
    std::string result;
    result.reserve(documentStart.size() + fragment.size() + documentEnd.size());
    result += documentStart;
    result += fragment;
    result += documentEnd;
    return result;
}

int byteOf(double component) {
    return static_cast<int>(std::lround(component * 255));
}

// Black and dark greys are the default text colour and get no span.
bool isDefaultColor(int red, int green, int blue) {
    return red < 60 && green < 60 && blue < 60 && std::abs(red - green) < 20 &&
           std::abs(green - blue) < 20;
}

std::string styled(std::string text, const TextAttributes& attributes) {
    const auto wrap = [&](std::string_view open, std::string_view close) {
        text = std::string(open) + text + std::string(close);
    };
    if (attributes.italic)
        wrap("<i>", "</i>");
    if (attributes.bold)
        wrap("<b>", "</b>");
    if (attributes.underline && !attributes.link)
        wrap("<u>", "</u>");
    if (attributes.strikethrough)
        wrap("<s>", "</s>");
    if (attributes.color && !attributes.link) {
        const int red = byteOf(attributes.color->red);
        const int green = byteOf(attributes.color->green);
        const int blue = byteOf(attributes.color->blue);
        if (!isDefaultColor(red, green, blue)) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "#%02x%02x%02x", red & 0xff, green & 0xff, blue & 0xff);
            wrap(std::string("<span style=\"color:") + hex + "\">", "</span>");
        }
    }
    if (attributes.link)
        wrap("<a href=\"" + escape(*attributes.link) + "\">", "</a>");
    return text;
}

} // namespace

std::optional<StyledText> attributedStringFromHTML(std::string_view html) {
    // The text ends with a line feed when the fragment ends with a block (as the system's
    // HTML importer has it); htmlFromAttributed drops that one trailing empty line again.
    HtmlReader::Reading reading =
        HtmlReader::readDocument(document(HtmlReader::limitNesting(html)));
    if (reading.status == HtmlReader::Reading::Status::tooCostly)
        reading = HtmlReader::readDocument(
            document(HtmlReader::limitNesting(html, HtmlReader::Formatting::drop)));
    if (reading.status != HtmlReader::Reading::Status::read)
        return std::nullopt;
    return std::move(reading.text);
}

std::string htmlFromAttributed(const StyledText& text) {
    std::vector<std::string> lines;
    std::string line;
    for (const StyledText::Run& run : text.runs()) {
        const std::string_view runText =
            std::string_view(text.text()).substr(run.start, run.length);
        std::size_t at = 0;
        while (true) {
            const std::size_t lineFeed = runText.find('\n', at);
            const std::size_t end = lineFeed == std::string_view::npos ? runText.size() : lineFeed;
            if (end > at)
                line += styled(escape(runText.substr(at, end - at)), run.attributes);
            if (lineFeed == std::string_view::npos)
                break;
            lines.push_back(std::move(line));
            line.clear();
            at = lineFeed + 1;
        }
    }
    lines.push_back(std::move(line));
    if (lines.size() > 1 && lines.back().empty())
        lines.pop_back();
    std::string html;
    for (const std::string& each : lines)
        html += each.empty() ? "<div><br></div>" : "<div>" + each + "</div>";
    return html;
}

} // namespace quillo::HTMLText
