#pragma once

enum class TransferKind { firmwareDownload = 1, channelDownload = 2, channelUpload = 3 };
