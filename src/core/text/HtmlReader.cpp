#include "HtmlReader.h"

#include "HtmlLayout.h"

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <gumbo.h>
#include <memory>
#include <new>
#include <vector>

namespace quillo::HtmlReader {

namespace {

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
    reading.text = layOut(output->root, 1024 * 1024 + 8 * document.size());
    reading.status = Reading::Status::read;
    return reading;
}

} // namespace quillo::HtmlReader
