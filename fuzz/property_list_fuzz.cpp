// The binary property list reader on arbitrary bytes: it either refuses them with a
// PropertyListError or returns a table whose every index points into it.
#include "core/import/PropertyList.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

using quillo::PropertyList;
using quillo::PropertyListObject;

void require(bool condition) {
    if (!condition)
        std::abort();
}

void check(const PropertyList& list, std::uint32_t index) {
    const PropertyListObject& object = list.object(index);
    for (std::uint32_t member : object.members)
        require(member < list.size());
    for (std::uint32_t value : object.values)
        require(value < list.size());
    switch (object.type) {
    case PropertyListObject::Type::string: {
        const std::string text = PropertyList::utf8(object.string);
        require(text.size() >= object.string.size()); // every unit gives at least a byte
        break;
    }
    case PropertyListObject::Type::array:
        require(object.values.empty());
        break;
    case PropertyListObject::Type::dictionary: {
        require(object.values.size() == object.members.size());
        // Every string key is found again by its UTF-8 text (perhaps under an earlier
        // equal key). Only the first few are tried, so big dictionaries stay fast.
        for (std::size_t i = 0; i < object.members.size() && i < 16; ++i) {
            const PropertyListObject& key = list.object(object.members[i]);
            if (key.type == PropertyListObject::Type::string)
                require(list.find(index, PropertyList::utf8(key.string)).has_value());
        }
        break;
    }
    default:
        require(object.members.empty() && object.values.empty());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const PropertyList list = PropertyList::parse(bytes);
        require(list.top() < list.size());
        for (std::uint32_t i = 0; i < list.size(); ++i)
            check(list, i);
    } catch (const quillo::PropertyListError&) {
    }
    return 0;
}
