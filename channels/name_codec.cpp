#include "channels/name_codec.h"

namespace NameCodec {

QString toText(const QByteArray& name) {
    return QString::fromLatin1(name);
}

static int firstUnencodable(const QString& text) {
    for (int i = 0; i < text.size(); ++i)
        if (text.at(i).unicode() > 0xFF)
            return i;
    return -1;
}

std::optional<QByteArray> fromText(const QString& text) {
    if (text.size() > maxNameBytes || firstUnencodable(text) >= 0)
        return std::nullopt;
    return text.toLatin1();
}

QString refusalMessage(const QString& text) {
    if (const int at = firstUnencodable(text); at >= 0) {
        // A surrogate pair is one character to the user.
        const QString shown = text.at(at).isHighSurrogate() && at + 1 < text.size()
                                  ? text.mid(at, 2)
                                  : QString(text.at(at));
        return QStringLiteral("The character \"%1\" cannot be stored in a name. Names take "
                              "Western European (Latin-1) characters only.")
            .arg(shown);
    }
    if (text.size() > maxNameBytes)
        return QStringLiteral("A name can be at most %1 characters long (this one has %2).")
            .arg(maxNameBytes)
            .arg(text.size());
    return {};
}

} // namespace NameCodec
