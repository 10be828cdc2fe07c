#include "HtmlNesting.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace quillo::HtmlReader {

using detail::isHtmlSpace;
using detail::lowerAscii;

namespace {

// The nesting limiter: a tag scanner with a model of the tree builder's stack of open
// elements. Where the model cannot follow the tree builder it keeps elements open, so it
// overestimates the depth and never lets the real one grow past the limit.

enum TagFlag : std::uint32_t {
    Void = 1u << 0,          // never has content
    FormattingTag = 1u << 1, // reopened by the parser after an implicit close
    Special = 1u << 2,       // stops "any other end tag" and the adoption agency
    Boundary = 1u << 3,      // limits "has an element in scope"
    ListBoundary = 1u << 4,  // also limits list item scope
    TableBoundary = 1u << 5, // limits table scope
    ButtonTag = 1u << 6,
    Heading = 1u << 7,
    Cell = 1u << 8,
    Marker = 1u << 9,          // ends the reopening of formatting elements inside it
    ClosesP = 1u << 10,        // its start tag closes an open p
    RawText = 1u << 11,        // content is text up to its end tag
    PlainText = 1u << 12,      // everything after it is text
    Breakout = 1u << 13,       // leaves svg and math content
    Integration = 1u << 14,    // HTML inside svg or math
    ForeignRoot = 1u << 15,    // svg, math
    Ignored = 1u << 16,        // html, body, head: merged into the template's
    ListItem = 1u << 17,       // li
    DefinitionItem = 1u << 18, // dd, dt
    TableSection = 1u << 19,   // tbody, thead, tfoot
    Row = 1u << 20,
    Table = 1u << 21,
    Option = 1u << 22,
    OptGroup = 1u << 23,
    Anchor = 1u << 24,
    KeepsLiOpen = 1u << 25, // address, div, p: the li search walks past them
};

struct TagInfo {
    std::string_view name;
    std::uint32_t flags;
};

constexpr std::uint32_t blockCloser = Special | ClosesP | Breakout;
constexpr std::uint32_t inlineFormatting = FormattingTag | Breakout;

// The tree builder's categories for the tags it treats specially, sorted by name.
constexpr auto tagInfos = std::to_array<TagInfo>({
    {"a", FormattingTag | Anchor},
    {"address", Special | ClosesP | KeepsLiOpen},
    {"annotation-xml", Boundary | Special | Integration},
    {"applet", Special | Boundary | Marker},
    {"area", Special | Void},
    {"article", Special | ClosesP},
    {"aside", Special | ClosesP},
    {"b", inlineFormatting},
    {"base", Special | Void},
    {"basefont", Special | Void},
    {"bgsound", Special | Void},
    {"big", inlineFormatting},
    {"blockquote", blockCloser},
    {"body", Special | Ignored | Breakout},
    {"br", Special | Void | Breakout},
    {"button", Special | ButtonTag},
    {"caption", Special | Boundary | Marker},
    {"center", blockCloser},
    {"code", inlineFormatting},
    {"col", Special | Void},
    {"colgroup", Special},
    {"dd", Special | ClosesP | Breakout | DefinitionItem},
    {"desc", Boundary | Special | Integration},
    {"details", Special | ClosesP},
    {"dialog", ClosesP},
    {"dir", Special | ClosesP},
    {"div", blockCloser | KeepsLiOpen},
    {"dl", blockCloser},
    {"dt", Special | ClosesP | Breakout | DefinitionItem},
    {"em", inlineFormatting},
    {"embed", Special | Void | Breakout},
    {"fieldset", Special | ClosesP},
    {"figcaption", Special | ClosesP},
    {"figure", Special | ClosesP},
    {"font", FormattingTag},
    {"footer", Special | ClosesP},
    {"foreignobject", Boundary | Special | Integration},
    {"form", Special | ClosesP},
    {"frame", Special | Void},
    {"frameset", Special},
    {"h1", blockCloser | Heading},
    {"h2", blockCloser | Heading},
    {"h3", blockCloser | Heading},
    {"h4", blockCloser | Heading},
    {"h5", blockCloser | Heading},
    {"h6", blockCloser | Heading},
    {"head", Special | Ignored | Breakout},
    {"header", Special | ClosesP},
    {"hgroup", Special | ClosesP},
    {"hr", Special | Void | ClosesP | Breakout},
    {"html", Special | Ignored | Boundary | TableBoundary},
    {"i", inlineFormatting},
    {"iframe", Special | RawText},
    {"image", Void},
    {"img", Special | Void | Breakout},
    {"input", Special | Void},
    {"keygen", Special | Void},
    {"li", Special | ClosesP | Breakout | ListItem},
    {"link", Special | Void},
    {"listing", blockCloser},
    {"main", Special | ClosesP},
    {"marquee", Special | Boundary | Marker},
    {"math", ForeignRoot},
    {"menu", blockCloser},
    {"meta", Special | Void | Breakout},
    {"mi", Boundary | Special | Integration},
    {"mn", Boundary | Special | Integration},
    {"mo", Boundary | Special | Integration},
    {"ms", Boundary | Special | Integration},
    {"mtext", Boundary | Special | Integration},
    {"nav", Special | ClosesP},
    {"nobr", inlineFormatting},
    {"noembed", Special | RawText},
    {"noframes", Special | RawText},
    {"noscript", Special},
    {"object", Special | Boundary | Marker},
    {"ol", blockCloser | ListBoundary},
    {"optgroup", OptGroup},
    {"option", Option},
    {"p", blockCloser | KeepsLiOpen},
    {"param", Special | Void},
    {"plaintext", Special | ClosesP | PlainText},
    {"pre", blockCloser},
    {"ruby", Breakout},
    {"s", inlineFormatting},
    {"script", Special | RawText},
    {"section", Special | ClosesP},
    {"select", Special},
    {"small", inlineFormatting},
    {"source", Special | Void},
    {"span", Breakout},
    {"strike", inlineFormatting},
    {"strong", inlineFormatting},
    {"style", Special | RawText},
    {"sub", Breakout},
    {"summary", Special | ClosesP},
    {"sup", Breakout},
    {"svg", ForeignRoot},
    {"table", blockCloser | Boundary | TableBoundary | Table},
    {"tbody", Special | TableSection},
    {"td", Special | Boundary | Cell | Marker},
    {"template", Special | Boundary | TableBoundary | Marker},
    {"textarea", Special | RawText},
    {"tfoot", Special | TableSection},
    {"th", Special | Boundary | Cell | Marker},
    {"thead", Special | TableSection},
    {"title", Special | RawText | Boundary | Integration},
    {"tr", Special | Row},
    {"track", Special | Void},
    {"tt", inlineFormatting},
    {"u", inlineFormatting},
    {"ul", blockCloser | ListBoundary},
    {"var", Breakout},
    {"wbr", Special | Void},
    {"xmp", Special | ClosesP | RawText},
});

constexpr bool byTagName(const TagInfo& a, const TagInfo& b) {
    return a.name < b.name;
}
static_assert(std::is_sorted(tagInfos.begin(), tagInfos.end(), byTagName));

std::uint32_t tagFlags(std::string_view name) {
    const auto found =
        std::lower_bound(tagInfos.begin(), tagInfos.end(), TagInfo{name, 0}, byTagName);
    return found != tagInfos.end() && found->name == name ? found->flags : 0;
}

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// One tag as the tokenizer reads it.
struct Tag {
    bool end = false;
    bool selfClosing = false;
    std::string name; // lowercased
    std::size_t attributeCount = 0;
    // The source spans of the first attributes, for rewriting a tag whose list is cut.
    std::vector<std::pair<std::size_t, std::size_t>> attributes;
    bool fontStyling = false; // a color, face or size attribute (font leaves svg then)
};

class NestingLimiter {
public:
    NestingLimiter(std::string_view source, Formatting formatting)
        : source_(source), dropFormatting_(formatting == Formatting::drop) {}

