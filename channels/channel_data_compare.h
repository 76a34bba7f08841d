#pragma once

#include <QString>

class ChannelDatabase;

// Compares two databases field by field: header values, LNB configurations, the hierarchy with
// every record, program kinds and counts, both channel lists and every favourite group (name
// and members, all eight groups), programs being matched by their place in the hierarchy.
// The channel list window's scratch byte pendingFavoriteMask and the derived
// programSatellites table are not compared. Returns an empty text when the two hold the same
// data, else a short description of the first difference found.
QString firstChannelDataDifference(const ChannelDatabase& a, const ChannelDatabase& b);
