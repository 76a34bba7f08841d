#pragma once

// A channel list that looks like a real receiver's, for the demo and the screenshots: six
// satellites on universal, single and C-band LNBs, a few hundred TV and radio programs with
// plausible names, audio tracks in several languages, and four favourite groups. Always the
// same data, so pictures and demo runs can be compared.

class ChannelDatabase;

// Replaces the contents of `database` (layout 1, favourites on) with the sample list.
void buildSampleChannelList(ChannelDatabase& database);