    std::string run() {
        output_.reserve(source_.size());
        std::size_t at = 0;
        while (at < source_.size()) {
            const std::size_t open = source_.find('<', at);
            if (open == std::string_view::npos)
                break;
            const std::size_t next = scanMarkup(open);
            if (next == std::string_view::npos) {
                // An unfinished tag runs to the end and is never emitted by the tokenizer.
                break;
            }
            at = std::max(next, resumeAt_);
        }
        copyUpTo(source_.size());
        return std::move(output_);
    }

private:
    struct Entry {
        std::uint32_t name;
        std::uint32_t flags;
        std::uint32_t keptBefore; // kept entries below this one
        bool kept;
        bool foreign;
        bool dead; // a dropped element whose end tag has come
    };

    enum Class : std::size_t {
        OpenClass,
        HtmlOrIntegrationClass,
        BoundaryClass,
        SpecialClass,
        ListBoundaryClass,
        TableBoundaryClass,
        ButtonClass,
        HeadingClass,
        CellClass,
        TableSectionClass,
        ClassCount,
    };

    static constexpr std::size_t none = SIZE_MAX;
    static constexpr std::uint32_t markerEntry = UINT32_MAX;
    // How far the search for an open li (or dd, dt) looks down the stack.
    static constexpr std::size_t itemSearchLimit = 64;

