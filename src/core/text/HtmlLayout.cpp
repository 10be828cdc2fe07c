#include "HtmlLayout.h"

#include "CssColor.h"
#include "HtmlNesting.h"
#include "InlineStyle.h"
#include "core/util/UnicodeText.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillo::HtmlReader {

using detail::isHtmlSpace;

namespace {

enum class Box : std::uint8_t {
    inlineBox,
    block,
    list,
    listItem,
    row,
    cell,
    lineBreak,
    hidden,
    preformatted,       // a block whose white space is kept
    preformattedInline, // textarea
};

enum Styling : std::uint8_t {
    Bold = 1 << 0,
    Italic = 1 << 1,
    Underline = 1 << 2,
    Strikethrough = 1 << 3,
    Link = 1 << 4,
    FontColor = 1 << 5,
};

struct TagLayout {
    GumboTag tag;
    Box box;
    std::uint8_t styling;
};

// How each element lays out and styles its content; any tag not listed is inline.
constexpr auto tagLayouts = std::to_array<TagLayout>({
    {GUMBO_TAG_HEAD, Box::hidden, 0},
    {GUMBO_TAG_TITLE, Box::hidden, 0},
    {GUMBO_TAG_STYLE, Box::hidden, 0},
    {GUMBO_TAG_SCRIPT, Box::hidden, 0},
    {GUMBO_TAG_NOSCRIPT, Box::hidden, 0},
    {GUMBO_TAG_TEMPLATE, Box::hidden, 0},
    {GUMBO_TAG_IFRAME, Box::hidden, 0},
    {GUMBO_TAG_NOEMBED, Box::hidden, 0},
    {GUMBO_TAG_NOFRAMES, Box::hidden, 0},
    {GUMBO_TAG_ADDRESS, Box::block, Italic},
    {GUMBO_TAG_ARTICLE, Box::block, 0},
    {GUMBO_TAG_ASIDE, Box::block, 0},
    {GUMBO_TAG_BLOCKQUOTE, Box::block, 0},
    {GUMBO_TAG_CAPTION, Box::block, 0},
    {GUMBO_TAG_CENTER, Box::block, 0},
    {GUMBO_TAG_DD, Box::block, 0},
    {GUMBO_TAG_DETAILS, Box::block, 0},
    {GUMBO_TAG_DIR, Box::list, 0},
    {GUMBO_TAG_DIV, Box::block, 0},
    {GUMBO_TAG_DL, Box::block, 0},
    {GUMBO_TAG_DT, Box::block, 0},
    {GUMBO_TAG_FIELDSET, Box::block, 0},
    {GUMBO_TAG_FIGCAPTION, Box::block, 0},
    {GUMBO_TAG_FIGURE, Box::block, 0},
    {GUMBO_TAG_FOOTER, Box::block, 0},
    {GUMBO_TAG_FORM, Box::block, 0},
    {GUMBO_TAG_H1, Box::block, Bold},
    {GUMBO_TAG_H2, Box::block, Bold},
    {GUMBO_TAG_H3, Box::block, Bold},
    {GUMBO_TAG_H4, Box::block, Bold},
    {GUMBO_TAG_H5, Box::block, Bold},
    {GUMBO_TAG_H6, Box::block, Bold},
    {GUMBO_TAG_HEADER, Box::block, 0},
    {GUMBO_TAG_HGROUP, Box::block, 0},
    {GUMBO_TAG_HR, Box::block, 0},
    {GUMBO_TAG_LEGEND, Box::block, 0},
    {GUMBO_TAG_LI, Box::listItem, 0},
    {GUMBO_TAG_LISTING, Box::preformatted, 0},
    {GUMBO_TAG_MAIN, Box::block, 0},
    {GUMBO_TAG_MENU, Box::list, 0},
    {GUMBO_TAG_NAV, Box::block, 0},
    {GUMBO_TAG_OL, Box::list, 0},
    {GUMBO_TAG_P, Box::block, 0},
    {GUMBO_TAG_PLAINTEXT, Box::preformatted, 0},
    {GUMBO_TAG_PRE, Box::preformatted, 0},
    {GUMBO_TAG_SECTION, Box::block, 0},
    {GUMBO_TAG_SUMMARY, Box::block, 0},
    {GUMBO_TAG_TABLE, Box::block, 0},
    {GUMBO_TAG_TBODY, Box::block, 0},
    {GUMBO_TAG_TFOOT, Box::block, 0},
    {GUMBO_TAG_THEAD, Box::block, 0},
    {GUMBO_TAG_TR, Box::row, 0},
    {GUMBO_TAG_TD, Box::cell, 0},
    {GUMBO_TAG_TH, Box::cell, Bold},
    {GUMBO_TAG_UL, Box::list, 0},
    {GUMBO_TAG_XMP, Box::preformatted, 0},
    {GUMBO_TAG_TEXTAREA, Box::preformattedInline, 0},
    {GUMBO_TAG_BR, Box::lineBreak, 0},
    {GUMBO_TAG_B, Box::inlineBox, Bold},
    {GUMBO_TAG_STRONG, Box::inlineBox, Bold},
    {GUMBO_TAG_I, Box::inlineBox, Italic},
    {GUMBO_TAG_EM, Box::inlineBox, Italic},
    {GUMBO_TAG_CITE, Box::inlineBox, Italic},
    {GUMBO_TAG_VAR, Box::inlineBox, Italic},
    {GUMBO_TAG_DFN, Box::inlineBox, Italic},
    {GUMBO_TAG_U, Box::inlineBox, Underline},
    {GUMBO_TAG_INS, Box::inlineBox, Underline},
    {GUMBO_TAG_S, Box::inlineBox, Strikethrough},
    {GUMBO_TAG_STRIKE, Box::inlineBox, Strikethrough},
    {GUMBO_TAG_DEL, Box::inlineBox, Strikethrough},
    {GUMBO_TAG_A, Box::inlineBox, Link},
    {GUMBO_TAG_FONT, Box::inlineBox, FontColor},
});

const TagLayout& layoutOf(GumboTag tag) {
    static const std::vector<TagLayout> byTag = [] {
        std::vector<TagLayout> table(GUMBO_TAG_LAST + 1);
        for (std::size_t i = 0; i < table.size(); ++i)
            table[i] = {static_cast<GumboTag>(i), Box::inlineBox, 0};
        for (const TagLayout& layout : tagLayouts)
            table[layout.tag] = layout;
        return table;
    }();
    return byTag[std::min<std::size_t>(tag, GUMBO_TAG_LAST)];
}

// The styling in force at a point of the tree. The link points into the parse tree.
struct Style {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    std::optional<RgbColor> color{};
    std::string_view link{};
    bool linked = false;
    WhiteSpace whiteSpace = WhiteSpace::collapse;

