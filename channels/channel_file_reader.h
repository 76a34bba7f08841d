#pragma once

#include <QByteArrayView>
#include <QString>

class ChannelDatabase;

// Reads a whole Channel Data File held in memory into `database`. Results (ChannelReadResult):
//  0    read; the database holds the file's data (favourite group names the file does not
//       have are kept from before, as `clear` keeps them);
//  -2   fewer than 14 bytes;
//  -3   the quick check fails (magic, length field, trailer), or a count, position or length
//       in the body does not fit the image or the tables read before it: the database is
//       left exactly as it was;
//  -3   with an unknown layout (neither 1 nor 2): the database is cleared and takes the
//       file's header values;
//  -10  out of memory: the database is left as it was.
// The image is parsed into a fresh database that replaces `database` only when the whole
// body has been read, so a refused file never leaves part of its records behind.
int readChannelImage(ChannelDatabase& database, QByteArrayView image);

// Opens the file (-1 when it cannot be opened), makes the quick check on it, reads it whole
// (-2 on a short read) and reads it with readChannelImage.
int readChannelFile(ChannelDatabase& database, const QString& path);
