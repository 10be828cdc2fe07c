#include "HtmlReader.h"

#include "CssColor.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <csetjmp>
#include <cstdint>
#include <gumbo.h>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace quillo::HtmlReader {

namespace {

// ---------------------------------------------------------------------------------------
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

bool isHtmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
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
        if (flags & Cell) {
            const std::size_t cell = lastOf(CellClass);
            if (above(cell, lastOf(TableBoundaryClass)))
                closeAt(cell);
        }
        if (flags & Row) {
            const std::size_t row = top(keptByName_[nameId("tr")]);
            if (above(row, lastOf(TableBoundaryClass)))
                closeAt(row);
        }
        if (flags & TableSection) {
            const std::size_t section = lastOf(TableSectionClass);
            if (above(section, lastOf(TableBoundaryClass)))
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

// ---------------------------------------------------------------------------------------
// Inline style declarations.

enum class Display { unchanged, none, block, inlineBox };
enum class WhiteSpace { collapse, preserve, preserveLineFeeds };

struct Declarations {
    std::optional<RgbColor> color;
    std::optional<bool> bold;
    std::optional<bool> italic;
    std::optional<bool> underline; // set together with strikethrough: the element's lines
    std::optional<bool> strikethrough;
    Display display = Display::unchanged;
    std::optional<WhiteSpace> whiteSpace;
};

std::string_view trimmedSpace(std::string_view text) {
    while (!text.empty() && isHtmlSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isHtmlSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string lowercase(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (const char c : text)
        result += lowerAscii(c);
    return result;
}

template <typename Value, std::size_t N>
std::optional<Value> keyword(const std::array<std::pair<std::string_view, Value>, N>& table,
                             std::string_view word) {
    for (const auto& [name, value] : table)
        if (name == word)
            return value;
    return std::nullopt;
}

constexpr std::array<std::pair<std::string_view, bool>, 5> fontWeights{{
    {"normal", false},
    {"bold", true},
    {"bolder", true},
    {"lighter", false},
    {"initial", false},
}};

constexpr std::array<std::pair<std::string_view, bool>, 4> fontStyles{{
    {"normal", false},
    {"italic", true},
    {"oblique", true},
    {"initial", false},
}};

constexpr std::array<std::pair<std::string_view, Display>, 11> displays{{
    {"none", Display::none},
    {"block", Display::block},
    {"flex", Display::block},
    {"grid", Display::block},
    {"flow-root", Display::block},
    {"list-item", Display::block},
    {"table", Display::block},
    {"inline", Display::inlineBox},
    {"inline-block", Display::inlineBox},
    {"inline-flex", Display::inlineBox},
    {"contents", Display::inlineBox},
}};

constexpr std::array<std::pair<std::string_view, WhiteSpace>, 6> whiteSpaces{{
    {"normal", WhiteSpace::collapse},
    {"nowrap", WhiteSpace::collapse},
    {"pre", WhiteSpace::preserve},
    {"pre-wrap", WhiteSpace::preserve},
    {"break-spaces", WhiteSpace::preserve},
    {"pre-line", WhiteSpace::preserveLineFeeds},
}};

std::string_view firstWord(std::string_view value) {
    std::size_t end = 0;
    while (end < value.size() && !isHtmlSpace(value[end]))
        ++end;
    return value.substr(0, end);
}

void readColor(std::string_view value, Declarations& into) {
    if (std::optional<RgbColor> color = CssColor::parse(value))
        into.color = color;
}

void readFontWeight(std::string_view value, Declarations& into) {
    if (std::optional<bool> bold = keyword(fontWeights, value)) {
        into.bold = bold;
        return;
    }
    double weight = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), weight);
    if (error == std::errc() && end == value.data() + value.size())
        into.bold = weight >= 600;
}

void readFontStyle(std::string_view value, Declarations& into) {
    if (std::optional<bool> italic = keyword(fontStyles, firstWord(value)))
        into.italic = italic;
}

void readTextDecoration(std::string_view value, Declarations& into) {
    if (value == "inherit" || value == "unset" || value == "revert")
        return;
    bool underline = false;
    bool strikethrough = false;
    while (!value.empty()) {
        const std::string_view word = firstWord(value);
        underline = underline || word == "underline";
        strikethrough = strikethrough || word == "line-through";
        value = trimmedSpace(value.substr(word.size()));
    }
    into.underline = underline;
    into.strikethrough = strikethrough;
}

void readDisplay(std::string_view value, Declarations& into) {
    if (std::optional<Display> display = keyword(displays, firstWord(value)))
        into.display = *display;
}

void readWhiteSpace(std::string_view value, Declarations& into) {
    if (std::optional<WhiteSpace> whiteSpace = keyword(whiteSpaces, value))
        into.whiteSpace = whiteSpace;
}

using PropertyReader = void (*)(std::string_view lowercasedValue, Declarations&);

constexpr std::array<std::pair<std::string_view, PropertyReader>, 7> properties{{
    {"color", readColor},
    {"font-weight", readFontWeight},
    {"font-style", readFontStyle},
    {"text-decoration", readTextDecoration},
    {"text-decoration-line", readTextDecoration},
    {"display", readDisplay},
    {"white-space", readWhiteSpace},
}};

void readDeclaration(std::string_view declaration, Declarations& into) {
    const std::size_t colon = declaration.find(':');
    if (colon == std::string_view::npos)
        return;
    const std::string name = lowercase(trimmedSpace(declaration.substr(0, colon)));
    std::string value = lowercase(trimmedSpace(declaration.substr(colon + 1)));
    if (const std::size_t bang = value.rfind('!');
        bang != std::string::npos &&
        trimmedSpace(std::string_view(value).substr(bang + 1)) == "important")
        value = std::string(trimmedSpace(std::string_view(value).substr(0, bang)));
    for (const auto& [property, read] : properties)
        if (property == name)
            read(value, into);
}

// Declarations split at semicolons outside quotes and parentheses; comments dropped.
Declarations readStyle(std::string_view style) {
    Declarations result;
    std::string declaration;
    char quote = 0;
    std::size_t parentheses = 0;
    for (std::size_t i = 0; i < style.size(); ++i) {
        const char c = style[i];
        if (quote == 0 && c == '/' && i + 1 < style.size() && style[i + 1] == '*') {
            const std::size_t close = style.find("*/", i + 2);
            i = close == std::string_view::npos ? style.size() : close + 1;
            continue;
        }
        if (quote != 0) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '(') {
            ++parentheses;
        } else if (c == ')' && parentheses > 0) {
            --parentheses;
        } else if (c == ';' && parentheses == 0) {
            readDeclaration(declaration, result);
            declaration.clear();
            continue;
        }
        declaration += c;
    }
    readDeclaration(declaration, result);
    return result;
}

// ---------------------------------------------------------------------------------------
// Layout of the parsed tree.

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
std::string_view cleanText(std::string_view text, std::string& buffer) {
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
                lines_.text(cleanText(child->v.text.text, cleaned_), style);
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
};

// ---------------------------------------------------------------------------------------
// Parsing within a memory budget. Every allocation of the parser comes from an arena, so
// the tree is freed at once (gumbo frees it recursively, which overflows the stack on deep
// trees), and an arena that outgrows its budget abandons the parse.

class Arena {
public:
    explicit Arena(std::size_t budget) : budget_(budget) {}