    bool sameLook(const Style& other) const {
        if (bold != other.bold || italic != other.italic || underline != other.underline ||
            strikethrough != other.strikethrough || color != other.color || linked != other.linked)
            return false;
        return !linked || (link.data() == other.link.data() && link.size() == other.link.size()) ||
               link == other.link;
    }
};

// Builds the lines: block boundaries become one line feed where a line has content, white
// space collapses as CSS has it, and text is gathered into runs of one look.
class LineBuilder {
public:
    explicit LineBuilder(std::size_t linkBudget) : linkBudget_(linkBudget) {}

    void requestBreak() {
        if (line_ == Line::content)
            pendingBreak_ = true;
    }

    void lineBreak() {
        flushBreak();
        pendingSpace_ = false;
        add("\n", Style{});
        line_ = Line::empty;
    }

    // A list marker: the item's content follows it on the same line.
    void marker(std::string_view text) {
        flushBreak();
        if (line_ == Line::marker) {
            // An item that holds only a nested list keeps its marker on a line of its own.
            add("\n", Style{});
        }
        pendingSpace_ = false;
        add(text, Style{});
        line_ = Line::marker;
    }

    void cellSeparator() {
        flushBreak(); // a row's break waits for its first content
        pendingSpace_ = false;
        add("\t", Style{});
        line_ = Line::cellStart;
    }