    // --- Output -------------------------------------------------------------------------

    void copyUpTo(std::size_t end) {
        if (end > copied_) {
            output_.append(source_.substr(copied_, end - copied_));
            copied_ = end;
        }
    }
    void skipTo(std::size_t end) { copied_ = end; }

    // --- Tokenizer ----------------------------------------------------------------------

    std::size_t findFrom(std::size_t at, std::string_view what) const {
        return at >= source_.size() ? std::string_view::npos : source_.find(what, at);
    }

    // Reads the markup at `open` (a "<"); returns where scanning goes on, or npos when the
    // rest of the input is an unfinished tag or comment.
    std::size_t scanMarkup(std::size_t open) {
        const std::string_view rest = source_.substr(open);
        if (rest.starts_with("<!--")) {
            if (rest.starts_with("<!-->"))
                return open + 5;
            if (rest.starts_with("<!--->"))
                return open + 6;
            const std::size_t close = findFrom(open + 4, "--");
            for (std::size_t dash = close; dash != std::string_view::npos;
                 dash = findFrom(dash + 1, "--")) {
                if (source_.substr(dash + 2).starts_with(">"))
                    return dash + 3;
                if (source_.substr(dash + 2).starts_with("!>"))
                    return dash + 4;
            }
            return std::string_view::npos;
        }
        if (rest.size() < 2)
            return open + 1;
        const char second = rest[1];
        if (second == '!' || second == '?')
            return bogusComment(open + 2);
        if (second == '/') {
            if (rest.size() < 3)
                return open + 2;
            if (rest[2] == '>')
                return open + 3;
            if (!isAsciiLetter(rest[2]))
                return bogusComment(open + 2);
            return scanTag(open, true);
        }
        if (isAsciiLetter(second))
            return scanTag(open, false);
        return open + 1; // a "<" that is text
    }

    std::size_t bogusComment(std::size_t from) const {
        const std::size_t close = findFrom(from, ">");
        return close == std::string_view::npos ? std::string_view::npos : close + 1;
    }

