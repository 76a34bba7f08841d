#pragma once

#include <QString>

// The texts the editor shows for the results of readChannelFile and writeChannelFile; an
// empty text for success.
QString channelReadResultText(int result);
QString channelWriteResultText(int result);
