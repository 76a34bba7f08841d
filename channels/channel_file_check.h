#pragma once

#include <QByteArray>
#include <QByteArrayView>

class QIODevice;

enum class ChannelFileCheckResult { ok, unreadable, badHeader, missingEndMark };

// The quick check every user of a Channel Data File applies first: magic "CDF", body length
// equal to the file size minus 14, and "END" as the last three bytes. The caller closes the
// file.
ChannelFileCheckResult checkChannelFile(QIODevice& file);

// The same check on a whole file already in memory.
ChannelFileCheckResult checkChannelBytes(QByteArrayView bytes);

// Check of an image received from the receiver before it is saved: 0 when the magic is there
// and the three bytes at body length + 11 are "END", else non-zero. `size` bounds every access.
int checkChannelImage(const unsigned char* image, qsizetype size);
int checkChannelImage(QByteArrayView image);