    std::size_t scanTag(std::size_t open, bool end) {
        tag_.end = end;
        tag_.selfClosing = false;
        tag_.name.clear();
        tag_.attributeCount = 0;
        tag_.attributes.clear();
        tag_.fontStyling = false;
        std::size_t at = open + (end ? 2 : 1);
        while (at < source_.size() && !isHtmlSpace(source_[at]) && source_[at] != '/' &&
               source_[at] != '>')
            tag_.name += lowerAscii(source_[at++]);
        const std::size_t attributeLimit = end ? 0 : maxAttributes;
        while (at < source_.size()) {
            const char c = source_[at];
            if (isHtmlSpace(c)) {
                ++at;
                continue;
            }
            if (c == '>') {
                handleTag(open, at + 1);
                return at + 1;
            }
            if (c == '/') {
                if (at + 1 < source_.size() && source_[at + 1] == '>') {
                    tag_.selfClosing = true;
                    handleTag(open, at + 2);
                    return at + 2;
                }
                ++at;
                continue;
            }
            // An attribute: a name (a leading "=" belongs to it), then perhaps a value.
            const std::size_t nameStart = at;
            ++at;
            while (at < source_.size() && !isHtmlSpace(source_[at]) && source_[at] != '/' &&
                   source_[at] != '>' && source_[at] != '=')
                ++at;
            const std::string_view attributeName = source_.substr(nameStart, at - nameStart);
            std::size_t probe = at;
            while (probe < source_.size() && isHtmlSpace(source_[probe]))
                ++probe;
            if (probe < source_.size() && source_[probe] == '=') {
                at = probe + 1;
                while (at < source_.size() && isHtmlSpace(source_[at]))
                    ++at;
                if (at < source_.size() && (source_[at] == '"' || source_[at] == '\'')) {
                    const std::size_t close = source_.find(source_[at], at + 1);
                    if (close == std::string_view::npos)
                        return std::string_view::npos;
                    at = close + 1;
                } else {
                    while (at < source_.size() && !isHtmlSpace(source_[at]) && source_[at] != '>')
                        ++at;
                }
            }
            if (tag_.attributeCount < attributeLimit)
                tag_.attributes.emplace_back(nameStart, at);
            ++tag_.attributeCount;
            if (tag_.name == "font" && attributeName.size() <= 5) {
                std::string lower;
                for (const char n : attributeName)
                    lower += lowerAscii(n);
                if (lower == "color" || lower == "face" || lower == "size")
                    tag_.fontStyling = true;
            }
        }
        return std::string_view::npos;
    }

    // --- The model ----------------------------------------------------------------------

    std::uint32_t nameId(const std::string& name) {
        const auto [found, added] =
            names_.try_emplace(name, static_cast<std::uint32_t>(names_.size()));
        if (added) {
            keptByName_.emplace_back();
            droppedByName_.emplace_back();
        }
        return found->second;
    }

    static std::size_t top(const std::vector<std::size_t>& stack) {
        return stack.empty() ? none : stack.back();
    }
    std::size_t lastOf(Class c) const { return top(classes_[c]); }
    // The index is at or above the given limit (none counts as below everything).
    static bool atOrAbove(std::size_t index, std::size_t limit) {
        return index != none && (limit == none || index >= limit);
    }
    static bool above(std::size_t index, std::size_t limit) {
        return index != none && (limit == none || index > limit);
    }

    std::size_t currentNode() const { return lastOf(OpenClass); }
    bool inForeignContent() const {
        const std::size_t current = currentNode();
        return current != none && stack_[current].foreign && !(stack_[current].flags & Integration);
    }

    void push(std::uint32_t name, std::uint32_t flags, bool kept, bool foreign) {
        const std::size_t index = stack_.size();
        stack_.push_back(
            {name, flags, static_cast<std::uint32_t>(keptDepth_), kept, foreign, false});
        if (!kept) {
            droppedByName_[name].push_back(index);
            return;
        }
        ++keptDepth_;
        keptByName_[name].push_back(index);
        forEachClass(stack_.back(), [&](Class c) { classes_[c].push_back(index); });
        if (flags & Marker && !foreign)
            active_.push_back(markerEntry);
        if (flags & FormattingTag && !foreign) {
            active_.push_back(name);
            ++activeCount_;
        }
    }

    template <typename Visit> static void forEachClass(const Entry& entry, Visit visit) {
        visit(OpenClass);
        if (!entry.foreign || entry.flags & Integration)
            visit(HtmlOrIntegrationClass);
        static constexpr std::array<std::pair<Class, std::uint32_t>, 8> byFlag{{
            {BoundaryClass, Boundary},
            {SpecialClass, Special},
            {ListBoundaryClass, ListBoundary},
            {TableBoundaryClass, TableBoundary},
            {ButtonClass, ButtonTag},
            {HeadingClass, Heading},
            {CellClass, Cell},
            {TableSectionClass, TableSection},
        }};
        for (const auto& [c, flag] : byFlag)
            if (entry.flags & flag)
                visit(c);
    }