    void endCell() {
        pendingBreak_ = false;
        pendingSpace_ = false;
    }

    void endItem() {
        if (line_ == Line::marker)
            line_ = Line::content;
        requestBreak();
    }

    void text(std::string_view text, const Style& style) {
        if (style.whiteSpace == WhiteSpace::preserve) {
            preservedText(text, style);
            return;
        }
        const bool keepLineFeeds = style.whiteSpace == WhiteSpace::preserveLineFeeds;
        std::size_t at = 0;
        while (at < text.size()) {
            if (isHtmlSpace(text[at])) {
                bool lineFeed = false;
                for (; at < text.size() && isHtmlSpace(text[at]); ++at) {
                    if (keepLineFeeds && text[at] == '\n') {
                        lineBreak();
                        lineFeed = true;
                    }
                }
                if (!lineFeed && line_ == Line::content && !pendingBreak_) {
                    pendingSpace_ = true;
                    spaceStyle_ = style;
                }
                continue;
            }
            std::size_t end = at;
            while (end < text.size() && !isHtmlSpace(text[end]))
                ++end;
            content(text.substr(at, end - at), style);
            at = end;
        }
    }

    StyledText finish() {
        flushBreak();
        flush();
        return std::move(result_);
    }

private:
    // What the current line holds: nothing, only a list marker or the tab before a cell
    // (block boundaries do not break there), or content.
    enum class Line { empty, marker, cellStart, content };

    void preservedText(std::string_view text, const Style& style) {
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t lineFeed = text.find('\n', at);
            const std::size_t end = lineFeed == std::string_view::npos ? text.size() : lineFeed;
            if (end > at)
                content(text.substr(at, end - at), style);
            if (lineFeed == std::string_view::npos)
                break;
            lineBreak();
            at = lineFeed + 1;
        }
    }

    void content(std::string_view text, const Style& style) {
        flushBreak();
        if (pendingSpace_) {
            add(" ", spaceStyle_);
            pendingSpace_ = false;
        }
        add(text, style);
        line_ = Line::content;
    }

    void flushBreak() {
        if (!pendingBreak_)
            return;
        pendingBreak_ = false;
        pendingSpace_ = false;
        add("\n", Style{});
        line_ = Line::empty;
    }

    void add(std::string_view text, const Style& style) {
        if (!chunk_.empty() && !chunkStyle_.sameLook(style))
            flush();
        if (chunk_.empty())
            chunkStyle_ = style;
        chunk_ += text;
    }

    void flush() {
        if (chunk_.empty())
            return;
        TextAttributes attributes;
        attributes.bold = chunkStyle_.bold;
        attributes.italic = chunkStyle_.italic;
        attributes.underline = chunkStyle_.underline;
        attributes.strikethrough = chunkStyle_.strikethrough;
        attributes.color = chunkStyle_.color;
        // Every run carries its own copy of its link; past the budget, hostile markup
        // that splits a huge link into many runs loses the link rather than the memory.
        if (chunkStyle_.linked && chunkStyle_.link.size() <= linkBudget_) {
            linkBudget_ -= chunkStyle_.link.size();
            attributes.link = std::string(chunkStyle_.link);
        }
        result_.append(chunk_, attributes);
        chunk_.clear();
    }

    StyledText result_;
    std::string chunk_;
    Style chunkStyle_;
    Line line_ = Line::empty;
    bool pendingBreak_ = false;
    bool pendingSpace_ = false;
    Style spaceStyle_;
    std::size_t linkBudget_;
};

bool isNoncharacter(char32_t point) {
    return (point >= 0xfdd0 && point <= 0xfdef) || (point & 0xfffe) == 0xfffe;
}