    // Null when the budget is spent.
    void* allocate(std::size_t size) {
        constexpr std::size_t alignment = alignof(std::max_align_t);
        size = std::max<std::size_t>((size + alignment - 1) / alignment * alignment, alignment);
        if (size > budget_ - used_) {
            exhausted = true;
            return nullptr;
        }
        if (size > free_) {
            const std::size_t chunk = std::max(size, chunkSize);
            chunks_.emplace_back(new (std::nothrow) std::max_align_t[chunk / alignment]);
            if (!chunks_.back()) {
                exhausted = true;
                return nullptr;
            }
            next_ = reinterpret_cast<std::byte*>(chunks_.back().get());
            free_ = chunk;
        }
        void* result = next_;
        next_ += size;
        free_ -= size;
        used_ += size;
        return result;
    }

    std::jmp_buf* bail = nullptr;
    bool exhausted = false;

private:
    static constexpr std::size_t chunkSize = 256 * 1024;
    std::size_t budget_;
    std::size_t used_ = 0;
    std::vector<std::unique_ptr<std::max_align_t[]>> chunks_;
    std::byte* next_ = nullptr;
    std::size_t free_ = 0;
};

void* allocateInArena(void* userdata, std::size_t size) {
    auto* arena = static_cast<Arena*>(userdata);
    void* memory = arena->allocate(size);
    if (memory == nullptr)
        std::longjmp(*arena->bail, 1); // only C frames of the parser lie between
    return memory;
}

void freeInArena(void*, void*) {}

// Null when the parser gave nothing or the budget ran out. Nothing here has a destructor,
// so leaving through longjmp skips none.
GumboOutput* parseInArena(Arena& arena, const GumboOptions& options, std::string_view document) {
    std::jmp_buf bail;
    arena.bail = &bail;
    if (setjmp(bail) != 0)
        return nullptr;
    return gumbo_parse_with_options(&options, document.data(), document.size());
}

} // namespace

std::string limitNesting(std::string_view fragment, Formatting formatting) {
    return NestingLimiter(fragment, formatting).run();
}

Reading readDocument(std::string_view document) {
    // Gumbo needs some 40 bytes per byte of tag-heavy markup; this allows three times that.
    Arena arena(64 * 1024 * 1024 + 128 * document.size());
    GumboOptions options = kGumboDefaultOptions;
    // Error recording copies the stack of open elements into every error.
    options.max_errors = 0;
    options.allocator = allocateInArena;
    options.deallocator = freeInArena;
    options.userdata = &arena;
    const GumboOutput* output = parseInArena(arena, options, document);
    Reading reading;
    if (arena.exhausted) {
        reading.status = Reading::Status::tooCostly;
        return reading;
    }
    if (output == nullptr || output->root == nullptr) {
        reading.status = Reading::Status::unreadable;
        return reading;
    }
    reading.text = Layout(1024 * 1024 + 8 * document.size()).run(output->root);
    reading.status = Reading::Status::read;
    return reading;
}

} // namespace quillo::HtmlReader
