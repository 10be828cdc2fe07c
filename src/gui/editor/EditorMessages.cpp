#include "EditorMessages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>
#include <QVariantMap>

namespace quillo::EditorMessages {

namespace {

std::optional<FormatState> formatState(const QVariantMap& payload) {
    FormatState state;
    const std::pair<const char*, bool*> keys[] = {
        {"bold", &state.bold},     {"italic", &state.italic}, {"underline", &state.underline},
        {"strike", &state.strike}, {"ul", &state.ul},         {"ol", &state.ol},
        {"link", &state.link}};
    // Every value must be a bool, also those of keys the program does not know.
    for (auto it = payload.begin(); it != payload.end(); ++it)
        if (it.value().typeId() != QMetaType::Bool)
            return std::nullopt;
    for (const auto& [key, field] : keys)
        *field = payload.value(QString::fromLatin1(key)).toBool();
    return state;
}

} // namespace

std::optional<Message> parse(const QVariant& body) {
    if (body.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantMap message = body.toMap();
    const QVariant type = message.value(QStringLiteral("type"));
    if (type.typeId() != QMetaType::QString)
        return std::nullopt;
    const QString name = type.toString();
    if (name == QLatin1String("ready"))
        return Ready{};

    const QVariant payload = message.value(QStringLiteral("payload"));
    if (payload.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantMap fields = payload.toMap();
    if (name == QLatin1String("change")) {
        const QVariant html = fields.value(QStringLiteral("html"));
        const QVariant id = fields.value(QStringLiteral("id"));
        if (html.typeId() != QMetaType::QString || id.typeId() != QMetaType::QString)
            return std::nullopt;
        const auto uuid = Uuid::parse(id.toString().toStdString());
        if (!uuid)
            return std::nullopt;
        return Change{*uuid, html.toString().toStdString()};
    }
    if (name == QLatin1String("state")) {
        if (auto state = formatState(fields))
            return State{*state};
    }
    return std::nullopt;
}

QString literal(const QString& text) {
    const QByteArray json = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    if (json.size() < 2)
        return QStringLiteral("\"\"");
    // Every solidus of a one-string array is inside the string.
    return QString::fromUtf8(json.mid(1, json.size() - 2)).replace(u'/', QStringLiteral("\\/"));
}

QString call(const QString& function, std::initializer_list<std::optional<QString>> arguments) {
    QStringList written;
    for (const auto& argument : arguments)
        written << (argument ? literal(*argument) : QStringLiteral("null"));
    return function + u'(' + written.join(u',') + u')';
}

} // namespace quillo::EditorMessages