// Control characters and noncharacters reach the text only through character references
// (in the markup itself the parser reads them as U+FFFD). Controls other than white space
// are dropped and noncharacters become U+FFFD, so text reads the same as it writes.
std::string_view cleanText(std::string_view text, std::string& buffer, std::string& repaired) {
    // The parser passes on what some malformed character references decode to (a number
    // past the last code point) as it stands, which is not always well-formed UTF-8.
    if (std::any_of(text.begin(), text.end(), [](char c) { return (c & 0x80) != 0; })) {
        repaired = UnicodeText::repairedUtf8(text);
        if (repaired != text)
            text = repaired;
    }
    const bool clean = std::none_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && !isHtmlSpace(c)) || byte == 0x7f || byte == 0xc2 || byte == 0xef ||
               byte >= 0xf0;
    });
    if (clean)
        return text;
    buffer.clear();
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = lead < 0xc0 ? 1 : lead < 0xe0 ? 2 : lead < 0xf0 ? 3 : 4;
        const std::string_view bytes = text.substr(at, length);
        at += bytes.size();
        char32_t point = length == 1 ? lead : lead & (0x7f >> length);
        for (std::size_t i = 1; i < bytes.size(); ++i)
            point = (point << 6) | (static_cast<unsigned char>(bytes[i]) & 0x3f);
        if ((point < 0x20 && !isHtmlSpace(static_cast<char>(point))) ||
            (point >= 0x7f && point <= 0x9f))
            continue;
        if (isNoncharacter(point))
            buffer += "\ufffd";
        else
            buffer += bytes;
    }
    return buffer;
}

const char* attribute(const GumboElement& element, const char* name) {
    const GumboAttribute* found = gumbo_get_attribute(&element.attributes, name);
    return found != nullptr ? found->value : nullptr;
}

// HTML's rules for parsing integers: leading white space, a sign, digits; the rest ignored.
std::optional<std::int64_t> integerAttribute(const char* value) {
    if (value == nullptr)
        return std::nullopt;
    std::string_view text = value;
    while (!text.empty() && isHtmlSpace(text.front()))
        text.remove_prefix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() < '0' || text.front() > '9')
        return std::nullopt;
    std::int64_t number = 0;
    for (std::size_t i = 0; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        number = std::min<std::int64_t>(number * 10 + (text[i] - '0'), INT32_MAX);
    return negative ? -number : number;
}

struct Frame {
    explicit Frame(const GumboNode* element) : node(element) {}
    const GumboNode* node;
    unsigned next = 0;
    Box box = Box::inlineBox;
    Style style;
    std::size_t list = SIZE_MAX; // the nearest list's frame
    std::size_t listDepth = 0;
    bool ordered = false;
    std::int64_t counter = 1; // a list's next number
    unsigned cells = 0;       // a row's cells so far
};

class Layout {
public:
    explicit Layout(std::size_t linkBudget) : lines_(linkBudget) {}