    // Pops every entry from `index` up.
    void popTo(std::size_t index) {
        while (stack_.size() > index) {
            const Entry entry = stack_.back();
            if (!entry.dead) {
                if (entry.kept) {
                    keptByName_[entry.name].pop_back();
                    forEachClass(entry, [&](Class c) { classes_[c].pop_back(); });
                    --keptDepth_;
                    if (entry.flags & Marker && !entry.foreign)
                        clearActiveToMarker();
                } else {
                    droppedByName_[entry.name].pop_back();
                }
            }
            stack_.pop_back();
        }
    }

    void clearActiveToMarker() {
        while (!active_.empty()) {
            const std::uint32_t last = active_.back();
            active_.pop_back();
            if (last == markerEntry)
                return;
            --activeCount_;
        }
    }

    // Removes the last active formatting element of that name after the last marker.
    bool removeActive(std::uint32_t name) {
        for (std::size_t i = active_.size(); i-- > 0;) {
            if (active_[i] == markerEntry)
                return false;
            if (active_[i] == name) {
                active_.erase(active_.begin() + static_cast<std::ptrdiff_t>(i));
                --activeCount_;
                return true;
            }
        }
        return false;
    }

    bool isActive(std::uint32_t name) const {
        for (std::size_t i = active_.size(); i-- > 0;) {
            if (active_[i] == markerEntry)
                return false;
            if (active_[i] == name)
                return true;
        }
        return false;
    }

    void handleTag(std::size_t open, std::size_t close) {
        copyUpTo(open);
        if (tag_.end)
            handleEndTag(open, close);
        else
            handleStartTag(open, close);
    }

    void emitTag(std::size_t open, std::size_t close, bool formatting) {
        const std::size_t limit = formatting ? maxFormattingAttributes : maxAttributes;
        if (tag_.attributeCount <= (tag_.end ? 0 : limit)) {
            copyUpTo(close);
            return;
        }
        output_ += tag_.end ? "</" : "<";
        output_ += source_.substr(open + (tag_.end ? 2 : 1), tag_.name.size());
        for (std::size_t i = 0; i < std::min(limit, tag_.attributes.size()) && !tag_.end; ++i) {
            const auto [from, to] = tag_.attributes[i];
            output_ += ' ';
            output_ += source_.substr(from, to - from);
        }
        output_ += tag_.selfClosing ? " />" : ">";
        skipTo(close);
    }

    void handleStartTag(std::size_t open, std::size_t close) {
        std::uint32_t flags = tagFlags(tag_.name);
        if (flags & Ignored) {
            emitTag(open, close, false);
            return;
        }
        std::size_t target = none; // the implicit closes pop from here
        bool foreign = false;
        if (inForeignContent()) {
            const bool breaksOut = flags & Breakout || (tag_.name == "font" && tag_.fontStyling);
            if (!breaksOut) {
                foreign = true;
            } else {
                const std::size_t html = lastOf(HtmlOrIntegrationClass);
                target = html == none ? 0 : html + 1;
            }
        }
        if (foreign || flags & ForeignRoot) {
            // Foreign elements honour "/>" and have no implicit closes.
            if (tag_.selfClosing) {
                emitTag(open, close, false);
                return;
            }
            startElement(open, close, flags & (Integration | Boundary | Special), target, true);
            return;
        }
        target = std::min(target, implicitCloseTarget(flags));
        if (flags & Void) {
            // The implicit closes of hr need not be followed: they only lower the depth.
            emitTag(open, close, false);
            return;
        }
        startElement(open, close, flags, target, false);
        if (stack_.back().kept && !stack_.back().foreign) {
            if (flags & PlainText) {
                copyUpTo(source_.size());
                resumeAt_ = source_.size();
            } else if (flags & RawText) {
                resumeAt_ = rawTextEnd(close);
                copyUpTo(resumeAt_);
            }
        }
    }

