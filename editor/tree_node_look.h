#pragma once

// Labels and image numbers of the satellite tree's nodes (see resources/tree_images.h for
// the images).

#include "channels/channel_records.h"

#include <QString>

class ChannelDatabase;

namespace TreeImage {
constexpr int cBandSatellite = 0;
constexpr int singleOscillatorSatellite = 1;
constexpr int universalSatellite = 2;
constexpr int verticalTransponder = 3;
constexpr int horizontalTransponder = 4;
constexpr int tvProgram = 5;
constexpr int radioProgram = 6;
constexpr int satelliteWithoutLnb = 7;
} // namespace TreeImage

// "H 11.778": polarization letter (H for 1, else V) and the frequency in GHz.
QString transponderLabel(const Transponder& transponder);
QString satelliteLabel(const Satellite& satellite);
QString programLabel(const Program& program);

int satelliteImage(const ChannelDatabase& database, const Satellite& satellite);
int transponderImage(const Transponder& transponder);
int programImage(const Program& program);
