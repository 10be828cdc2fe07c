#include "InstanceProtocol.h"

#include <nlohmann/json.hpp>

namespace quillo::InstanceProtocol {

namespace {

using nlohmann::json;

constexpr std::pair<InstanceRequest::Kind, std::string_view> kindNames[] = {
    {InstanceRequest::Kind::show, "show"},     {InstanceRequest::Kind::importBackup, "import"},
    {InstanceRequest::Kind::paste, "paste"},   {InstanceRequest::Kind::settings, "settings"},
    {InstanceRequest::Kind::picker, "picker"},
};

std::optional<json> object(std::string_view text) {
    json document = json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_object())
        return std::nullopt;
    return document;
}

std::string dumped(const json& document) {
    // Bytes that aren't UTF-8 are replaced rather than failing the whole line.
    return document.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

} // namespace

std::string line(const InstanceRequest& request) {
    json document;
    for (const auto& [kind, name] : kindNames)
        if (kind == request.kind)
            document["request"] = name;
    document["argument"] = request.argument;
    document["values"] = json::object();
    for (const auto& [name, value] : request.values)
        document["values"][name] = value;
    return dumped(document);
}

std::string line(const InstanceReply& reply) {
    return dumped({{"status", reply.status}, {"output", reply.output}, {"error", reply.error}});
}

std::optional<InstanceRequest> request(std::string_view text) {
    const std::optional<json> document = object(text);
    if (!document)
        return std::nullopt;
    InstanceRequest request;
    const auto kind = document->find("request");
    if (kind == document->end() || !kind->is_string())
        return std::nullopt;
    bool known = false;
    for (const auto& [value, name] : kindNames)
        if (kind->get_ref<const std::string&>() == name) {
            request.kind = value;
            known = true;
        }
    if (!known)
        return std::nullopt;
    if (const auto argument = document->find("argument"); argument != document->end()) {
        if (!argument->is_string())
            return std::nullopt;
        request.argument = argument->get<std::string>();
    }
    if (const auto values = document->find("values"); values != document->end()) {
        if (!values->is_object())
            return std::nullopt;
        for (const auto& [name, value] : values->items()) {
            if (!value.is_string())
                return std::nullopt;
            request.values[name] = value.get<std::string>();
        }
    }
    return request;
}

std::optional<InstanceReply> reply(std::string_view text) {
    const std::optional<json> document = object(text);
    if (!document)
        return std::nullopt;
    const auto status = document->find("status");
    const auto output = document->find("output");
    const auto error = document->find("error");
    if (status == document->end() || !status->is_number_integer() || output == document->end() ||
        !output->is_string() || error == document->end() || !error->is_string())
        return std::nullopt;
    const auto code = status->get<std::int64_t>();
    if (code < 0 || code > 255)
        return std::nullopt;
    return InstanceReply{static_cast<int>(code), output->get<std::string>(),
                         error->get<std::string>()};
}

LineReader::State LineReader::feed(std::string_view bytes) {
    if (state_ != State::waiting)
        return state_;
    const std::size_t end = bytes.find('\n');
    const std::string_view taken = bytes.substr(0, end);
    if (line_.size() + taken.size() > maximumLine) {
        line_.clear();
        return state_ = State::tooLong;
    }
    line_.append(taken);
    if (end != std::string_view::npos)
        state_ = State::complete;
    return state_;
}

} // namespace quillo::InstanceProtocol
