#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Names in a Channel Data File are bytes. Every window, `cdftool dump` and every search show
// them through this one decoding, and an edited name goes back through its inverse. Each byte
// is one Latin-1 character, so a name the user did not edit round-trips byte for byte whatever
// it holds.
namespace NameCodec {

// The longest name a record can hold, in bytes.
inline constexpr int maxNameBytes = 255;

QString toText(const QByteArray& name);

// The bytes for an edited name, or nothing when a character has no byte (outside Latin-1) or
// the name is longer than maxNameBytes.
std::optional<QByteArray> fromText(const QString& text);

// Why fromText refused `text`, for a message box; empty when it would be accepted.
QString refusalMessage(const QString& text);

} // namespace NameCodec
