// How fast snippet bodies go through the text engine: throughput over every body of a
// generated 10k-snippet library, each rich snippet rendered for the clipboard as HTML and
// as RTF, and the whole trip of one typical rich snippet to the clipboard's three flavours.
#include "LibraryGenerator.h"
#include "core/paste/SnippetRendering.h"
#include "core/text/HTMLText.h"
#include "core/text/Placeholders.h"
#include "core/text/Rtf.h"

#include <benchmark/benchmark.h>
#include <string>
#include <vector>

namespace {

using namespace quillo;

const std::vector<Snippet>& bodies() {
    static const std::vector<Snippet> snippets = bench::generateLibrary(10'000, 7).snippets;
    return snippets;
}

std::int64_t richBytes() {
    std::int64_t total = 0;
    for (const Snippet& s : bodies())
        total += s.format == SnippetFormat::rich ? static_cast<std::int64_t>(s.text.size()) : 0;
    return total;
}

std::int64_t allBytes() {
    std::int64_t total = 0;
    for (const Snippet& s : bodies())
        total += static_cast<std::int64_t>(s.text.size());
    return total;
}

const DateFormatting& dates() {
    static const DateFormatting formatting("en_US", "Europe/Berlin");
    return formatting;
}

const Placeholders::Values values{{"Customer name", "Ann O'Neil"}, {"Order", "A-1042"}};

void BM_PlainTextFromHTML(benchmark::State& state) {
    for (auto _ : state)
        for (const Snippet& s : bodies())
            if (s.format == SnippetFormat::rich)
                benchmark::DoNotOptimize(HTMLText::plainTextFromHTML(s.text));
    state.SetBytesProcessed(state.iterations() * richBytes());
}

void BM_HtmlReader(benchmark::State& state) {
    for (auto _ : state)
        for (const Snippet& s : bodies())
            if (s.format == SnippetFormat::rich)
                benchmark::DoNotOptimize(HTMLText::attributedStringFromHTML(s.text));
    state.SetBytesProcessed(state.iterations() * richBytes());
}

void BM_Render(benchmark::State& state) {
    const Date now =
        std::chrono::floor<std::chrono::microseconds>(std::chrono::system_clock::now());
    for (auto _ : state)
        for (const Snippet& s : bodies())
            benchmark::DoNotOptimize(Placeholders::render(s.text, s.format == SnippetFormat::rich,
                                                          values, "clipboard text", now, dates()));
    state.SetBytesProcessed(state.iterations() * allBytes());
}

Date renderTime() {
    return std::chrono::floor<std::chrono::microseconds>(std::chrono::system_clock::now());
}

// Every rich snippet as a paste renders it: placeholders filled in, fonts and trailing
// blank lines gone, the HTML flavour and its plain text. Items are snippets.
void BM_RenderRichSnippetsAsHtml(benchmark::State& state) {
    const Date now = renderTime();
    std::int64_t rendered = 0;
    for (auto _ : state)
        for (const Snippet& s : bodies())
            if (s.format == SnippetFormat::rich) {
                benchmark::DoNotOptimize(renderSnippet(s, values, "clipboard text", now));
                ++rendered;
            }
    state.SetItemsProcessed(rendered);
}

// The RTF flavour of every rich snippet, from its rendered HTML: read into styled text,
// then written as RTF. Items are snippets.
void BM_RenderRichSnippetsAsRtf(benchmark::State& state) {
    const Date now = renderTime();
    std::vector<std::string> html;
    for (const Snippet& s : bodies())
        if (s.format == SnippetFormat::rich)
            html.push_back(*renderSnippet(s, values, "clipboard text", now).html);
    std::int64_t rendered = 0;
    for (auto _ : state)
        for (const std::string& fragment : html) {
            if (const std::optional<StyledText> styled =
                    HTMLText::attributedStringFromHTML(fragment))
                benchmark::DoNotOptimize(rtfFromStyledText(*styled));
            ++rendered;
        }
    state.SetItemsProcessed(rendered);
}

// What a paste does with a rich snippet: render it, drop its fonts, and make the HTML,
// the styled text and the RTF.
void BM_PasteOneRichSnippet(benchmark::State& state) {
    const std::string typical =
        "<div>Dear {{field:Customer name|customer}},</div><div><br></div>"
        "<div>Thank you for your order <b>{{field:Order}}</b> of {{date:short}}. It left our "
        "warehouse today and should reach you within <i>two business days</i>.</div>"
        "<div>You can follow it <a href=\"https://example.com/track?id=1042\">here</a>.</div>"
        "<div><br></div><div><span style=\"color: #c0392b\">Please keep this email.</span>"
        "</div><div>Kind regards,</div><div>Ann</div>";
    const Date now =
        std::chrono::floor<std::chrono::microseconds>(std::chrono::system_clock::now());
    for (auto _ : state) {
        const std::string html = HTMLText::removingFonts(
            Placeholders::render(typical, true, values, std::nullopt, now, dates()));
        const std::optional<StyledText> styled = HTMLText::attributedStringFromHTML(html);
        benchmark::DoNotOptimize(rtfFromStyledText(*styled));
        benchmark::DoNotOptimize(HTMLText::plainTextFromHTML(html));
    }
}

BENCHMARK(BM_PlainTextFromHTML)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HtmlReader)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Render)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderRichSnippetsAsHtml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderRichSnippetsAsRtf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PasteOneRichSnippet)->Unit(benchmark::kMicrosecond);

} // namespace
