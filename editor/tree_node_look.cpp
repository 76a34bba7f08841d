#include "editor/tree_node_look.h"

#include "channels/channel_database.h"
#include "channels/name_codec.h"

namespace {
constexpr std::uint16_t cBandOscillator = 5150;

int layout1SatelliteImage(const ChannelDatabase& database, const Satellite& satellite) {
    const LnbConfig* config = database.lnbConfigAt(satellite.lnbConfigIndex);
    if (!config || config->lnbType == 0 || config->lnbType > 4)
        return TreeImage::satelliteWithoutLnb;
    if (config->lnbType <= 3)
        return TreeImage::universalSatellite;
    return config->lnbFrequency1 == cBandOscillator ? TreeImage::cBandSatellite
                                                    : TreeImage::singleOscillatorSatellite;
}

int layout2SatelliteImage(const Satellite& satellite) {
    switch (satellite.lnbType) {
    case 0:
        return TreeImage::universalSatellite;
    case 1:
        return TreeImage::cBandSatellite;
    case 9:
        return satellite.lnbFrequency1 == cBandOscillator ? TreeImage::cBandSatellite
                                                          : TreeImage::singleOscillatorSatellite;
    default:
        return satellite.lnbType <= 8 ? TreeImage::singleOscillatorSatellite
                                      : TreeImage::satelliteWithoutLnb;
    }
}
} // namespace

QString transponderLabel(const Transponder& transponder) {
    return QString::asprintf("%c %06.3f", transponder.polarization == 1 ? 'H' : 'V',
                             transponder.frequency * 0.000001);
}

QString satelliteLabel(const Satellite& satellite) {
    return NameCodec::toText(satellite.name);
}

QString programLabel(const Program& program) {
    return NameCodec::toText(program.name);
}

int satelliteImage(const ChannelDatabase& database, const Satellite& satellite) {
    switch (database.layout) {
    case 1:
        return layout1SatelliteImage(database, satellite);
    case 2:
        return layout2SatelliteImage(satellite);
    default:
        return TreeImage::satelliteWithoutLnb;
    }
}

int transponderImage(const Transponder& transponder) {
    switch (transponder.polarization) {
    case 0:
        return TreeImage::verticalTransponder;
    case 1:
        return TreeImage::horizontalTransponder;
    default:
        return TreeImage::cBandSatellite;
    }
}

int programImage(const Program& program) {
    return program.hasVideo() ? TreeImage::tvProgram : TreeImage::radioProgram;
}
