#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quillo {

/// A colour in sRGB, each component a fraction from 0 to 1.
struct RgbColor {
    double red = 0;
    double green = 0;
    double blue = 0;
    friend bool operator==(const RgbColor&, const RgbColor&) = default;
};

/// The styling of a stretch of text.
struct TextAttributes {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    std::optional<RgbColor> color{};
    /// The link target, as written (a URL, usually absolute).
    std::optional<std::string> link{};
    friend bool operator==(const TextAttributes&, const TextAttributes&) = default;
};

/// Text with styling: the UTF-8 text and the runs of attributes that cover it, in order,
/// without gaps. Lines are separated by line feeds.
class StyledText {
public:
    struct Run {
        std::size_t start = 0;  // byte offset into text()
        std::size_t length = 0; // bytes
        TextAttributes attributes{};
        friend bool operator==(const Run&, const Run&) = default;
    };

    StyledText() = default;
    /// Unstyled text, one run.
    explicit StyledText(std::string text);

    /// Appends text with the given styling; joins the last run when the styling is the same.
    void append(std::string_view text, const TextAttributes& attributes = {});

    const std::string& text() const { return text_; }
    /// The runs, each as long as possible: neighbours never have equal attributes.
    const std::vector<Run>& runs() const { return runs_; }
    bool empty() const { return text_.empty(); }

    friend bool operator==(const StyledText&, const StyledText&) = default;

private:
    std::string text_;
    std::vector<Run> runs_;
};

} // namespace quillo