    void startElement(std::size_t open, std::size_t close, std::uint32_t flags, std::size_t target,
                      bool foreign) {
        const std::size_t depthAfterCloses =
            target == none || target >= stack_.size() ? keptDepth_ : stack_[target].keptBefore;
        const std::uint32_t name = nameId(tag_.name);
        const bool formatting = flags & FormattingTag && !foreign;
        // A new a ends the one still active, so it does not add to their number.
        const bool replacesAnchor = formatting && flags & Anchor && isActive(name);
        const std::size_t activeAfter = activeCount_ + (replacesAnchor ? 0 : 1);
        const bool keep = depthAfterCloses < maxDepth &&
                          !(formatting && (dropFormatting_ || activeAfter > maxActiveFormatting));
        if (!keep) {
            push(name, flags, false, foreign);
            skipTo(close);
            return;
        }
        if (replacesAnchor) {
            removeActive(name);
            const std::size_t previous = top(keptByName_[name]);
            if (above(previous, lastOf(SpecialClass)) && atOrAbove(previous, lastOf(BoundaryClass)))
                target = std::min(target, previous);
        }
        if (target != none)
            popTo(target);
        push(name, flags, true, foreign);
        emitTag(open, close, formatting);
    }

    std::size_t implicitCloseTarget(std::uint32_t flags) {
        std::size_t target = none;
        // A template's contents follow insertion modes of their own; counting everything in
        // it as nested keeps the depth an overestimate there.
        if (top(keptByName_[nameId("template")]) != none)
            return target;
        const auto closeAt = [&](std::size_t index) {
            if (index != none)
                target = std::min(target, index);
        };
        if (flags & ClosesP) {
            const std::size_t p = top(keptByName_[nameId("p")]);
            if (above(p, later(lastOf(BoundaryClass), lastOf(ButtonClass))))
                closeAt(p);
        }
        if (flags & (ListItem | DefinitionItem))
            closeAt(openItem(flags & ListItem));
        if (flags & Heading) {
            const std::size_t current = currentNode();
            if (current != none && stack_[current].flags & Heading && !stack_[current].foreign)
                closeAt(current);
        }
        // Outside a table (or template) the tree builder ignores cells, rows and sections, so
        // they close nothing: the elements between two of them stay open.
        const std::size_t tableBoundary = lastOf(TableBoundaryClass);
        if (flags & Cell && tableBoundary != none) {
            const std::size_t cell = lastOf(CellClass);
            if (above(cell, tableBoundary))
                closeAt(cell);
        }
        if (flags & Row && tableBoundary != none) {
            const std::size_t row = top(keptByName_[nameId("tr")]);
            if (above(row, tableBoundary))
                closeAt(row);
        }
        if (flags & TableSection && tableBoundary != none) {
            const std::size_t section = lastOf(TableSectionClass);
            if (above(section, tableBoundary))
                closeAt(section);
        }
        if (flags & Table) {
            const std::size_t table = top(keptByName_[nameId("table")]);
            if (above(table, lastOf(CellClass)) &&
                above(table, top(keptByName_[nameId("caption")])))
                closeAt(table);
        }
        if (flags & ButtonTag) {
            const std::size_t button = lastOf(ButtonClass);
            if (above(button, lastOf(BoundaryClass)))
                closeAt(button);
        }
        if (flags & (Option | OptGroup)) {
            const std::size_t current = currentNode();
            if (current != none && stack_[current].flags & Option)
                closeAt(current);
        }
        return target;
    }

    // The later of two indices, none counting as below everything.
    static std::size_t later(std::size_t a, std::size_t b) {
        if (a == none)
            return b;
        if (b == none)
            return a;
        return std::max(a, b);
    }

