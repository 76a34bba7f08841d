#pragma once

#include "channels/name_charsets.h"

#include <QByteArray>
#include <QCollator>
#include <QString>

#include <optional>

// Names in a Channel Data File are bytes in the character set of the country the receiver was
// sold in. Every window, `cdftool` and every search show them through this one decoding, in the
// set the user chose (charset()), and an edited name goes back through its inverse. Every byte
// of every set stands for a character of its own, so a name the user did not edit round-trips
// byte for byte whatever it holds and whichever set is chosen. Reading and writing files never
// go through here: the set changes only texts.
namespace NameCodec {

// The longest name a record can hold, in bytes.
inline constexpr int maxNameBytes = 255;

// The set names are shown in; ISO-8859-1 until someone chooses another. One per process, used
// on the user-interface thread only.
NameCharset charset();
void setCharset(NameCharset charset);

QString toText(const QByteArray& name);
QString toText(const QByteArray& name, NameCharset charset);

// The bytes for an edited name, or nothing when a character has no byte in the set or the name
// is longer than maxNameBytes.
std::optional<QByteArray> fromText(const QString& text);
std::optional<QByteArray> fromText(const QString& text, NameCharset charset);

// Why fromText refused `text`, naming the character and the set, for a message box; empty when
// it would be accepted.
QString refusalMessage(const QString& text);
QString refusalMessage(const QString& text, NameCharset charset);

// Compares names as a reader of the current set's language does: case-insensitive, accents
// and letters in that language's order.
const QCollator& collator();

// Whether `name` holds `search` as the collator sees it (case-insensitive, in the language of
// the current set). Empty `search` is held by every name.
bool holds(QStringView name, QStringView search);

} // namespace NameCodec