    StyledText run(const GumboNode* root) {
        frames_.emplace_back(root);
        while (!frames_.empty()) {
            Frame& frame = frames_.back();
            const GumboVector& children = frame.node->v.element.children;
            if (frame.next == children.length) {
                leave(frame);
                frames_.pop_back();
                continue;
            }
            const auto* child = static_cast<const GumboNode*>(children.data[frame.next++]);
            const Style& style = frame.style;
            switch (child->type) {
            case GUMBO_NODE_TEXT:
            case GUMBO_NODE_WHITESPACE:
            case GUMBO_NODE_CDATA:
                lines_.text(cleanText(child->v.text.text, cleaned_, repaired_), style);
                break;
            case GUMBO_NODE_ELEMENT:
                enter(child);
                break;
            default: // comments, templates
                break;
            }
        }
        return lines_.finish();
    }

private:
    void enter(const GumboNode* node) {
        const GumboElement& element = node->v.element;
        const TagLayout& layout = layoutOf(element.tag);
        const std::size_t parentIndex = frames_.size() - 1;
        Frame frame(node);
        frame.style = frames_[parentIndex].style;
        frame.list = frames_[parentIndex].list;
        frame.listDepth = frames_[parentIndex].listDepth;
        frame.box = layout.box;
        if (element.tag_namespace != GUMBO_NAMESPACE_HTML && frame.box != Box::hidden)
            frame.box = Box::inlineBox;
        if (frame.box == Box::hidden)
            return;

        std::optional<bool> bold;
        std::optional<bool> italic;
        bool underline = layout.styling & Underline;
        bool strikethrough = layout.styling & Strikethrough;
        if (layout.styling & Bold)
            bold = true;
        if (layout.styling & Italic)
            italic = true;
        if (layout.styling & Link) {
            if (const char* href = attribute(element, "href")) {
                const std::string_view link = trimmedSpace(href);
                frame.style.linked = !link.empty();
                frame.style.link = link;
            }
        }
        if (layout.styling & FontColor) {
            if (const char* color = attribute(element, "color"))
                if (std::optional<RgbColor> parsed = CssColor::parseLegacy(color))
                    frame.style.color = parsed;
        }
        if (frame.box == Box::preformatted || frame.box == Box::preformattedInline)
            frame.style.whiteSpace = WhiteSpace::preserve;
        if (const char* style = attribute(element, "style")) {
            const Declarations declared = readStyle(style);
            if (declared.display == Display::none)
                return;
            const bool plainBox = frame.box == Box::inlineBox || frame.box == Box::block;
            if (plainBox && declared.display == Display::block)
                frame.box = Box::block;
            if (plainBox && declared.display == Display::inlineBox)
                frame.box = Box::inlineBox;
            if (declared.color)
                frame.style.color = declared.color;
            if (declared.bold)
                bold = declared.bold;
            if (declared.italic)
                italic = declared.italic;
            // An element's own text-decoration replaces what its tag gives it; the lines
            // of its ancestors still run through it.
            if (declared.underline)
                underline = *declared.underline;
            if (declared.strikethrough)
                strikethrough = *declared.strikethrough;
            if (declared.whiteSpace)
                frame.style.whiteSpace = *declared.whiteSpace;
        }
        frame.style.bold = bold.value_or(frame.style.bold);
        frame.style.italic = italic.value_or(frame.style.italic);
        frame.style.underline = frame.style.underline || underline;
        frame.style.strikethrough = frame.style.strikethrough || strikethrough;

        switch (frame.box) {
        case Box::lineBreak:
            lines_.lineBreak();
            return;
        case Box::block:
        case Box::preformatted:
        case Box::row:
            lines_.requestBreak();
            break;
        case Box::list:
            lines_.requestBreak();
            frame.ordered = element.tag == GUMBO_TAG_OL;
            frame.counter = integerAttribute(attribute(element, "start")).value_or(1);
            frame.list = frames_.size();
            ++frame.listDepth;
            break;
        case Box::listItem:
            lines_.requestBreak();
            lines_.marker(marker(element, frame.list));
            break;
        case Box::cell: {
            Frame& parent = frames_[parentIndex];
            if (parent.box == Box::row && parent.cells++ > 0)
                lines_.cellSeparator();
            break;
        }
        default:
            break;
        }
        frames_.push_back(frame);
    }

    std::string marker(const GumboElement& item, std::size_t listIndex) {
        std::string text(
            frames_.empty() || listIndex == SIZE_MAX ? 0 : frames_[listIndex].listDepth - 1, '\t');
        if (listIndex == SIZE_MAX || !frames_[listIndex].ordered)
            return text + "\u2022 ";
        Frame& list = frames_[listIndex];
        if (std::optional<std::int64_t> value = integerAttribute(attribute(item, "value")))
            list.counter = *value;
        text += std::to_string(list.counter) + ". ";
        list.counter = std::min<std::int64_t>(list.counter + 1, INT32_MAX);
        return text;
    }

    void leave(const Frame& frame) {
        switch (frame.box) {
        case Box::block:
        case Box::preformatted:
        case Box::row:
        case Box::list:
            lines_.requestBreak();
            break;
        case Box::listItem:
            lines_.endItem();
            break;
        case Box::cell:
            lines_.endCell();
            break;
        default:
            break;
        }
    }

    LineBuilder lines_;
    std::vector<Frame> frames_;
    std::string cleaned_;
    std::string repaired_;
};

} // namespace

StyledText layOut(const GumboNode* root, std::size_t linkBudget) {
    return Layout(linkBudget).run(root);
}

} // namespace quillo::HtmlReader