    // The open li (or dd, dt) that a new one closes: the tree builder looks down the
    // stack past everything but special elements other than address, div and p.
    std::size_t openItem(bool listItem) const {
        const std::vector<std::size_t>& open = classes_[OpenClass];
        const std::uint32_t kind = listItem ? ListItem : DefinitionItem;
        for (std::size_t step = 0; step < std::min(open.size(), itemSearchLimit); ++step) {
            const Entry& entry = stack_[open[open.size() - 1 - step]];
            if (entry.foreign)
                return none;
            if (entry.flags & kind)
                return open[open.size() - 1 - step];
            if (entry.flags & Special && !(entry.flags & KeepsLiOpen))
                return none;
        }
        return none;
    }

    // Where the raw text that starts at `from` ends: at the end tag of the current element.
    std::size_t rawTextEnd(std::size_t from) const {
        const std::string& name = tag_.name;
        for (std::size_t at = findFrom(from, "</"); at != std::string_view::npos;
             at = findFrom(at + 2, "</")) {
            const std::size_t after = at + 2 + name.size();
            if (after > source_.size())
                break;
            bool same = true;
            for (std::size_t i = 0; i < name.size() && same; ++i)
                same = lowerAscii(source_[at + 2 + i]) == name[i];
            if (same && (after == source_.size() || isHtmlSpace(source_[after]) ||
                         source_[after] == '/' || source_[after] == '>'))
                return at;
        }
        return source_.size();
    }

    void handleEndTag(std::size_t open, std::size_t close) {
        const std::uint32_t flags = tagFlags(tag_.name);
        const std::uint32_t name = nameId(tag_.name);
        const std::size_t kept = top(keptByName_[name]);
        const std::size_t dropped = top(droppedByName_[name]);
        if (above(dropped, kept)) {
            // The end tag of a dropped element goes with it.
            stack_[dropped].dead = true;
            droppedByName_[name].pop_back();
            skipTo(close);
            return;
        }
        emitTag(open, close, false);
        if (kept == none || flags & Ignored)
            return;
        if (inForeignContent() && above(kept, lastOf(HtmlOrIntegrationClass))) {
            popTo(kept);
            return;
        }
        if (flags & FormattingTag && isActive(name)) {
            // The adoption agency: with a special element above, the formatting element
            // is reparented rather than closed, and the depth stays.
            if (!above(kept, lastOf(BoundaryClass)) || above(lastOf(SpecialClass), kept))
                return;
            removeActive(name);
            popTo(kept);
            return;
        }
        if (flags & Heading) {
            const std::size_t heading = lastOf(HeadingClass);
            if (atOrAbove(heading, lastOf(BoundaryClass)))
                popTo(heading);
            return;
        }
        if (flags & Special) {
            std::size_t limit = lastOf(BoundaryClass);
            if (flags & (Cell | Row | TableSection | Table) || tag_.name == "caption")
                limit = lastOf(TableBoundaryClass);
            else if (flags & ListItem)
                limit = later(lastOf(BoundaryClass), lastOf(ListBoundaryClass));
            else if (tag_.name == "p")
                limit = later(lastOf(BoundaryClass), lastOf(ButtonClass));
            if (atOrAbove(kept, limit))
                popTo(kept);
            return;
        }
        if (above(kept, lastOf(SpecialClass)))
            popTo(kept);
    }

    std::string_view source_;
    bool dropFormatting_;
    std::string output_;
    std::size_t copied_ = 0;
    std::size_t resumeAt_ = 0;
    Tag tag_;

    std::vector<Entry> stack_;
    std::size_t keptDepth_ = 0;
    std::unordered_map<std::string, std::uint32_t> names_;
    std::vector<std::vector<std::size_t>> keptByName_;
    std::vector<std::vector<std::size_t>> droppedByName_;
    std::array<std::vector<std::size_t>, ClassCount> classes_;
    std::vector<std::uint32_t> active_;
    std::size_t activeCount_ = 0;
};

} // namespace

std::string limitNesting(std::string_view fragment, Formatting formatting) {
    return NestingLimiter(fragment, formatting).run();
}

} // namespace quillo::HtmlReader
